#pragma once

#include "foundation/range.h"
#include "foundation/regex_cache.h"
#include "platform/base/error.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// Regular-expression operations on strings, in ICU's pattern and replacement-template syntax, over the
// strings' UTF-16 units. Ranges are in UTF-16 units of the subject; TDRange::whole() is the whole
// string. Capture 0 is the whole match, 1 to the capture count the groups.
//
// Errors are values: a pattern that does not compile gives the empty result (no match, empty list,
// null string) and, when `error` is given, an error of RKLICURegexErrorDomain. A range beyond the
// subject or a capture number the pattern does not have is a caller's mistake: it is logged, gives the
// empty result and an error whose domain names the kind ("NSRangeException",
// "NSInvalidArgumentException") and whose code the mistake. Every operation runs under the cache's one lock.

enum TDRegexMisuseCode : int {
    TDRegexMisuseOutOfBounds = 1,
    TDRegexMisuseSubjectTooLong = 2,
    TDRegexMisuseInvalidArgument = 3,
};

enum : RKLRegexOptions {
    RKLNoOptions = 0,
    RKLCaseless = 2,
    RKLComments = 4,
    RKLMultiline = 8,
    RKLDotAll = 32,
    RKLUnicodeWordBoundaries = 256,
};

// (key, capture) pairs of the dictionary operations.
using RKLKeysAndCaptures = QList<std::pair<QString, int>>;
using RKLCaptureDictionary = QMap<QString, QString>;

bool isMatchedByRegex(const QString& subject, const QString& regex, RKLRegexOptions options = RKLNoOptions,
                      TDRange range = TDRange::whole(), TDError* error = nullptr);

// The range of the capture in the first match; notFound when there is none or the group took no part.
TDRange rangeOfRegex(const QString& subject, const QString& regex, int capture = 0,
                     RKLRegexOptions options = RKLNoOptions, TDRange range = TDRange::whole(),
                     TDError* error = nullptr);

// The text of rangeOfRegex; a null string when not found.
QString stringByMatching(const QString& subject, const QString& regex, int capture = 0,
                         RKLRegexOptions options = RKLNoOptions, TDRange range = TDRange::whole(),
                         TDError* error = nullptr);

// The pieces between matches, followed after each piece by the texts of the match's groups. Empty
// pieces at the end are dropped; an empty subject gives no piece.
QStringList componentsSeparatedByRegex(const QString& subject, const QString& regex,
                                       RKLRegexOptions options = RKLNoOptions,
                                       TDRange range = TDRange::whole(), TDError* error = nullptr);

// The capture's text in every match.
QStringList componentsMatchedByRegex(const QString& subject, const QString& regex, int capture = 0,
                                     RKLRegexOptions options = RKLNoOptions, TDRange range = TDRange::whole(),
                                     TDError* error = nullptr);

// The whole first match and each group's text (empty for a group that took no part).
QStringList captureComponentsMatchedByRegex(const QString& subject, const QString& regex,
                                            RKLRegexOptions options = RKLNoOptions,
                                            TDRange range = TDRange::whole(), TDError* error = nullptr);

// captureComponentsMatchedByRegex for every match.
QList<QStringList> arrayOfCaptureComponentsMatchedByRegex(const QString& subject, const QString& regex,
                                                          RKLRegexOptions options = RKLNoOptions,
                                                          TDRange range = TDRange::whole(),
                                                          TDError* error = nullptr);

// Each key with the text of its capture in the first match; a key whose group took no part is left out.
RKLCaptureDictionary dictionaryByMatchingRegex(const QString& subject, const QString& regex,
                                               const RKLKeysAndCaptures& keysAndCaptures,
                                               RKLRegexOptions options = RKLNoOptions,
                                               TDRange range = TDRange::whole(), TDError* error = nullptr);

// dictionaryByMatchingRegex for every match.
QList<RKLCaptureDictionary> arrayOfDictionariesByMatchingRegex(const QString& subject, const QString& regex,
                                                               const RKLKeysAndCaptures& keysAndCaptures,
                                                               RKLRegexOptions options = RKLNoOptions,
                                                               TDRange range = TDRange::whole(),
                                                               TDError* error = nullptr);

// Every match replaced by the template ("$1" inserts group 1, a backslash makes the next character
// literal). The range forms return only the text inside the range. A null string on error.
QString stringByReplacingOccurrencesOfRegex(const QString& subject, const QString& regex,
                                            const QString& replacement,
                                            RKLRegexOptions options = RKLNoOptions,
                                            TDRange range = TDRange::whole(), TDError* error = nullptr);

// In place: the number of replacements, -1 when the operation failed. The subject changes only when
// the number is above 0.
qsizetype replaceOccurrencesOfRegex(QString& subject, const QString& regex, const QString& replacement,
                                    RKLRegexOptions options = RKLNoOptions, TDRange range = TDRange::whole(),
                                    TDError* error = nullptr);

// The number of groups of the pattern; -1 when it does not compile.
int captureCountForRegex(const QString& regex, RKLRegexOptions options = RKLNoOptions,
                         TDError* error = nullptr);
bool isRegexValid(const QString& regex, RKLRegexOptions options = RKLNoOptions, TDError* error = nullptr);

// Cache maintenance: forget every compiled expression; forget what was set from this subject.
void clearStringCache();
void flushCachedRegexData(const QString& subject);

// The text with every metacharacter of a pattern escaped, so that it matches itself literally.
QString stringByEscapingRegexExpressions(const QString& text);

// The ranges of every match (an empty match counts once at each position).
QList<TDRange> rangesOfRegex(const QString& subject, const QString& regex);

// Walks the matches of a pattern one at a time; each step is a complete operation, so nothing is held
// between steps.
class RKLMatchEnumerator {
public:
    RKLMatchEnumerator(QString string, QString regex)
        : m_string(std::move(string)), m_regex(std::move(regex)) {}
    // The next match's text; nullopt once finished.
    std::optional<QString> nextObject();
    QStringList allObjects();

protected:
    std::optional<TDRange> p_nextRange();

private:
    QString m_string;
    QString m_regex;
    qsizetype m_location = 0;
    bool m_finished = false;
};

class RKLRangeEnumerator final : public RKLMatchEnumerator {
public:
    using RKLMatchEnumerator::RKLMatchEnumerator;
    std::optional<TDRange> nextObject() { return p_nextRange(); }
    QList<TDRange> allObjects();
};

RKLMatchEnumerator rkl_matchEnumeratorWithRegex(const QString& string, const QString& regex);
RKLRangeEnumerator rkl_rangeEnumeratorWithRegex(const QString& string, const QString& regex);
