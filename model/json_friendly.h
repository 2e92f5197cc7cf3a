#pragma once

#include <QDateTime>
#include <QVariant>

#include <optional>

// Sync records travel as JSON, which has neither dates nor data: dates go as seconds since
// 2001-01-01 00:00:00 UTC, data as base64 text.

double TDTimeIntervalSinceReferenceDate(const QDateTime& date);
// Nothing for a number that is not finite or names no representable date.
std::optional<QDateTime> TDDateWithTimeIntervalSinceReferenceDate(double seconds);

// The value with every date and data value inside it (through dictionaries and arrays) converted;
// everything else as it was.
QVariant TDMakeJSONFriendly(const QVariant& value);
