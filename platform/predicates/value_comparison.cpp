#include "platform/predicates/value_comparison.h"

#include "platform/kvc/key_value_coding.h"
#include "platform/predicates/string_folding.h"

#include <QDateTime>
#include <QStringList>

#include <limits>

namespace platform {

bool isNilValue(const QVariant& value) {
    return !value.isValid() || value.isNull();
}

bool isCollectionValue(const QVariant& value) {
    const int id = value.metaType().id();
    return id == QMetaType::QVariantList || id == QMetaType::QStringList;
}

QVariantList collectionElements(const QVariant& value) {
    switch (value.metaType().id()) {
        case QMetaType::QVariantList:
            return *static_cast<const QVariantList*>(value.constData());
        case QMetaType::QStringList: {
            QVariantList elements;
            for (const QString& s : *static_cast<const QStringList*>(value.constData())) elements.append(s);
            return elements;
        }
        default:
            return {};
    }
}

ComparableValue::ComparableValue(const QVariant& value, ComparisonOptions options) {
    if (isNilValue(value)) return;
    switch (value.metaType().id()) {
        case QMetaType::Bool:
            m_kind = Kind::Integer;
            m_integer = *static_cast<const bool*>(value.constData()) ? 1 : 0;
            return;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Long:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            m_kind = Kind::Integer;
            m_integer = value.toLongLong();
            return;
        case QMetaType::ULongLong:
        case QMetaType::ULong: {
            const qulonglong u = value.toULongLong();
            if (u <= qulonglong(std::numeric_limits<qint64>::max())) {
                m_kind = Kind::Integer;
                m_integer = qint64(u);
            } else {
                m_kind = Kind::Real;
                m_real = double(u);
            }
            return;
        }
        case QMetaType::Double:
        case QMetaType::Float:
            m_kind = Kind::Real;
            m_real = value.toDouble();
            return;
        case QMetaType::QString: {
            m_kind = Kind::String;
            const QString& s = *static_cast<const QString*>(value.constData());
            m_string = options.testFlag(ComparisonOption::DiacriticInsensitive) ? removingDiacritics(s) : s;
            return;
        }
        case QMetaType::QDateTime:
            m_kind = Kind::Date;
            m_integer = static_cast<const QDateTime*>(value.constData())->toMSecsSinceEpoch();
            return;
        case QMetaType::QVariantList:
        case QMetaType::QStringList:
            m_kind = Kind::Collection;
            m_value = value;
            return;
        default:
            if (isObjectVariant(value)) {
                m_kind = Kind::Object;
                m_object = objectFromVariant(value);
                return;
            }
            m_kind = Kind::Other;
            m_value = value;
            return;
    }
}

namespace {

Qt::CaseSensitivity sensitivity(ComparisonOptions options) {
    return options.testFlag(ComparisonOption::CaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
}

std::partial_ordering compareNumbers(const ComparableValue& a, const ComparableValue& b) {
    if (a.kind() == ComparableValue::Kind::Integer && b.kind() == ComparableValue::Kind::Integer)
        return a.integer() <=> b.integer();
    return a.real() <=> b.real();
}

bool collectionsEqual(const QVariantList& a, const QVariantList& b, ComparisonOptions options) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!valuesEqual(a.at(i), b.at(i), options)) return false;
    return true;
}

}  // namespace

bool valuesEqual(const ComparableValue& a, const ComparableValue& b, ComparisonOptions options) {
    using Kind = ComparableValue::Kind;
    if (a.isNumber() && b.isNumber()) return compareNumbers(a, b) == 0;
    if (a.kind() != b.kind()) return false;
    switch (a.kind()) {
        case Kind::Nil:
            return true;
        case Kind::String:
            return a.string().compare(b.string(), sensitivity(options)) == 0;
        case Kind::Date:
            return a.msecs() == b.msecs();
        case Kind::Object:
            return a.object() == b.object();
        case Kind::Collection:
            return collectionsEqual(collectionElements(a.value()), collectionElements(b.value()), options);
        case Kind::Other:
            return a.value() == b.value();
        case Kind::Integer:
        case Kind::Real:
            break;
    }
    return false;
}

bool valuesEqual(const QVariant& a, const QVariant& b, ComparisonOptions options) {
    return valuesEqual(ComparableValue(a, options), ComparableValue(b, options), options);
}

std::partial_ordering compareValues(const ComparableValue& a, const ComparableValue& b,
                                    ComparisonOptions options) {
    using Kind = ComparableValue::Kind;
    if (a.isNumber() && b.isNumber()) return compareNumbers(a, b);
    if (a.kind() != b.kind()) return std::partial_ordering::unordered;
    switch (a.kind()) {
        case Kind::String:
            return a.string().compare(b.string(), sensitivity(options)) <=> 0;
        case Kind::Date:
            return a.msecs() <=> b.msecs();
        default:
            return std::partial_ordering::unordered;
    }
}

bool collectionContains(const QVariantList& collection, const ComparableValue& needle,
                        ComparisonOptions options) {
    using Kind = ComparableValue::Kind;
    switch (needle.kind()) {
        case Kind::Object:
            for (const QVariant& element : collection)
                if (objectFromVariant(element) == needle.object()) return true;
            return false;
        case Kind::String:
            if (!options.testFlag(ComparisonOption::DiacriticInsensitive)) {
                for (const QVariant& element : collection)
                    if (element.metaType().id() == QMetaType::QString &&
                        static_cast<const QString*>(element.constData())
                                ->compare(needle.string(), sensitivity(options)) == 0)
                        return true;
                return false;
            }
            break;
        default:
            break;
    }
    for (const QVariant& element : collection)
        if (valuesEqual(ComparableValue(element, options), needle, options)) return true;
    return false;
}

}  // namespace platform
