#pragma once

#include "platform/objectstore/managed_object.h"
#include "platform/predicates/predicate.h"
#include "platform/predicates/sort_descriptor.h"

#include <QList>
#include <QSet>

#include <limits>
#include <optional>

// The storage of an ordered collection: every member in the owner's order (unfiltered) and the members
// that pass the filter in the order of the last sort (filtered), shown cut to a limit. Filtering is lazy.
class TDSortKeyCache;

class TDFilteringMutableArray final {
public:
    using Object = platform::ManagedObject;
    static constexpr quint64 NoLimit = std::numeric_limits<quint64>::max();

    explicit TDFilteringMutableArray(const QList<Object*>& objects = {});

    const QList<Object*>& unfilteredObjectArray() const { return m_unfiltered; }
    const QSet<Object*>& unfilteredObjectSet() const;

    const platform::PredicatePtr& filterPredicate() const { return m_filterPredicate; }
    void setFilterPredicate(const platform::PredicatePtr& predicate);
    quint64 limit() const { return m_limit; }
    // 0 means no limit.
    void setLimit(quint64 limit);
    bool needsFiltering() const { return m_needsFiltering; }
    void setNeedsFiltering(bool needs);
    // Grows with every change of which members there are, where they stand, or what the filter is (a
    // removal excepted: it leaves the rest in order), so an owner can tell that nothing else moved.
    quint64 changeCount() const { return m_changeCount; }
    // Grows with every change of which members the unfiltered list holds or where they stand (a removal
    // excepted), so an owner can tell that the list is still in the order it last put it in.
    quint64 unfilteredChangeCount() const { return m_unfilteredChangeCount; }

    // The visible list: the filtered members, at most `limit` of them.
    qsizetype count();
    // nullptr for an index outside the visible list.
    Object* objectAtIndex(qsizetype index);
    bool containsObject(Object* object);
    QList<Object*> visibleObjects();
    // Every member that passes the filter, past the limit too, in the order of the last sort (or the
    // unfiltered order when filtered since).
    const QList<Object*>& filteredObjects() {
        filterIfNeeded();
        return m_filtered;
    }

    void addObject(Object* object);
    void insertObjectAtUnfilteredIndex(Object* object, qsizetype index);
    // Objects already present are moved: the target index follows their removal.
    void insertObjectsAtUnfilteredIndex(const QList<Object*>& objects, qsizetype index);
    // Removes the visible object at the index; false when the index is outside the visible list.
    bool removeObjectAtIndex(qsizetype index);
    void removeObject(Object* object);
    bool removeLastObject();
    bool replaceObjectAtIndex(qsizetype index, Object* object);

    // Sorts the filtered members, on the keys a cache keeps when it can answer.
    void sortUsingDescriptors(const QList<platform::SortDescriptor>& descriptors,
                              TDSortKeyCache* keys = nullptr);
    void sortUnfilteredArrayUsingDescriptors(const QList<platform::SortDescriptor>& descriptors);
    void filterIfNeeded();
    // Puts a few changed members back in their places, filter included, when both lists are otherwise
    // in order (sorted by these descriptors, filtered): far cheaper than filtering and sorting them all.
    void placeMembers(const QList<Object*>& changed, const QList<platform::SortDescriptor>& filteredOrder,
                      const QList<platform::SortDescriptor>& unfilteredOrder);

private:
    const QSet<Object*>& p_filteredSet() const;
    void p_insertIntoFiltered(const QList<Object*>& run, qsizetype index);

    QList<Object*> m_unfiltered;
    QList<Object*> m_filtered;
    // Built at the first question of membership and kept up to date from then on: most arrays are
    // filtered, read in order and dropped without ever being asked one.
    mutable std::optional<QSet<Object*>> m_unfilteredSet;
    mutable std::optional<QSet<Object*>> m_filteredSet;
    platform::PredicatePtr m_filterPredicate;
    quint64 m_limit = NoLimit;
    bool m_needsFiltering = false;
    quint64 m_changeCount = 0;
    quint64 m_unfilteredChangeCount = 0;
};
