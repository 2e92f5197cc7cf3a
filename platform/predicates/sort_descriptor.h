#pragma once

#include "platform/kvc/key_value_coding.h"
#include "platform/predicates/expression.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <compare>
#include <functional>
#include <vector>

namespace platform {

// One level of an ordering: the values at a key path compared as numbers, strings or dates, nil before
// everything else when ascending. A custom comparator sees the two objects themselves and its answer
// is final: it applies the direction (and places missing values) as it needs.
class SortDescriptor {
public:
    enum class Comparison { Default, CaseInsensitive, Localized, LocalizedCaseInsensitive };
    using Comparator = std::function<std::weak_ordering(const QVariant& left, const QVariant& right)>;

    // "self" (in any letter case) compares the objects themselves.
    explicit SortDescriptor(const QString& keyPath, bool ascending = true,
                            Comparison comparison = Comparison::Default);
    SortDescriptor(const QString& keyPath, bool ascending, Comparator comparator);

    const QString& keyPath() const { return m_keyPath; }
    bool ascending() const { return m_ascending; }
    Comparison comparison() const { return m_comparison; }
    bool hasComparator() const { return bool(m_comparator); }

    QVariant valueForObject(const QVariant& object) const { return m_key.evaluate(object); }
    std::weak_ordering compareObjects(const QVariant& left, const QVariant& right) const;
    // The comparison of two values read from objects, with the descriptor's direction.
    std::weak_ordering compareValues(const QVariant& left, const QVariant& right) const;

private:
    QString m_keyPath;
    Expression m_key;
    bool m_ascending = true;
    Comparison m_comparison = Comparison::Default;
    Comparator m_comparator;
};

// A total order over values for sorting: nil first, then numbers, strings, dates, and everything else
// as equals; strings as `comparison` says (the localized kinds through the collator of the current locale).
std::weak_ordering compareForSorting(
    const QVariant& left, const QVariant& right,
    SortDescriptor::Comparison comparison = SortDescriptor::Comparison::Default);

// The permutation that orders `objects` by the descriptors, first one first; equal objects keep their
// order. Each key-path value is read once per object.
std::vector<qsizetype> sortedOrder(const QVariantList& objects, const QList<SortDescriptor>& descriptors);

QVariantList sortedObjects(const QVariantList& objects, const QList<SortDescriptor>& descriptors);

// Sorts objects of a key-value coding class in place.
template <typename T>
void sortObjects(QList<T*>& objects, const QList<SortDescriptor>& descriptors);

template <typename T>
void sortObjects(QList<T*>& objects, const QList<SortDescriptor>& descriptors) {
    QVariantList values;
    values.reserve(objects.size());
    for (T* object : objects) values.append(objectVariant(object));
    const std::vector<qsizetype> order = sortedOrder(values, descriptors);
    QList<T*> sorted;
    sorted.reserve(objects.size());
    for (qsizetype i : order) sorted.append(objects.at(i));
    objects = std::move(sorted);
}

}  // namespace platform
