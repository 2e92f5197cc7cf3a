#include "language/recurrence_archive_values.h"

#include <cmath>
#include <limits>

namespace recurrence_archive {

namespace {

bool isAbsent(const QVariant& value) {
    return !value.isValid() || value.isNull();
}

bool isSignedIntegerType(int id) {
    return id == QMetaType::Int || id == QMetaType::LongLong || id == QMetaType::Long ||
           id == QMetaType::Short || id == QMetaType::SChar;
}

bool isUnsignedIntegerType(int id) {
    return id == QMetaType::UInt || id == QMetaType::ULongLong || id == QMetaType::ULong ||
           id == QMetaType::UShort || id == QMetaType::UChar;
}

// The value as a signed 64-bit integer, when it is an integer that fits.
std::optional<qint64> asInteger(const QVariant& value) {
    const int id = value.metaType().id();
    if (isSignedIntegerType(id)) return value.toLongLong();
    if (isUnsignedIntegerType(id)) {
        const qulonglong u = value.toULongLong();
        if (u > qulonglong(std::numeric_limits<qint64>::max())) return std::nullopt;
        return qint64(u);
    }
    return std::nullopt;
}

}  // namespace

TDError malformed(const QString& key, const char* expected) {
    return TDError::make(TDErrorRecurrenceRuleInvalid,
                         QStringLiteral("Could not read the recurrence rule: \"%1\" is not %2.")
                             .arg(key, QString::fromLatin1(expected)));
}

Result<std::optional<qint64>> integer(const QVariantMap& map, const QString& key, qint64 minimum,
                                      qint64 maximum) {
    const QVariant value = map.value(key);
    if (isAbsent(value)) return std::optional<qint64>();
    const std::optional<qint64> number = asInteger(value);
    if (!number || *number < minimum || *number > maximum) return malformed(key, "an integer in range");
    return number;
}

Result<std::optional<quint64>> unsignedInteger(const QVariantMap& map, const QString& key) {
    const QVariant value = map.value(key);
    if (isAbsent(value)) return std::optional<quint64>();
    const int id = value.metaType().id();
    if (isUnsignedIntegerType(id)) return std::optional<quint64>(value.toULongLong());
    if (isSignedIntegerType(id) && value.toLongLong() >= 0)
        return std::optional<quint64>(quint64(value.toLongLong()));
    return malformed(key, "an unsigned integer");
}

Result<std::optional<bool>> boolean(const QVariantMap& map, const QString& key) {
    const QVariant value = map.value(key);
    if (isAbsent(value)) return std::optional<bool>();
    if (value.metaType().id() != QMetaType::Bool) return malformed(key, "a boolean");
    return std::optional<bool>(value.toBool());
}

Result<std::optional<double>> real(const QVariantMap& map, const QString& key) {
    const QVariant value = map.value(key);
    if (isAbsent(value)) return std::optional<double>();
    const int id = value.metaType().id();
    if (id == QMetaType::Double || id == QMetaType::Float) {
        if (!std::isfinite(value.toDouble())) return malformed(key, "a finite number");
        return std::optional<double>(value.toDouble());
    }
    if (const std::optional<qint64> number = asInteger(value)) return std::optional<double>(double(*number));
    return malformed(key, "a number");
}

Result<QDateTime> date(const QVariantMap& map, const QString& key) {
    const QVariant value = map.value(key);
    if (isAbsent(value)) return QDateTime();
    if (value.metaType().id() != QMetaType::QDateTime || !value.toDateTime().isValid())
        return malformed(key, "a date");
    return value.toDateTime();
}

Result<std::optional<QVariantList>> list(const QVariantMap& map, const QString& key) {
    const QVariant value = map.value(key);
    if (isAbsent(value)) return std::optional<QVariantList>();
    if (value.metaType().id() != QMetaType::QVariantList) return malformed(key, "a list");
    QVariantList items = value.toList();
    if (items.size() > kMaximumListLength) return malformed(key, "a list of at most 100 values");
    return std::optional<QVariantList>(std::move(items));
}

Result<std::optional<QList<int>>> integerList(const QVariantMap& map, const QString& key) {
    Result<std::optional<QVariantList>> items = list(map, key);
    if (!items) return items.error();
    if (!items.value()) return std::optional<QList<int>>();
    QList<int> numbers;
    numbers.reserve(items.value()->size());
    for (const QVariant& item : *items.value()) {
        const std::optional<qint64> number = asInteger(item);
        if (!number || *number < std::numeric_limits<int>::min() || *number > std::numeric_limits<int>::max())
            return malformed(key, "a list of integers");
        numbers.append(int(*number));
    }
    return std::optional<QList<int>>(std::move(numbers));
}

Result<std::optional<QVariantMap>> dictionary(const QVariantMap& map, const QString& key) {
    const QVariant value = map.value(key);
    if (isAbsent(value)) return std::optional<QVariantMap>();
    if (value.metaType().id() != QMetaType::QVariantMap) return malformed(key, "a dictionary");
    return std::optional<QVariantMap>(value.toMap());
}

}  // namespace recurrence_archive
