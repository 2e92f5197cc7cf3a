#pragma once

#include <QList>
#include <QString>

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

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

// The number of a UID of the usual form (16 upper-case hexadecimal digits), whose order as a number is
// its order as text; nullopt for any other text.
std::optional<quint64> TDCanonicalUIDNumber(const QString& uid);

// Sorts items by their UIDs as TDUIDLess orders them, keeping the order of equal ones. UIDs of the usual
// form are compared as numbers, which gives the same order without touching their text: backups sort
// every object of a library this way.
template <typename Item, typename UIDOf>
void TDStableSortByUID(QList<Item>& items, UIDOf uidOf) {
    std::vector<std::pair<std::optional<quint64>, qsizetype>> order;
    order.reserve(size_t(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i)
        order.emplace_back(TDCanonicalUIDNumber(uidOf(items.at(i))), i);
    std::stable_sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
        if (a.first && b.first) return *a.first < *b.first;
        return TDUIDLess(uidOf(items.at(a.second)), uidOf(items.at(b.second)));
    });
    QList<Item> sorted;
    sorted.reserve(items.size());
    for (const auto& entry : order) sorted.append(std::move(items[entry.second]));
    items = std::move(sorted);
}
