#pragma once

#include <QList>
#include <QStringView>

// Scores how well a few typed letters abbreviate a name: 0 for no match, 1 for the name itself.
// Letters found at word starts and capitals score well, skipped letters cost. All positions are
// UTF-16 units. The mask, when given, receives the positions of the name that the letters matched,
// and only those of the match that scored: positions tried on the way are not kept.

struct AbbreviationRange {
    qsizetype location = 0;
    qsizetype length = 0;
    qsizetype end() const { return location + length; }
};

float scoreAbbreviation(QStringView string, QStringView abbreviation, QList<qsizetype>* mask = nullptr);

// The same over part of the string and part of the abbreviation; the mask is appended to.
float scoreAbbreviationInRange(QStringView string, QStringView abbreviation, QList<qsizetype>* mask,
                               AbbreviationRange stringRange, AbbreviationRange abbreviationRange);
