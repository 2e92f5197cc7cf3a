#pragma once

#include "platform/predicates/sort_descriptor.h"

class TDGroup;

// Sorts by the group under its key (a task's "list"): the Inbox first, then by title ignoring case,
// whatever the direction.
class TDListSortDescriptor final : public platform::SortDescriptor {
public:
    explicit TDListSortDescriptor(const QString& key = QStringLiteral("list"), bool ascending = true);
    static std::weak_ordering compareGroups(const QVariant& left, const QVariant& right, const QString& key);
    static std::weak_ordering compareGroups(const TDGroup* a, const TDGroup* b);
};
