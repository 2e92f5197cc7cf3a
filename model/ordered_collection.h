#pragma once

#include "model/filtering_mutable_array.h"
#include "model/sort_key_cache.h"
#include "platform/base/error.h"
#include "platform/objectstore/fetch_request.h"
#include "platform/objectstore/key_change.h"
#include "platform/objectstore/managed_object_context.h"

#include <QObject>
#include <QVariantMap>

#include <memory>
#include <optional>

class TDLibraryObject;

// One to-many relationship of a library object shown as an ordered, mutable array: ordered by the
// members' "displayOrder" (or by sort descriptors), optionally filtered and cut to a limit. Inserting
// adds to the relationship and gives the member a display order that puts it where it was inserted;
// the collection follows changes made to the relationship by anyone else.
//
// A collection that someone watches (any of its signals connected) also keeps the visible list it last
// published and, after each change (its own edits and settings at once, anyone else's at the context's
// processing pass), publishes the difference step by step, in signals an item model maps one to one
// onto its row signals; between each "about to" and its "done" signal publishedObjects() is updated,
// so a model that reads it stays consistent. A collection nobody watches publishes nothing.
class TDOrderedCollection final : public QObject {
    Q_OBJECT
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
    // Takes effect at the next build of the members (reload); a watched collection then publishes a reset.
    void setFetchRequest(const std::optional<platform::FetchRequest>& request);
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
    void setNeedsToSort(bool needs);
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

    // The members that pass the filter, the limit ignored, in no set order: for walks that want them all
    // and no sorting.
    const QList<Object*>& filteredMembers();
    // The visible list as last published while watched; the current visible list when nobody watches.
    // Rows are read from it many times a frame: it is handed out, not copied.
    const QList<Object*>& publishedObjects();
    // Publishes what changed since the last publication (a watched collection does this by itself
    // after its own edits and at each processing pass of its context).
    void publishChanges();

Q_SIGNALS:
    // Ranges are inclusive rows of the published list.
    void objectsAboutToBeInserted(qsizetype first, qsizetype last);
    void objectsInserted(qsizetype first, qsizetype last);
    void objectsAboutToBeRemoved(qsizetype first, qsizetype last);
    void objectsRemoved(qsizetype first, qsizetype last);
    // `destination`: the row before which the range goes, counted before the move.
    void objectsAboutToBeMoved(qsizetype first, qsizetype last, qsizetype destination);
    void objectsMoved(qsizetype first, qsizetype last, qsizetype destination);
    // A published member changed the keys (empty: which ones is not known).
    void memberChanged(qsizetype index, const QStringList& keys);
    // Wholesale changes: a new fetch request, or a difference too scattered to show step by step.
    void aboutToBeReset();
    void wasReset();

protected:
    void connectNotify(const QMetaMethod& signal) override;
    void disconnectNotify(const QMetaMethod& signal) override;

private:
    bool p_isWatched() const;
    void p_stopWatching();
    void p_contextDidChange(const platform::Notification& notification);
    void p_publishStructure();
    void p_publishMemberChanges();

    void p_synchronize();
    void p_renumber();
    void p_orderUnfilteredByDisplayOrder();
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
    // Members changed since the lists were last in order, and the array's change count then.
    QList<Object*> m_membersToPlace;
    quint64 m_placeGeneration = 0;
    // The array's unfiltered change count when its unfiltered list was last sorted by display order; none
    // once a member changed (its display order may have).
    std::optional<quint64> m_displayOrderedAt;
    // Whether the last full sort left the unfiltered list in display order (a sorted view that writes no
    // display orders leaves it as it is); placing changed members one by one needs it.
    bool m_unfilteredInDisplayOrder = true;
    // The members' sort keys, kept between sorts; forgotten for members that change, and wholly when the
    // descriptors change or the collection moves members itself (it writes display orders unobserved).
    TDSortKeyCache m_sortKeys;

    // Publishing, only while watched.
    bool m_watched = false;
    bool m_needsPublishing = false;
    bool m_needsReset = false;
    bool m_fetchRequestChanged = false;
    int m_contextObserverToken = 0;
    bool m_publishing = false;
    QList<Object*> m_published;
    platform::ChangedKeys m_changedMembers;
};
