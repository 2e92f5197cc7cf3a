#pragma once

#include "platform/base/local_day.h"
#include "platform/kvc/key_value_coding.h"
#include "platform/predicates/expression.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <compare>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

// A value classified once for sorting: nil, then numbers, strings, dates, and everything else as equals.
class SortValue final {
public:
    enum class Family { Nil, Number, String, Date, Other };

    SortValue() = default;
    // `dates` converts local dates faster when many values are read in a row.
    explicit SortValue(const QVariant& value, TDEpochMSecsReader* dates = nullptr);

    Family family() const { return m_family; }
    bool isInteger() const { return m_integer; }
    qint64 integer() const { return m_integerValue; }  // also a date's milliseconds since the epoch
    double real() const { return m_integer ? double(m_integerValue) : m_real; }
    const QString& string() const { return m_string; }

private:
    Family m_family = Family::Nil;
    bool m_integer = false;
    qint64 m_integerValue = 0;
    double m_real = 0;
    QString m_string;
};

// One descriptor's keys for a whole list of objects, read once per object, so that the comparisons of a
// sort look nothing up. Made for one sort on one thread.
class SortKeys {
public:
    virtual ~SortKeys() = default;
    // The order of the objects at indexes a and b of the list, as the descriptor compares the objects.
    virtual std::weak_ordering compare(qsizetype a, qsizetype b) const = 0;
    // One number per object whose order agrees with compare() wherever two numbers differ (equal numbers
    // leave the decision to compare()); false when the keys are not numbers. Sorting then moves the
    // numbers along instead of reaching for each object's keys.
    virtual bool leadingNumbers(std::vector<double>& numbers) const {
        Q_UNUSED(numbers);
        return false;
    }
    // Numbers that decide compare() outright: compare(a, b) is the order of the rows of `width` numbers
    // of a and b read left to right, equal rows equivalent. Rows follow the objects' order in `numbers`;
    // answers the width (1 or 2), or 0 when the keys cannot be put so. Sorting then never asks compare().
    virtual int exactNumbers(std::vector<double>& numbers) const {
        Q_UNUSED(numbers);
        return 0;
    }
};

// One level of an ordering: the values at a key path compared as numbers, strings or dates, nil before
// everything else when ascending. A custom comparator sees the two objects themselves and its answer
// is final: it applies the direction (and places missing values) as it needs.
class SortDescriptor {
public:
    enum class Comparison { Default, CaseInsensitive, Localized, LocalizedCaseInsensitive };
    using Comparator = std::function<std::weak_ordering(const QVariant& left, const QVariant& right)>;
    // Reads the keys a comparator compares, once per object, for sorting many objects.
    using KeyReader = std::function<std::unique_ptr<SortKeys>(const QVariantList& objects)>;

    // "self" (in any letter case) compares the objects themselves.
    explicit SortDescriptor(const QString& keyPath, bool ascending = true,
                            Comparison comparison = Comparison::Default);
    SortDescriptor(const QString& keyPath, bool ascending, Comparator comparator, KeyReader keyReader = {});

    const QString& keyPath() const { return m_keyPath; }
    bool ascending() const { return m_ascending; }
    Comparison comparison() const { return m_comparison; }
    bool hasComparator() const { return bool(m_comparator); }
    const KeyReader& keyReader() const { return m_keyReader; }

    QVariant valueForObject(const QVariant& object) const { return m_key.evaluate(object); }
    std::weak_ordering compareObjects(const QVariant& left, const QVariant& right) const;
    // The comparison of two values read from objects, with the descriptor's direction.
    std::weak_ordering compareValues(const QVariant& left, const QVariant& right) const;
    // The keys of every object, compared as compareObjects() compares the objects.
    std::unique_ptr<SortKeys> keysForObjects(const QVariantList& objects) const;

private:
    QString m_keyPath;
    Expression m_key;
    bool m_ascending = true;
    Comparison m_comparison = Comparison::Default;
    Comparator m_comparator;
    KeyReader m_keyReader;
};

// Keys that are plain values read once per object, compared as compareForSorting() compares them.
std::unique_ptr<SortKeys> sortKeysForValues(std::vector<SortValue> values, bool ascending,
                                            SortDescriptor::Comparison comparison);

// A total order over values for sorting: nil first, then numbers, strings, dates, and everything else
// as equals; strings as `comparison` says (the localized kinds through the collator of the current locale).
std::weak_ordering compareForSorting(
    const QVariant& left, const QVariant& right,
    SortDescriptor::Comparison comparison = SortDescriptor::Comparison::Default);
std::weak_ordering compareForSorting(
    const SortValue& left, const SortValue& right,
    SortDescriptor::Comparison comparison = SortDescriptor::Comparison::Default);
// A number for leadingNumbers() that orders as compareForSorting() orders numbers and dates (NaN first).
double sortingNumber(const SortValue& value);
// Whether sortingNumber() keeps every distinction compareForSorting() makes between such values: no NaN
// or infinity (nil stands for one) and no integer beyond what a double holds exactly.
bool hasExactSortingNumber(const SortValue& value);

// The permutation that orders `objects` by the descriptors, first one first; equal objects keep their
// order. Each descriptor's keys are read once per object.
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
