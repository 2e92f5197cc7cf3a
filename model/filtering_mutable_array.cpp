#include "model/filtering_mutable_array.h"

#include "model/sort_key_cache.h"
#include "model/whole_list_filter.h"

#include <algorithm>

namespace {

using Object = TDFilteringMutableArray::Object;

bool orderedBefore(Object* left, Object* right, const QList<platform::SortDescriptor>& order) {
    const QVariant l = platform::objectVariant(left);
    const QVariant r = platform::objectVariant(right);
    for (const platform::SortDescriptor& descriptor : order) {
        const std::weak_ordering c = descriptor.compareObjects(l, r);
        if (c != 0) return c < 0;
    }
    return false;
}

// After every member it does not come before, as a stable sort would have put it.
void insertInOrder(QList<Object*>& list, Object* object, const QList<platform::SortDescriptor>& order) {
    const auto at = std::upper_bound(list.begin(), list.end(), object,
                                     [&order](Object* a, Object* b) { return orderedBefore(a, b, order); });
    list.insert(at, object);
}

}  // namespace

TDFilteringMutableArray::TDFilteringMutableArray(const QList<Object*>& objects)
    : m_unfiltered(objects), m_filtered(objects) {
}

const QSet<TDFilteringMutableArray::Object*>& TDFilteringMutableArray::unfilteredObjectSet() const {
    if (!m_unfilteredSet) m_unfilteredSet.emplace(m_unfiltered.begin(), m_unfiltered.end());
    return *m_unfilteredSet;
}

const QSet<TDFilteringMutableArray::Object*>& TDFilteringMutableArray::p_filteredSet() const {
    if (!m_filteredSet) m_filteredSet.emplace(m_filtered.begin(), m_filtered.end());
    return *m_filteredSet;
}

void TDFilteringMutableArray::setFilterPredicate(const platform::PredicatePtr& predicate) {
    if (predicate == m_filterPredicate) return;
    m_filterPredicate = predicate;
    m_needsFiltering = true;
    ++m_changeCount;
}

void TDFilteringMutableArray::setNeedsFiltering(bool needs) {
    m_needsFiltering = needs;
    if (needs) ++m_changeCount;
}

void TDFilteringMutableArray::setLimit(quint64 limit) {
    m_limit = limit == 0 ? NoLimit : limit;
}

// Rebuilt whenever marked, an emptied list included, so the visible list never keeps a stale member.
void TDFilteringMutableArray::filterIfNeeded() {
    if (!m_needsFiltering) return;
    m_filtered = m_filterPredicate ? TDFilterObjects(*m_filterPredicate, m_unfiltered) : m_unfiltered;
    m_filteredSet.reset();
    m_needsFiltering = false;
    ++m_changeCount;
}

qsizetype TDFilteringMutableArray::count() {
    filterIfNeeded();
    return static_cast<qsizetype>(std::min<quint64>(static_cast<quint64>(m_filtered.size()), m_limit));
}

TDFilteringMutableArray::Object* TDFilteringMutableArray::objectAtIndex(qsizetype index) {
    if (index < 0 || index >= count()) return nullptr;
    return m_filtered.at(index);
}

bool TDFilteringMutableArray::containsObject(Object* object) {
    filterIfNeeded();
    if (!p_filteredSet().contains(object)) return false;
    return m_limit == NoLimit || m_filtered.indexOf(object) < count();
}

QList<TDFilteringMutableArray::Object*> TDFilteringMutableArray::visibleObjects() {
    return m_filtered.mid(0, count());
}

void TDFilteringMutableArray::addObject(Object* object) {
    if (!object || unfilteredObjectSet().contains(object)) return;
    m_unfiltered.append(object);
    m_unfilteredSet->insert(object);
    m_needsFiltering = true;
    ++m_changeCount;
    ++m_unfilteredChangeCount;
}

void TDFilteringMutableArray::insertObjectAtUnfilteredIndex(Object* object, qsizetype index) {
    insertObjectsAtUnfilteredIndex({object}, index);
}

void TDFilteringMutableArray::insertObjectsAtUnfilteredIndex(const QList<Object*>& objects, qsizetype index) {
    QList<Object*> run;
    QSet<Object*> inRun;
    bool moved = false;
    for (Object* object : objects) {
        if (!object || inRun.contains(object)) continue;
        inRun.insert(object);
        if (unfilteredObjectSet().contains(object)) {
            moved = true;
            const qsizetype position = m_unfiltered.indexOf(object);
            if (position < index) --index;
            m_unfiltered.removeAt(position);
        }
        run.append(object);
    }
    index = std::clamp<qsizetype>(index, 0, m_unfiltered.size());
    for (qsizetype i = 0; i < run.size(); ++i) m_unfiltered.insert(index + i, run.at(i));
    if (m_unfilteredSet)
        for (Object* object : run) m_unfilteredSet->insert(object);
    // A visible list in step takes the new members where they stand, so that adding one member to a
    // long list does not filter all of it again.
    if (!m_needsFiltering && !moved)
        p_insertIntoFiltered(run, index);
    else
        m_needsFiltering = true;
    ++m_changeCount;
    ++m_unfilteredChangeCount;
}

// The run stands at `index` of the unfiltered list; it goes after the nearest visible member before it.
void TDFilteringMutableArray::p_insertIntoFiltered(const QList<Object*>& run, qsizetype index) {
    qsizetype at = 0;
    for (qsizetype i = index - 1; i >= 0; --i) {
        Object* before = m_unfiltered.at(i);
        if (p_filteredSet().contains(before)) {
            at = m_filtered.indexOf(before) + 1;
            break;
        }
    }
    for (Object* object : run) {
        if (m_filterPredicate && !m_filterPredicate->evaluate(object)) continue;
        m_filtered.insert(at++, object);
        if (m_filteredSet) m_filteredSet->insert(object);
    }
}

bool TDFilteringMutableArray::removeObjectAtIndex(qsizetype index) {
    Object* object = objectAtIndex(index);
    if (!object) return false;
    removeObject(object);
    return true;
}

void TDFilteringMutableArray::removeObject(Object* object) {
    if (m_filteredSet) m_filteredSet->remove(object);
    m_filtered.removeAll(object);
    m_unfiltered.removeAll(object);
    if (m_unfilteredSet) m_unfilteredSet->remove(object);
}

bool TDFilteringMutableArray::removeLastObject() {
    const qsizetype n = count();
    return n > 0 && removeObjectAtIndex(n - 1);
}

bool TDFilteringMutableArray::replaceObjectAtIndex(qsizetype index, Object* object) {
    Object* old = objectAtIndex(index);
    if (!object || !old) return false;
    if (old == object) return true;
    removeObject(object);  // a replacement already present elsewhere takes the old place only
    index = m_filtered.indexOf(old);
    m_filtered[index] = object;
    if (m_filteredSet) {
        m_filteredSet->remove(old);
        m_filteredSet->insert(object);
    }
    m_unfiltered[m_unfiltered.indexOf(old)] = object;
    if (m_unfilteredSet) {
        m_unfilteredSet->remove(old);
        m_unfilteredSet->insert(object);
    }
    ++m_changeCount;
    ++m_unfilteredChangeCount;
    return true;
}

void TDFilteringMutableArray::sortUsingDescriptors(const QList<platform::SortDescriptor>& descriptors,
                                                   TDSortKeyCache* keys) {
    filterIfNeeded();
    if (std::optional<QList<Object*>> sorted = keys ? keys->sorted(m_filtered, descriptors) : std::nullopt)
        m_filtered = std::move(*sorted);
    else
        platform::sortObjects(m_filtered, descriptors);
    ++m_changeCount;
}

void TDFilteringMutableArray::sortUnfilteredArrayUsingDescriptors(
    const QList<platform::SortDescriptor>& descriptors) {
    platform::sortObjects(m_unfiltered, descriptors);
    ++m_changeCount;
    ++m_unfilteredChangeCount;
}

// Taken out first, so that each goes back by binary search into lists that are wholly in order.
void TDFilteringMutableArray::placeMembers(const QList<Object*>& changed,
                                           const QList<platform::SortDescriptor>& filteredOrder,
                                           const QList<platform::SortDescriptor>& unfilteredOrder) {
    QList<Object*> members;
    for (Object* object : changed) {
        if (!unfilteredObjectSet().contains(object) || members.contains(object)) continue;
        members.append(object);
        m_unfiltered.removeOne(object);
        if (m_filtered.removeOne(object) && m_filteredSet) m_filteredSet->remove(object);
    }
    for (Object* object : std::as_const(members)) {
        insertInOrder(m_unfiltered, object, unfilteredOrder);
        if (m_filterPredicate && !m_filterPredicate->evaluate(object)) continue;
        insertInOrder(m_filtered, object, filteredOrder);
        if (m_filteredSet) m_filteredSet->insert(object);
    }
    m_needsFiltering = false;
    ++m_changeCount;
    ++m_unfilteredChangeCount;
}
