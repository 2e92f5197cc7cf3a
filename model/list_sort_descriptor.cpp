#include "model/list_sort_descriptor.h"

#include "model/group.h"

TDListSortDescriptor::TDListSortDescriptor(const QString& key, bool ascending)
    : platform::SortDescriptor(key, ascending, [key](const QVariant& left, const QVariant& right) {
          return compareGroups(left, right, key);
      }) {
}

std::weak_ordering TDListSortDescriptor::compareGroups(const QVariant& left, const QVariant& right,
                                                       const QString& key) {
    auto* a = dynamic_cast<TDGroup*>(platform::objectFromVariant(platform::valueForKeyPath(left, key)));
    auto* b = dynamic_cast<TDGroup*>(platform::objectFromVariant(platform::valueForKeyPath(right, key)));
    if (a == b) return std::weak_ordering::equivalent;
    if (a && a->isInboxGroup()) return std::weak_ordering::less;
    if (b && b->isInboxGroup()) return std::weak_ordering::greater;
    return platform::compareForSorting(a ? QVariant(a->title()) : QVariant(),
                                       b ? QVariant(b->title()) : QVariant(),
                                       platform::SortDescriptor::Comparison::CaseInsensitive);
}
