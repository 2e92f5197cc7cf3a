#include "platform/predicates/sort_descriptor.h"

#include "platform/predicates/value_comparison.h"

#include <QDateTime>
#include <QLocale>

#include <unicode/ucol.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <numeric>
#include <optional>
#include <utility>

namespace platform {

namespace {

// Collators are not shared between threads; each thread keeps its own for the current locale.
struct Collators {
    QLocale locale;
    std::unique_ptr<UCollator, decltype(&ucol_close)> plain{nullptr, &ucol_close};
    std::unique_ptr<UCollator, decltype(&ucol_close)> caseless{nullptr, &ucol_close};
};

UCollator* collator(bool caseInsensitive) {
    thread_local Collators collators;
    const QLocale current;
    if (!collators.plain || collators.locale != current) {
        UErrorCode status = U_ZERO_ERROR;
        const QByteArray locale = current.name().toUtf8();
        collators.plain.reset(ucol_open(locale.constData(), &status));
        status = U_ZERO_ERROR;
        collators.caseless.reset(ucol_open(locale.constData(), &status));
        if (collators.caseless) ucol_setStrength(collators.caseless.get(), UCOL_SECONDARY);
        collators.locale = current;
    }
    return caseInsensitive ? collators.caseless.get() : collators.plain.get();
}

std::weak_ordering fromInt(int result) {
    return result < 0   ? std::weak_ordering::less
           : result > 0 ? std::weak_ordering::greater
                        : std::weak_ordering::equivalent;
}

std::weak_ordering compareStrings(const QString& a, const QString& b, SortDescriptor::Comparison comparison) {
    using Comparison = SortDescriptor::Comparison;
    switch (comparison) {
        case Comparison::Default:
            return fromInt(a.compare(b, Qt::CaseSensitive));
        case Comparison::CaseInsensitive:
            return fromInt(a.compare(b, Qt::CaseInsensitive));
        case Comparison::Localized:
        case Comparison::LocalizedCaseInsensitive:
            break;
    }
    UCollator* c = collator(comparison == Comparison::LocalizedCaseInsensitive);
    if (!c) return fromInt(a.localeAwareCompare(b));
    switch (ucol_strcoll(c, reinterpret_cast<const UChar*>(a.utf16()), int32_t(a.size()),
                         reinterpret_cast<const UChar*>(b.utf16()), int32_t(b.size()))) {
        case UCOL_LESS:
            return std::weak_ordering::less;
        case UCOL_GREATER:
            return std::weak_ordering::greater;
        default:
            return std::weak_ordering::equivalent;
    }
}

}  // namespace

SortValue::SortValue(const QVariant& value, TDEpochMSecsReader* dates) {
    using Kind = ComparableValue::Kind;
    if (isNilValue(value)) return;
    // The types that keys hold most, without classifying them through a comparable value.
    switch (value.metaType().id()) {
        case QMetaType::QDateTime:
            m_family = Family::Date;
            m_integer = true;
            m_integerValue = dates ? dates->msecsSinceEpoch(*static_cast<const QDateTime*>(value.constData()))
                                   : static_cast<const QDateTime*>(value.constData())->toMSecsSinceEpoch();
            return;
        case QMetaType::Double:
            m_family = Family::Number;
            m_real = *static_cast<const double*>(value.constData());
            return;
        case QMetaType::LongLong:
            m_family = Family::Number;
            m_integer = true;
            m_integerValue = *static_cast<const qlonglong*>(value.constData());
            return;
        default:
            break;
    }
    const ComparableValue v(value, {});
    switch (v.kind()) {
        case Kind::Nil:
            return;
        case Kind::Integer:
            m_family = Family::Number;
            m_integer = true;
            m_integerValue = v.integer();
            return;
        case Kind::Real:
            m_family = Family::Number;
            m_real = v.real();
            return;
        case Kind::String:
            m_family = Family::String;
            m_string = v.string();
            return;
        case Kind::Date:
            m_family = Family::Date;
            m_integer = true;
            m_integerValue = v.msecs();
            return;
        case Kind::Object:
        case Kind::Collection:
        case Kind::Other:
            m_family = Family::Other;
            return;
    }
}

std::weak_ordering compareForSorting(const SortValue& a, const SortValue& b,
                                     SortDescriptor::Comparison comparison) {
    using Family = SortValue::Family;
    if (a.family() != b.family()) return int(a.family()) <=> int(b.family());
    switch (a.family()) {
        case Family::Number:
            if (a.isInteger() && b.isInteger()) return a.integer() <=> b.integer();
            // NaN sorts before every other number so that the order stays total.
            if (std::isnan(a.real()) || std::isnan(b.real()))
                return !std::isnan(a.real()) <=> !std::isnan(b.real());
            return std::weak_order(a.real(), b.real());
        case Family::String:
            return compareStrings(a.string(), b.string(), comparison);
        case Family::Date:
            return a.integer() <=> b.integer();
        case Family::Nil:
        case Family::Other:
            break;
    }
    return std::weak_ordering::equivalent;
}

std::weak_ordering compareForSorting(const QVariant& left, const QVariant& right,
                                     SortDescriptor::Comparison comparison) {
    return compareForSorting(SortValue(left), SortValue(right), comparison);
}

double sortingNumber(const SortValue& value) {
    const double number = value.real();
    return std::isnan(number) ? -std::numeric_limits<double>::infinity() : number;
}

bool hasExactSortingNumber(const SortValue& value) {
    constexpr qint64 exactLimit = qint64(1) << 53;
    if (value.isInteger()) return value.integer() >= -exactLimit && value.integer() <= exactLimit;
    return std::isfinite(value.real());  // nil stands for an infinity
}

namespace {

class ValueKeys final : public SortKeys {
public:
    ValueKeys(std::vector<SortValue> values, bool ascending, SortDescriptor::Comparison comparison)
        : m_values(std::move(values)), m_ascending(ascending), m_comparison(comparison) {}

    std::weak_ordering compare(qsizetype a, qsizetype b) const override {
        const std::weak_ordering result =
            compareForSorting(m_values[size_t(a)], m_values[size_t(b)], m_comparison);
        return m_ascending ? result : 0 <=> result;
    }

    // Nil and one family of numbers or dates; nil as the lowest number.
    bool leadingNumbers(std::vector<double>& numbers) const override {
        using Family = SortValue::Family;
        std::optional<Family> family;
        for (const SortValue& value : m_values) {
            if (value.family() == Family::Nil) continue;
            if (value.family() != Family::Number && value.family() != Family::Date) return false;
            if (family && *family != value.family()) return false;
            family = value.family();
        }
        numbers.clear();
        numbers.reserve(m_values.size());
        for (const SortValue& value : m_values) {
            const double number = value.family() == Family::Nil ? -std::numeric_limits<double>::infinity()
                                                                : sortingNumber(value);
            numbers.push_back(m_ascending ? number : -number);
        }
        return true;
    }

    int exactNumbers(std::vector<double>& numbers) const override {
        for (const SortValue& value : m_values)
            if (value.family() != SortValue::Family::Nil && !hasExactSortingNumber(value)) return 0;
        return leadingNumbers(numbers) ? 1 : 0;
    }

private:
    std::vector<SortValue> m_values;
    bool m_ascending;
    SortDescriptor::Comparison m_comparison;
};

// A comparator that reads its keys itself, asked about the objects at each comparison.
class ComparatorKeys final : public SortKeys {
public:
    ComparatorKeys(const SortDescriptor& descriptor, const QVariantList& objects)
        : m_descriptor(descriptor), m_objects(objects) {}
    std::weak_ordering compare(qsizetype a, qsizetype b) const override {
        return m_descriptor.compareObjects(m_objects.at(a), m_objects.at(b));
    }

private:
    const SortDescriptor& m_descriptor;
    const QVariantList& m_objects;
};

}  // namespace

std::unique_ptr<SortKeys> sortKeysForValues(std::vector<SortValue> values, bool ascending,
                                            SortDescriptor::Comparison comparison) {
    return std::make_unique<ValueKeys>(std::move(values), ascending, comparison);
}

SortDescriptor::SortDescriptor(const QString& keyPath, bool ascending, Comparison comparison)
    : m_keyPath(keyPath),
      m_key(keyPath.compare(QLatin1String("self"), Qt::CaseInsensitive) == 0 ? Expression::evaluatedObject()
                                                                             : Expression::keyPath(keyPath)),
      m_ascending(ascending),
      m_comparison(comparison) {
}

SortDescriptor::SortDescriptor(const QString& keyPath, bool ascending, Comparator comparator,
                               KeyReader keyReader)
    : SortDescriptor(keyPath, ascending) {
    m_comparator = std::move(comparator);
    m_keyReader = std::move(keyReader);
}

std::weak_ordering SortDescriptor::compareValues(const QVariant& left, const QVariant& right) const {
    const std::weak_ordering result = compareForSorting(left, right, m_comparison);
    return m_ascending ? result : 0 <=> result;
}

std::weak_ordering SortDescriptor::compareObjects(const QVariant& left, const QVariant& right) const {
    if (m_comparator) return m_comparator(left, right);
    return compareValues(valueForObject(left), valueForObject(right));
}

std::unique_ptr<SortKeys> SortDescriptor::keysForObjects(const QVariantList& objects) const {
    if (m_keyReader) return m_keyReader(objects);
    if (m_comparator) return std::make_unique<ComparatorKeys>(*this, objects);
    std::vector<SortValue> values;
    values.reserve(size_t(objects.size()));
    TDEpochMSecsReader dates;
    // Objects lie scattered in memory: the one `kAhead` on gets the line of its key fetched, the one
    // twice as far the line that says where it is.
    constexpr qsizetype kAhead = 32;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        if (i + 2 * kAhead < objects.size())
            __builtin_prefetch(objectFromVariant(objects.at(i + 2 * kAhead)));
        if (i + kAhead < objects.size()) m_key.prefetchStoredValue(objects.at(i + kAhead));
        const QVariant& object = objects.at(i);
        if (const QVariant* stored = m_key.storedValue(object))
            values.emplace_back(*stored, &dates);
        else
            values.emplace_back(valueForObject(object), &dates);
    }
    return sortKeysForValues(std::move(values), m_ascending, m_comparison);
}

namespace {

// Each descriptor's keys, read when a comparison first needs them: when the leading descriptors decide
// every comparison, the later ones read nothing.
class Keys {
public:
    Keys(const QVariantList& objects, const QList<SortDescriptor>& descriptors)
        : m_objects(objects), m_descriptors(descriptors), m_keys(size_t(descriptors.size())) {}
    size_t size() const { return m_keys.size(); }
    bool empty() const { return m_keys.empty(); }
    const SortKeys& operator[](size_t index) const {
        std::unique_ptr<SortKeys>& keys = m_keys[index];
        if (!keys) keys = m_descriptors.at(qsizetype(index)).keysForObjects(m_objects);
        return *keys;
    }
    const SortKeys& front() const { return (*this)[0]; }

private:
    const QVariantList& m_objects;
    const QList<SortDescriptor>& m_descriptors;
    mutable std::vector<std::unique_ptr<SortKeys>> m_keys;
};

// One object's exact numbers so far, moved along with its index while sorting.
struct ExactRow {
    double first = 0;
    double second = 0;
    qsizetype index = 0;
};

// Rows of equal numbers, as [begin, end) ranges of the sorted rows.
std::vector<std::pair<size_t, size_t>> tiedRuns(const std::vector<ExactRow>& rows) {
    std::vector<std::pair<size_t, size_t>> runs;
    for (size_t begin = 0; begin < rows.size();) {
        size_t end = begin + 1;
        while (end < rows.size() && rows[end].first == rows[begin].first &&
               rows[end].second == rows[begin].second)
            ++end;
        if (end - begin > 1) runs.emplace_back(begin, end);
        begin = end;
    }
    return runs;
}

// Sorting by the leading descriptors' exact numbers: rows compare without reaching for any object, and
// the index breaks ties, which makes the order the one a stable sort gives. Descriptors that follow are
// read only for rows their predecessors leave tied: as numbers while the rows hold them, else through
// compare() within each tied run. Nothing when the first descriptor has no exact numbers.
std::optional<std::vector<qsizetype>> sortedByExactNumbers(const Keys& keys, size_t count) {
    std::vector<double> numbers;
    const int width = keys.empty() ? 0 : keys.front().exactNumbers(numbers);
    if (width == 0) return std::nullopt;
    std::vector<ExactRow> rows(count);
    for (size_t i = 0; i < count; ++i)
        rows[i] = {numbers[i * size_t(width)], width == 2 ? numbers[i * 2 + 1] : 0.0, qsizetype(i)};
    const auto byNumbers = [](const ExactRow& a, const ExactRow& b) {
        if (a.first != b.first) return a.first < b.first;
        if (a.second != b.second) return a.second < b.second;
        return a.index < b.index;
    };
    std::sort(rows.begin(), rows.end(), byNumbers);
    size_t next = 1;
    std::vector<std::pair<size_t, size_t>> runs = tiedRuns(rows);
    // A second column still free: the next descriptor's single numbers fill it.
    if (width == 1 && !runs.empty() && next < keys.size() && keys[next].exactNumbers(numbers) == 1) {
        for (ExactRow& row : rows) row.second = numbers[size_t(row.index)];
        for (const auto& [begin, end] : runs)
            std::sort(rows.begin() + qsizetype(begin), rows.begin() + qsizetype(end), byNumbers);
        ++next;
        runs = tiedRuns(rows);
    }
    if (next < keys.size())
        for (const auto& [begin, end] : runs)
            std::stable_sort(rows.begin() + qsizetype(begin), rows.begin() + qsizetype(end),
                             [&keys, next](const ExactRow& a, const ExactRow& b) {
                                 for (size_t d = next; d < keys.size(); ++d)
                                     if (const std::weak_ordering result = keys[d].compare(a.index, b.index);
                                         result != 0)
                                         return result < 0;
                                 return false;
                             });
    std::vector<qsizetype> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = rows[i].index;
    return order;
}

}  // namespace

std::vector<qsizetype> sortedOrder(const QVariantList& objects, const QList<SortDescriptor>& descriptors) {
    const Keys keys(objects, descriptors);
    if (auto order = sortedByExactNumbers(keys, size_t(objects.size()))) return std::move(*order);
    auto compare = [&keys](qsizetype a, qsizetype b, size_t first) {
        for (size_t d = first; d < keys.size(); ++d)
            if (const std::weak_ordering result = keys[d].compare(a, b); result != 0) return result < 0;
        return false;
    };
    std::vector<qsizetype> order(size_t(objects.size()));
    std::vector<double> numbers;
    if (keys.empty() || !keys.front().leadingNumbers(numbers)) {
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](qsizetype a, qsizetype b) { return compare(a, b, 0); });
        return order;
    }
    std::iota(order.begin(), order.end(), 0);
    // Numbers that rise all the way decide every comparison: the objects are in order already.
    if (std::adjacent_find(numbers.begin(), numbers.end(), std::greater_equal<double>()) == numbers.end())
        return order;
    // Sorting the leading numbers with the indexes keeps the common comparison within one array; the
    // comparisons give the same answers as above, so the order is the same.
    std::vector<std::pair<double, qsizetype>> entries(order.size());
    for (size_t i = 0; i < entries.size(); ++i) entries[i] = {numbers[i], qsizetype(i)};
    std::stable_sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        return compare(a.second, b.second, 0);
    });
    for (size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].second;
    return order;
}

QVariantList sortedObjects(const QVariantList& objects, const QList<SortDescriptor>& descriptors) {
    QVariantList sorted;
    sorted.reserve(objects.size());
    for (qsizetype i : sortedOrder(objects, descriptors)) sorted.append(objects.at(i));
    return sorted;
}

}  // namespace platform
