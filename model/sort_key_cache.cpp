#include "model/sort_key_cache.h"

#include <algorithm>
#include <vector>

namespace {

// One member's numbers moved along with its place in the list before sorting, which breaks ties as a
// stable sort would.
struct Row {
    double first = 0;
    double second = 0;
    qsizetype index = 0;
};

bool rowsTie(const Row& a, const Row& b) {
    return a.first == b.first && a.second == b.second;
}

}  // namespace

void TDSortKeyCache::p_useDescriptor(const TDTaskSortDescriptor& descriptor) {
    if (descriptor.key() == m_key && descriptor.ascending() == m_ascending &&
        descriptor.ignoreDisplayOrder() == m_ignoreDisplayOrder)
        return;
    m_keys.clear();
    m_key = descriptor.key();
    m_ascending = descriptor.ascending();
    m_ignoreDisplayOrder = descriptor.ignoreDisplayOrder();
}

void TDSortKeyCache::p_readMissing(const QList<Object*>& members, const TDTaskSortDescriptor& descriptor) {
    QList<Object*> missing;
    for (Object* member : members)
        if (!m_keys.contains(member)) missing.append(member);
    if (missing.isEmpty()) return;
    QVariantList objects;
    objects.reserve(missing.size());
    for (Object* member : std::as_const(missing)) objects.append(platform::objectVariant(member));
    const std::vector<Key> keys = descriptor.numericKeys(objects);
    m_keys.reserve(m_keys.size() + missing.size());
    for (qsizetype i = 0; i < missing.size(); ++i) m_keys.insert(missing.at(i), keys[size_t(i)]);
}

// The rows are what the descriptor's own sort compares when its numbers are exact: the values, then the
// display order when every member has the same parent. Mixed parents, families or inexact numbers leave
// it to the descriptors.
std::optional<QList<platform::ManagedObject*>> TDSortKeyCache::sorted(
    const QList<Object*>& members, const QList<platform::SortDescriptor>& descriptors) {
    using Family = platform::SortValue::Family;
    const TDTaskSortDescriptor* first =
        descriptors.isEmpty() ? nullptr : TDTaskSortDescriptor::fromSortDescriptor(descriptors.first());
    if (!first) return std::nullopt;
    p_useDescriptor(*first);
    p_readMissing(members, *first);
    std::vector<Row> rows(size_t(members.size()));
    std::optional<Family> family;
    const Object* parent = nullptr;
    for (qsizetype i = 0; i < members.size(); ++i) {
        const Key& key = *m_keys.constFind(members.at(i));
        if (!key.isTask || !key.exact) return std::nullopt;
        if (key.family != Family::Nil) {
            if (family && *family != key.family) return std::nullopt;
            family = key.family;
        }
        if (i == 0) parent = key.parent;
        if (key.parent != parent) return std::nullopt;
        rows[size_t(i)] = {key.number, parent ? key.displayOrder : 0.0, i};
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.first != b.first) return a.first < b.first;
        if (a.second != b.second) return a.second < b.second;
        return a.index < b.index;
    });
    QList<Object*> order;
    order.reserve(members.size());
    for (const Row& row : rows) order.append(members.at(row.index));
    // Members the first descriptor ties go by the others, in the order they stand.
    if (descriptors.size() > 1) {
        const QList<platform::SortDescriptor> rest = descriptors.mid(1);
        for (size_t begin = 0; begin < rows.size();) {
            size_t end = begin + 1;
            while (end < rows.size() && rowsTie(rows[end], rows[begin])) ++end;
            if (end - begin > 1) {
                QVariantList tied;
                for (size_t i = begin; i < end; ++i)
                    tied.append(platform::objectVariant(order.at(qsizetype(i))));
                const std::vector<qsizetype> within = platform::sortedOrder(tied, rest);
                for (size_t i = 0; i < within.size(); ++i)
                    order[qsizetype(begin + i)] = members.at(rows[begin + size_t(within[i])].index);
            }
            begin = end;
        }
    }
    return order;
}
