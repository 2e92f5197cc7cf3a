#pragma once

#include "model/ordered_collection.h"
#include "platform/predicates/predicate.h"
#include "platform/predicates/sort_descriptor.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

class TDGroup;
class TDList;

// What "today" and the user's settings are while sections are built; read once, so every section of one
// grouping agrees on them.
struct TDSectionSettings {
    QDateTime today;  // start of the current day
    qint64 nearFutureNumberOfDays = 7;
    double secondsPerDay = 28800;
    double secondsPerWeek = 144000;
    // From the program's clock and the user defaults "nearFutureNumberOfDays", "secondsPerDay" and
    // "secondsPerWeek" (a day and a week keep 28800 and 144000 where the defaults hold nothing).
    static TDSectionSettings current();
};

using TDSectionList = std::vector<std::unique_ptr<TDOrderedCollection>>;

// The sections of `group` grouped by `attribute`: "subgroup" (one per list among the subgroups, cut to
// `groupingLimit`), "dueOrStartDate" (the seven Today sections), "priority", "list", a date or a time
// attribute; anything else gives none. Each section built from a condition is filtered by an AND of
// `filterPredicate` (held, not copied, so switching it is seen) and that condition. A section copied from
// another owns that source as its QObject child.
TDSectionList TDMakeSections(TDGroup* group, const QString& attribute, bool reverse,
                             const platform::PredicatePtr& filterPredicate, quint64 groupingLimit,
                             const TDSectionSettings& settings);

// The order of tasks for a sorting attribute: none (the manual order) for no attribute, "dueOrStartDate"
// and "list"; list then priority for "priority"; else the attribute then the list.
QList<platform::SortDescriptor> TDSortDescriptorsForAttribute(const QString& attribute, bool reverse);

// The section's user information, under the keys "predicateForChildren", "isSortingSection", "list" and
// "source" (null or NO where a section has none).
platform::PredicatePtr TDSectionPredicateForChildren(TDOrderedCollection* section);
bool TDSectionIsSortingSection(TDOrderedCollection* section);
TDList* TDSectionListOf(TDOrderedCollection* section);
TDOrderedCollection* TDSectionSource(TDOrderedCollection* section);
