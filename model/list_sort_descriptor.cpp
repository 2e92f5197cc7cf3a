#include "model/list_sort_descriptor.h"

#include "model/group.h"

#include <vector>

namespace {

// The group of each object, read when a comparison first needs it: the first descriptors of a sort
// leave most objects' groups unread.
class ListSortKeys final : public platform::SortKeys {
public:
    ListSortKeys(const QVariantList& objects, const QString& key)
        : m_objects(objects), m_key(platform::Expression::keyPath(key)), m_groups(size_t(objects.size())) {}

    std::weak_ordering compare(qsizetype a, qsizetype b) const override {
        return TDListSortDescriptor::compareGroups(p_group(a), p_group(b));
    }

private:
    struct Group {
        bool known = false;
        const TDGroup* group = nullptr;
    };
    const TDGroup* p_group(qsizetype index) const {
        Group& entry = m_groups[size_t(index)];
        if (!entry.known)
            entry = {true, dynamic_cast<TDGroup*>(
                               platform::objectFromVariant(m_key.evaluate(m_objects.at(index))))};
        return entry.group;
    }

    const QVariantList& m_objects;
    const platform::Expression m_key;
    mutable std::vector<Group> m_groups;
};

}  // namespace

TDListSortDescriptor::TDListSortDescriptor(const QString& key, bool ascending)
    : platform::SortDescriptor(
          key, ascending,
          [key](const QVariant& left, const QVariant& right) { return compareGroups(left, right, key); },
          [key](const QVariantList& objects) { return std::make_unique<ListSortKeys>(objects, key); }) {
}

std::weak_ordering TDListSortDescriptor::compareGroups(const QVariant& left, const QVariant& right,
                                                       const QString& key) {
    return compareGroups(
        dynamic_cast<TDGroup*>(platform::objectFromVariant(platform::valueForKeyPath(left, key))),
        dynamic_cast<TDGroup*>(platform::objectFromVariant(platform::valueForKeyPath(right, key))));
}

std::weak_ordering TDListSortDescriptor::compareGroups(const TDGroup* a, const TDGroup* b) {
    if (a == b) return std::weak_ordering::equivalent;
    if (a && a->isInboxGroup()) return std::weak_ordering::less;
    if (b && b->isInboxGroup()) return std::weak_ordering::greater;
    return platform::compareForSorting(a ? QVariant(a->title()) : QVariant(),
                                       b ? QVariant(b->title()) : QVariant(),
                                       platform::SortDescriptor::Comparison::CaseInsensitive);
}
