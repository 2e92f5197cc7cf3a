#include "language/abbreviation_scoring.h"

#include <QString>

namespace {

// Spaces and tabs, not line breaks.
bool isWhiteSpace(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}
bool isUpperCaseLetter(QChar c) {
    return c.isUpper() || c.isTitleCase();
}

// A skipped character that is no word start costs 0.15, subtracted in double precision and rounded
// back to single.
float minusSmallCost(float score) {
    return static_cast<float>(static_cast<double>(score) - 0.15);
}

}  // namespace

float scoreAbbreviation(QStringView string, QStringView abbreviation, QList<qsizetype>* mask) {
    return scoreAbbreviationInRange(string, abbreviation, mask, {0, string.size()}, {0, abbreviation.size()});
}

float scoreAbbreviationInRange(QStringView string, QStringView abbreviation, QList<qsizetype>* mask,
                               AbbreviationRange r, AbbreviationRange a) {
    if (a.length == 0) return 0.9f;
    if (a.length > r.length) return 0.0f;

    // A lower-case first letter matches either case, an upper-case one only itself.
    const QChar first = abbreviation[a.location];
    const QString upper = QString(first).toUpper();
    qsizetype i = 0;
    while (i < r.length) {
        const QChar c = string[r.location + i];
        if (c == first || (upper.size() == 1 && c == upper.front())) break;
        ++i;
    }
    if (i == r.length) return 0.0f;

    // The longest prefix of the abbreviation that is found in one piece wins, as long as the rest
    // of the abbreviation still matches after it.
    for (qsizetype k = a.length; k >= 1; --k) {
        const qsizetype searchLength = (r.length - i) - (a.length - k);
        if (searchLength < k) continue;
        const qsizetype found = string.sliced(r.location + i, searchLength)
                                    .indexOf(abbreviation.sliced(a.location, k), 0, Qt::CaseInsensitive);
        if (found < 0) continue;
        const qsizetype matchStart = r.location + i + found;
        const qsizetype matchEnd = matchStart + k;

        QList<qsizetype> restMask;
        const float rest =
            scoreAbbreviationInRange(string, abbreviation, mask ? &restMask : nullptr,
                                     {matchEnd, r.end() - matchEnd}, {a.location + k, a.length - k});
        if (rest == 0.0f) continue;

        float score = static_cast<float>(matchEnd - r.location);
        if (matchStart > r.location) {
            if (isWhiteSpace(string[matchStart - 1])) {
                // A word start: the blank before it is free, other words' letters cheap.
                for (qsizetype j = matchStart - 2; j >= r.location; --j) {
                    score = isWhiteSpace(string[j]) ? score - 1.0f : minusSmallCost(score);
                }
            } else if (isUpperCaseLetter(string[matchStart])) {
                // A capital inside a word: the letters before it are cheap, other capitals not.
                for (qsizetype j = matchStart - 1; j >= r.location; --j) {
                    score = isUpperCaseLetter(string[j]) ? score - 1.0f : minusSmallCost(score);
                }
            } else {
                score -= static_cast<float>(matchStart - r.location);
            }
        }
        if (mask) {
            for (qsizetype p = matchStart; p < matchEnd; ++p) mask->append(p);
            mask->append(restMask);
        }
        return (score + rest * static_cast<float>(r.end() - matchEnd)) / static_cast<float>(r.length);
    }
    return 0.0f;
}
