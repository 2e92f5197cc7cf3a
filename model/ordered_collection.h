#pragma once

#include "model/filtering_mutable_array.h"
#include "platform/base/error.h"
#include "platform/objectstore/fetch_request.h"
#include "platform/objectstore/key_change.h"

#include <QObject>
#include <QVariantMap>

#include <memory>
#include <optional>

class TDLibraryObject;

// One to-many relationship of a library object shown as an ordered, mutable array: ordered by the
// members' "displayOrder" (or by sort descriptors), optionally filtered and cut to a limit. Inserting
// adds to the relationship and gives the member a display order that puts it where it was inserted;
// the collection follows changes made to the relationship by anyone else.
class TDOrderedCollection final : public QObject {
public:
    using Object = platform::ManagedObject;
    // Observing: the collection watches the relationship and the members itself. ByOwner: the owning
    // object forwards its relationship and member changes (the collections that tasks and groups keep).
    enum class Tracking { Observing, ByOwner };

    TDOrderedCollection(TDLibraryObject* object, const QString& keyPath,
                        const QList<platform::SortDescriptor>& sortDescriptors = {},
                        Tracking tracking = Tracking::Observing, QObject* parent = nullptr);
    ~TDOrderedCollection() override;

    // An observing collection over the same relationship with the same settings (title, fetch request,
    // sort descriptors, filter, limit, user information).
    std::unique_ptr<TDOrderedCollection> copy(QObject* parent = nullptr) const;

    TDLibraryObject* object() const { return m_object; }
    const QString& keyPath() const { return m_keyPath; }
    const QString& title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    const std::optional<platform::FetchRequest>& fetchRequest() const { return m_fetchRequest; }
    void setFetchRequest(const std::optional<platform::FetchRequest>& request) { m_fetchRequest = request; }
    const QList<platform::SortDescriptor>& sortDescriptors() const { return m_sortDescriptors; }
    // Ignored while sorting changes are disabled.
    void setSortDescriptors(const QList<platform::SortDescriptor>& descriptors);
    const platform::PredicatePtr& filterPredicate() const { return m_filterPredicate; }
    void setFilterPredicate(const platform::PredicatePtr& predicate);
    bool needsFiltering() { return array().needsFiltering(); }
    void setNeedsFiltering(bool needs);
    quint64 limit() const { return m_limit; }
    void setLimit(quint64 limit);
    qsizetype unlimitedCount();
    QVariantMap& userInfo() { return m_userInfo; }
    bool modifiesDisplayOrder() const { return m_modifiesDisplayOrder; }
    void setModifiesDisplayOrder(bool modifies) { m_modifiesDisplayOrder = modifies; }
    bool needsToSort() const { return m_needsToSort; }
    void setNeedsToSort(bool needs) { m_needsToSort = needs; }
    bool sortingChangeEnabled() const { return m_sortingChangeEnabled; }
    void setSortingChangeEnabled(bool enabled) { m_sortingChangeEnabled = enabled; }

    TDFilteringMutableArray& array();
    void reload();

    qsizetype count();
    Object* objectAtIndex(qsizetype index);
    bool containsObject(Object* object);
    // The visible members in order.
    QList<Object*> objects();
    template <typename T>
    QList<T*> objectsAs() {
        QList<T*> list;
        for (Object* object : objects()) list.append(static_cast<T*>(object));
        return list;
    }

    Status insertObject(Object* object, qsizetype index);
    Status insertObjects(const QList<Object*>& objects, qsizetype index);
    Status insertObjectsAtIndexes(const QList<Object*>& objects, const QList<qsizetype>& indexes);
    Status addObject(Object* object) { return insertObject(object, count()); }
    Status removeObjectAtIndex(qsizetype index);
    Status removeLastObject();
    Status replaceObjectAtIndex(qsizetype index, Object* object);
    void repositionObjectsAfter(const QList<Object*>& objects, Object* anchor);
    void repositionObjectsBefore(const QList<Object*>& objects, Object* anchor);

    void beginEditing();
    void endEditing();
    void resortIfNeeded();
    // Renumbers every member in unfiltered order: 0, 1000, 2000, ...
    void resetDisplayOrders();
    bool checkDisplayOrders();

    // What the owner forwards (and what observation delivers).
    void relationshipDidChange(const platform::KeyChange& change);
    void membersDidChange(const QList<Object*>& changed);

private:
    void p_synchronize();
    void p_renumber();
    void p_beginChange();
    void p_endChange();
    qsizetype p_unfilteredIndexForIndex(qsizetype index);
    Status p_insertObject(Object* object, qsizetype index);
    Status p_insertObjectAtUnfilteredIndex(Object* object, qsizetype index);
    void p_logRefusedInsert(const Object* object, const TDError& error) const;
    void p_insertObjectsToArray(const QList<Object*>& objects);
    void p_insertObjectToArray(Object* object);
    void p_setDisplayOrderOfObjects(const QList<Object*>& objects, qsizetype index);
    void p_reposition(const QList<Object*>& objects, Object* anchor, bool after);

    TDLibraryObject* m_object;
    QString m_keyPath;
    QString m_title;
    std::unique_ptr<TDFilteringMutableArray> m_array;
    std::optional<platform::FetchRequest> m_fetchRequest;
    QList<platform::SortDescriptor> m_sortDescriptors;
    platform::PredicatePtr m_filterPredicate;
    quint64 m_limit = 0;
    QVariantMap m_userInfo;
    Tracking m_tracking;
    int m_observerToken = 0;
    bool m_modifiesDisplayOrder = true;
    bool m_ignoreChange = false;
    bool m_needsToSort = true;
    bool m_sortingChangeEnabled = true;
    bool m_beganEditing = false;
};
