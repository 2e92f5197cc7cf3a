#pragma once

#include <QString>

#include <optional>
#include <string_view>

// A UID is an unsigned 64-bit number written as 16 upper-case hexadecimal digits. Objects refer to each
// other by UID in every property list and sync record.

QString TDNewUID();
quint64 TDRandomUIDNumber();
QString TDUIDStringFromNumber(std::optional<quint64> number);
// The leading hexadecimal digits of the text as a number; nullopt for a null string or no digits.
std::optional<quint64> TDUIDNumberFromString(const QString& text);
// The UID one greater, wrapping at 2^64; a null UID steps to the UID of 1.
QString TDNextUID(const QString& uid);

// Orders UIDs, or any text, as QString's operator< does (by UTF-16 code unit), but inline: sorting many
// thousands of them is then several times faster.
inline bool TDUIDLess(const QString& a, const QString& b) {
    return std::u16string_view(reinterpret_cast<const char16_t*>(a.utf16()), size_t(a.size())) <
           std::u16string_view(reinterpret_cast<const char16_t*>(b.utf16()), size_t(b.size()));
}
