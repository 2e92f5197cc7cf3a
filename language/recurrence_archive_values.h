#pragma once

#include "platform/base/error.h"

#include <QDateTime>
#include <QList>
#include <QVariantMap>

#include <optional>

// Type-checked reads of the recurrence classes' archived dictionaries. An absent or null key reads as
// nothing; a value of the wrong type or out of the field's range is an error, never a silent default.
namespace recurrence_archive {

// Lists longer than this are refused: no valid rule lists more than 31 values.
constexpr qsizetype kMaximumListLength = 100;

TDError malformed(const QString& key, const char* expected);

Result<std::optional<qint64>> integer(const QVariantMap& map, const QString& key, qint64 minimum,
                                      qint64 maximum);
Result<std::optional<quint64>> unsignedInteger(const QVariantMap& map, const QString& key);
Result<std::optional<bool>> boolean(const QVariantMap& map, const QString& key);
Result<std::optional<double>> real(const QVariantMap& map, const QString& key);
Result<QDateTime> date(const QVariantMap& map, const QString& key);  // null when absent
Result<std::optional<QList<int>>> integerList(const QVariantMap& map, const QString& key);
Result<std::optional<QVariantList>> list(const QVariantMap& map, const QString& key);
Result<std::optional<QVariantMap>> dictionary(const QVariantMap& map, const QString& key);

}  // namespace recurrence_archive
