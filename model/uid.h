#pragma once

#include <QString>

#include <optional>

// A UID is an unsigned 64-bit number written as 16 upper-case hexadecimal digits. Objects refer to each
// other by UID in every property list and sync record.

QString TDNewUID();
quint64 TDRandomUIDNumber();
QString TDUIDStringFromNumber(std::optional<quint64> number);
// The leading hexadecimal digits of the text as a number; nullopt for a null string or no digits.
std::optional<quint64> TDUIDNumberFromString(const QString& text);
// The UID one greater, wrapping at 2^64; a null UID steps to the UID of 1.
QString TDNextUID(const QString& uid);
