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

void TDSortKeyCache::p_readKeys(const QList<Object*>& members, const TDTaskSortDescriptor& descriptor) {
    if (!m_lastOrder.isEmpty() && members == m_lastOrder) return;
    m_lastOrder.clear();
    std::vector<Key>& keys = m_lastKeys;
    keys.assign(size_t(members.size()), Key());
    QList<qsizetype> missing;
    for (qsizetype i = 0; i < members.size(); ++i) {
        const auto found = m_keys.constFind(members.at(i));
        if (found != m_keys.constEnd())
            keys[size_t(i)] = *found;
        else
            missing.append(i);
    }
    if (missing.isEmpty()) return;
    QVariantList objects;
    objects.reserve(missing.size());
    for (const qsizetype i : std::as_const(missing)) objects.append(platform::objectVariant(members.at(i)));
    const std::vector<Key> read = descriptor.numericKeys(objects);
    m_keys.reserve(m_keys.size() + missing.size());
    for (qsizetype k = 0; k < missing.size(); ++k) {
        const qsizetype i = missing.at(k);
        keys[size_t(i)] = read[size_t(k)];
        m_keys.insert(members.at(i), read[size_t(k)]);
    }
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
    p_readKeys(members, *first);
    const std::vector<Key> keys = std::move(m_lastKeys);
    m_lastOrder.clear();
    std::vector<Row> rows(size_t(members.size()));
    std::optional<Family> family;
    const Object* parent = nullptr;
    for (qsizetype i = 0; i < members.size(); ++i) {
        const Key& key = keys[size_t(i)];
        if (!key.isTask || !key.exact) return std::nullopt;
        if (key.family != Family::Nil) {
            if (family && *family != key.family) return std::nullopt;
            family = key.family;
        }
        if (i == 0) parent = key.parent;
        if (key.parent != parent) return std::nullopt;
        rows[size_t(i)] = {key.number, parent ? key.displayOrder : 0.0, i};
    }
    const auto before = [](const Row& a, const Row& b) {
        if (a.first != b.first) return a.first < b.first;
        if (a.second != b.second) return a.second < b.second;
        return a.index < b.index;
    };
    // A list sorted before is usually still in order: one pass tells.
    const bool inOrder = std::is_sorted(rows.begin(), rows.end(), before);
    if (!inOrder) std::sort(rows.begin(), rows.end(), before);
    // Where each place of the order takes its member from.
    std::vector<qsizetype> from(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) from[i] = rows[i].index;
    QList<Object*> order;
    if (inOrder) {
        order = members;
    } else {
        order.reserve(members.size());
        for (const Row& row : rows) order.append(members.at(row.index));
    }
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
                for (size_t i = 0; i < within.size(); ++i) {
                    from[begin + i] = rows[begin + size_t(within[i])].index;
                    order[qsizetype(begin + i)] = members.at(from[begin + i]);
                }
            }
            begin = end;
        }
    }
    m_lastKeys.resize(keys.size());
    for (size_t i = 0; i < from.size(); ++i) m_lastKeys[i] = keys[size_t(from[i])];
    m_lastOrder = order;
    return order;
}
