#pragma once

#include <QList>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

// A uniformly drawn element; nothing for an empty list.
template <typename T>
std::optional<T> randomObject(const QList<T>& list) {
    if (list.isEmpty()) return std::nullopt;
    return list.at(
        static_cast<qsizetype>(QRandomGenerator::global()->generate() % static_cast<quint32>(list.size())));
}

// A copy sorted by the values at a key path of each element (objects or dictionaries, read by key-value
// coding); elements without a value come first when ascending. Equal values keep their order.
QVariantList sortedArrayUsingKey(const QVariantList& list, const QString& keyPath, bool ascending = true,
                                 bool ignoringCase = false);

// A copy without the strings that are empty once trimmed.
QStringList arrayByRemovingEmptyStrings(const QStringList& list);

// "a", "a and b", "a, b, and c": a null string for no element.
QString componentsJoinedByConjunction(const QStringList& list);
