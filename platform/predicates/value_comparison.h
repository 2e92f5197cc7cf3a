#pragma once

#include <QFlags>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <compare>

namespace platform {

enum class ComparisonOption {
    CaseInsensitive = 0x1,       // [c]
    DiacriticInsensitive = 0x2,  // [d]
};
Q_DECLARE_FLAGS(ComparisonOptions, ComparisonOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(ComparisonOptions)

// nil: an invalid value or one holding a null pointer.
bool isNilValue(const QVariant& value);
// A to-many value: a QVariantList (or a QStringList).
bool isCollectionValue(const QVariant& value);
QVariantList collectionElements(const QVariant& value);

// A value classified once, so that it can be compared many times without looking at its type again.
// Strings are held with their diacritics removed when the options ask for it.
class ComparableValue final {
public:
    enum class Kind { Nil, Integer, Real, String, Date, Object, Collection, Other };

    ComparableValue(const QVariant& value, ComparisonOptions options);

    Kind kind() const { return m_kind; }
    bool isNumber() const { return m_kind == Kind::Integer || m_kind == Kind::Real; }
    // The value itself, kept only for collections and values of other types.
    const QVariant& value() const { return m_value; }
    const QString& string() const { return m_string; }
    qint64 integer() const { return m_integer; }
    double real() const { return m_kind == Kind::Integer ? double(m_integer) : m_real; }
    qint64 msecs() const { return m_integer; }
    const void* object() const { return m_object; }

private:
    Kind m_kind = Kind::Nil;
    QVariant m_value;  // copying every value would cost more than the comparison
    QString m_string;
    qint64 m_integer = 0;  // also a date's milliseconds since the epoch
    double m_real = 0;
    const void* m_object = nullptr;
};

// Equality as predicates see it: nil equals only nil; numbers numerically across integers, reals and
// booleans; dates by instant; objects by identity; strings by the options; collections element-wise.
bool valuesEqual(const ComparableValue& a, const ComparableValue& b, ComparisonOptions options);
bool valuesEqual(const QVariant& a, const QVariant& b, ComparisonOptions options = {});

// Order of two values of the same family (numbers, strings, dates); unordered for nil and for values
// of different families.
std::partial_ordering compareValues(const ComparableValue& a, const ComparableValue& b,
                                    ComparisonOptions options);

// Whether the collection holds an element equal to the needle.
bool collectionContains(const QVariantList& collection, const ComparableValue& needle,
                        ComparisonOptions options);

}  // namespace platform
