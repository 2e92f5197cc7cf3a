#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One name of a ranked list: its index in the list and its abbreviation score.
struct QSRankedString {
    qsizetype index = 0;
    double score = 0;
    bool operator==(const QSRankedString&) const = default;
};

// The names that the abbreviation matches (score above 0), best first; equal scores keep the
// list's order (an empty abbreviation matches every name at 0.9). Names and abbreviation are
// purified alike (see QSDefaultStringRanker).
QList<QSRankedString> rankedStringsForAbbreviation(const QStringList& strings, const QString& abbreviation);
