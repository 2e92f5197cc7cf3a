#pragma once

#include "platform/objectstore/managed_object.h"
#include "platform/predicates/sort_descriptor.h"

#include <vector>

// Sorts tasks by one of their values: missing values (and a priority or total estimate of 0) go last in
// either direction, except for "completedDate", where open tasks come first; equal values keep the
// manual order of siblings.
class TDTaskSortDescriptor final : public platform::SortDescriptor {
public:
    enum SortKey { PlainKey = 0, PriorityKey = 1, TotalEstimatedTimeKey = 2, CompletedDateKey = 3 };

    // "actualTime", "completedDate", "createdDate" and "modifiedDate" turn the direction round, so
    // that ascending puts the largest time and the newest date first.
    static TDTaskSortDescriptor sortDescriptorWithKey(const QString& key, bool ascending);
    TDTaskSortDescriptor(const QString& key, bool ascending);

    const QString& key() const { return m_key; }
    SortKey sortKey() const { return m_sortKey; }
    // Despite its name: nil values sort first when set.
    bool nilComesLast() const { return m_nilComesLast; }
    bool ignoreDisplayOrder() const { return m_ignoreDisplayOrder; }
    void setIgnoreDisplayOrder(bool ignore);

    std::weak_ordering compareTasks(const QVariant& left, const QVariant& right) const;
    // The value a task is sorted by, from the one at its key: nil for a priority or total estimate of 0.
    platform::SortValue sortKey(const QVariant& value, TDEpochMSecsReader* dates = nullptr) const;
    // Two tasks' sort values with the rules for missing ones and the direction; the siblings' order aside.
    std::weak_ordering compareSortValues(const platform::SortValue& a, const platform::SortValue& b) const;

    // A task's sort key as numbers, for keeping between sorts.
    struct NumericKey {
        double number = 0;  // with the direction applied and a missing value at its end, as sorting places it
        double displayOrder = 0;
        const platform::ManagedObject* parent = nullptr;  // whose children the display order ranks
        platform::SortValue::Family family = platform::SortValue::Family::Nil;
        bool isTask = false;
        // The numbers keep every distinction the comparison of the values and display orders makes.
        bool exact = false;
    };
    // The keys of the objects, read in one pass.
    std::vector<NumericKey> numericKeys(const QVariantList& objects) const;
    // The task descriptor a descriptor was made from, if any: a list of descriptors keeps only the base.
    static const TDTaskSortDescriptor* fromSortDescriptor(const platform::SortDescriptor& descriptor);

private:
    void p_install();

    QString m_key;
    SortKey m_sortKey = PlainKey;
    bool m_nilComesLast = false;
    bool m_ignoreDisplayOrder = false;
};
