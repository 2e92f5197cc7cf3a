#pragma once

#include <QList>
#include <QString>

#include <utility>

// Strips accents, so that "cafe" finds "Café": the canonical decomposition (NFD) of the string
// without its combining marks. Answers the string itself when it has nothing to strip.
QString purifiedString(const QString& string);

// A purified string that remembers, for every UTF-16 unit, the range of the original string it
// came from, because purifying changes lengths: a decomposed "e" with its accent shrinks to one
// unit, a Hangul syllable grows to its letters. A combining mark counts with the character before it.
struct PurifiedString {
    QString text;
    QList<std::pair<qsizetype, qsizetype>> origins;  // per unit of text: start and end in the original

    static PurifiedString from(const QString& string);
    // The original positions behind the given positions of text, ascending, each once.
    QList<qsizetype> originalPositions(const QList<qsizetype>& positions) const;
};
