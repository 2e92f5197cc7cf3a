#include "taskviews/spelling_words.h"

#include "foundation/link_detection.h"
#include "language/title_parser.h"

namespace {

bool overlaps(const TDRange& range, const QList<TDRange>& others) {
    for (const TDRange& other : others)
        if (range.location < other.end() && other.location < range.end()) return true;
    return false;
}

bool isApostrophe(QChar c) {
    return c == u'\'' || c == u'\u2019';
}

// Letters, marks and digits make a word's run; a run holding a digit or underscore is a code, not a word.
bool isWordCharacter(QChar c) {
    return c.isLetterOrNumber() || c.isMark() || c == u'_';
}

}  // namespace

QList<TDRange> TDSpellCheckedWords(const QString& text, const QList<TDRange>& excluded) {
    QList<TDRange> skipped = excluded;
    // Tokens follow the title's rules only where a marker can begin one: most paragraphs hold neither.
    if (text.contains(u'/') || text.contains(u'@'))
        for (const TDTitleParser::Range& token : TDTitleParser::tokenRangesFromEditingString(text))
            skipped.append(TDRange{token.location, token.length});
    if (text.contains(u'.') || text.contains(u':') || text.contains(u'@'))
        for (const TDDetectedLink& link : detectedLinks(text)) skipped.append(link.range);

    QList<TDRange> words;
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        if (!isWordCharacter(text.at(i))) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        bool isCode = false;
        while (i < size) {
            const QChar c = text.at(i);
            if (isWordCharacter(c)) {
                isCode = isCode || c.isDigit() || c == u'_';
                ++i;
            } else if (isApostrophe(c) && i + 1 < size && text.at(i + 1).isLetter()) {
                ++i;
            } else {
                break;
            }
        }
        const TDRange word{start, i - start};
        if (!isCode && !overlaps(word, skipped)) words.append(word);
    }
    return words;
}
