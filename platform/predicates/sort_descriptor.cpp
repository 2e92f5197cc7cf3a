#include "platform/predicates/sort_descriptor.h"

#include "platform/predicates/value_comparison.h"

#include <QLocale>

#include <unicode/ucol.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>

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

// The families of values in their sorting order.
int family(const ComparableValue& v) {
    using Kind = ComparableValue::Kind;
    switch (v.kind()) {
        case Kind::Nil:
            return 0;
        case Kind::Integer:
        case Kind::Real:
            return 1;
        case Kind::String:
            return 2;
        case Kind::Date:
            return 3;
        default:
            return 4;
    }
}

}  // namespace

std::weak_ordering compareForSorting(const QVariant& left, const QVariant& right,
                                     SortDescriptor::Comparison comparison) {
    const ComparableValue a(left, {});
    const ComparableValue b(right, {});
    const int fa = family(a);
    const int fb = family(b);
    if (fa != fb) return fa <=> fb;
    switch (fa) {
        case 1:
            if (a.kind() == ComparableValue::Kind::Integer && b.kind() == ComparableValue::Kind::Integer)
                return a.integer() <=> b.integer();
            // NaN sorts before every other number so that the order stays total.
            if (std::isnan(a.real()) || std::isnan(b.real()))
                return !std::isnan(a.real()) <=> !std::isnan(b.real());
            return std::weak_order(a.real(), b.real());
        case 2:
            return compareStrings(a.string(), b.string(), comparison);
        case 3:
            return a.msecs() <=> b.msecs();
        default:
            return std::weak_ordering::equivalent;
    }
}

SortDescriptor::SortDescriptor(const QString& keyPath, bool ascending, Comparison comparison)
    : m_keyPath(keyPath),
      m_key(keyPath.compare(QLatin1String("self"), Qt::CaseInsensitive) == 0 ? Expression::evaluatedObject()
                                                                             : Expression::keyPath(keyPath)),
      m_ascending(ascending),
      m_comparison(comparison) {
}

SortDescriptor::SortDescriptor(const QString& keyPath, bool ascending, Comparator comparator)
    : SortDescriptor(keyPath, ascending) {
    m_comparator = std::move(comparator);
}

std::weak_ordering SortDescriptor::compareValues(const QVariant& left, const QVariant& right) const {
    const std::weak_ordering result = compareForSorting(left, right, m_comparison);
    return m_ascending ? result : 0 <=> result;
}

std::weak_ordering SortDescriptor::compareObjects(const QVariant& left, const QVariant& right) const {
    if (m_comparator) return m_comparator(left, right);
    return compareValues(valueForObject(left), valueForObject(right));
}

std::vector<qsizetype> sortedOrder(const QVariantList& objects, const QList<SortDescriptor>& descriptors) {
    std::vector<qsizetype> order(size_t(objects.size()));
    std::iota(order.begin(), order.end(), 0);
    // Key-path values are read once per object rather than once per comparison.
    std::vector<std::vector<QVariant>> values(size_t(descriptors.size()));
    for (qsizetype d = 0; d < descriptors.size(); ++d) {
        if (descriptors.at(d).hasComparator()) continue;
        values[size_t(d)].reserve(size_t(objects.size()));
        for (const QVariant& object : objects)
            values[size_t(d)].push_back(descriptors.at(d).valueForObject(object));
    }
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        for (qsizetype d = 0; d < descriptors.size(); ++d) {
            const SortDescriptor& descriptor = descriptors.at(d);
            const std::weak_ordering result =
                descriptor.hasComparator()
                    ? descriptor.compareObjects(objects.at(a), objects.at(b))
                    : descriptor.compareValues(values[size_t(d)][size_t(a)], values[size_t(d)][size_t(b)]);
            if (result != 0) return result < 0;
        }
        return false;
    });
    return order;
}

QVariantList sortedObjects(const QVariantList& objects, const QList<SortDescriptor>& descriptors) {
    QVariantList sorted;
    sorted.reserve(objects.size());
    for (qsizetype i : sortedOrder(objects, descriptors)) sorted.append(objects.at(i));
    return sorted;
}

}  // namespace platform
