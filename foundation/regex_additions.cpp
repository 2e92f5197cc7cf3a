#include "foundation/regex_additions.h"

#include "platform/base/log.h"

#include <unicode/uregex.h>

#include <limits>
#include <vector>

using regex_cache::RKLCachedRegex;

namespace {

constexpr qsizetype kIntMax = std::numeric_limits<int32_t>::max();

TDError misuse(const char* kind, TDRegexMisuseCode code, const char* function, const QString& reason) {
    TDError error =
        TDError::make(code, QStringLiteral("*** -[QString %1]: %2").arg(QLatin1String(function), reason));
    error.domain = QString::fromLatin1(kind);
    return error;
}

// The state of one operation: the lock held for its whole run and the compiled expression set to the
// subject's range. `record` is null when the operation must give its empty result.
class Operation {
public:
    Operation(const char* function, const QString& subject, const QString& regex, RKLRegexOptions options,
              TDRange range, TDError* error)
        : m_lock(&regex_cache::cacheLock()),
          m_function(function),
          m_regex(regex),
          m_options(options),
          m_error(error) {
        if (error) *error = TDError();
        RKLCachedRegex* record = regex_cache::cachedRegex(regex, options, error);
        if (range.length == TDRangeToEnd && range.location >= 0 && range.location <= subject.size())
            range.length = subject.size() - range.location;
        if (range.location < 0 || range.length < 0 || range.location > subject.size() ||
            range.length > subject.size() - range.location) {
            reportMisuse(misuse("NSRangeException", TDRegexMisuseOutOfBounds, function,
                                QStringLiteral("Range or index out of bounds.")));
            return;
        }
        if (subject.size() >= kIntMax) {
            reportMisuse(misuse("NSRangeException", TDRegexMisuseSubjectTooLong, function,
                                QStringLiteral("String length exceeds INT_MAX.")));
            return;
        }
        if (!record) return;
        int status = 0;
        if (!regex_cache::setCachedRegexToString(*record, subject, range, status)) {
            failWithStatus(status);
            return;
        }
        m_record = record;
        m_range = range;
    }

    // A caller's mistake is logged once the lock is released, so the logger may itself match patterns.
    ~Operation() {
        m_lock.unlock();
        if (!m_misuse.isEmpty()) logWithLevel(TDLogWarning, "WARNING", "%@", m_misuse);
    }

    RKLCachedRegex* record() const { return m_record; }
    URegularExpression* icu() const { return m_record->icu_regex; }
    int captureCount() const { return int(m_record->captureCount); }
    TDRange range() const { return m_range; }

    bool checkCapture(int capture) {
        if (capture >= 0 && capture <= captureCount()) return true;
        invalidArgument(QStringLiteral("The capture argument is not valid."));
        return false;
    }
    void invalidArgument(const QString& reason) {
        reportMisuse(misuse("NSInvalidArgumentException", TDRegexMisuseInvalidArgument, m_function, reason));
        m_record = nullptr;
    }
    void failWithStatus(int status) {
        if (m_error)
            *m_error = regex_cache::icuError(status,
                                             QStringLiteral("ICU regular expression error #%1, %2.")
                                                 .arg(status)
                                                 .arg(QString::fromLatin1(u_errorName(UErrorCode(status)))),
                                             m_regex, m_options);
        m_record = nullptr;
    }

    // The range of a group in the current match, in units of the subject.
    TDRange groupRange(int group, UErrorCode& status) const {
        const int32_t start = uregex_start(icu(), group, &status);
        if (U_FAILURE(status) || start < 0) return TDRange::notFound();
        const int32_t end = uregex_end(icu(), group, &status);
        return {m_range.location + start, end - start};
    }

    // The first match in the range, reusing the last search when it still stands (an empty match is
    // searched again, since the matcher may have moved past it).
    TDRange firstMatch(UErrorCode& status) {
        RKLCachedRegex& r = *m_record;
        if (r.lastFindRange == m_range && (!r.lastMatchRange.isFound() || r.lastMatchRange.length > 0))
            return r.lastMatchRange;
        r.lastFindRange = TDRange::notFound();
        const bool found = uregex_find(icu(), 0, &status);
        if (U_FAILURE(status)) return TDRange::notFound();
        r.lastMatchRange = found ? groupRange(0, status) : TDRange::notFound();
        r.lastFindRange = m_range;
        return r.lastMatchRange;
    }

    // Calls visit() at every match until it answers false; the matcher's last search is gone after.
    template <typename Visit>
    UErrorCode forEachMatch(Visit visit) {
        m_record->lastFindRange = m_record->lastMatchRange = TDRange::notFound();
        UErrorCode status = U_ZERO_ERROR;
        uregex_reset(icu(), 0, &status);
        while (U_SUCCESS(status) && uregex_findNext(icu(), &status))
            if (!visit(status)) break;
        return status;
    }

private:
    void reportMisuse(TDError error) {
        m_misuse = error.description;
        if (m_error) *m_error = std::move(error);
    }

    QMutexLocker<QMutex> m_lock;
    const char* m_function;
    const QString& m_regex;
    RKLRegexOptions m_options;
    TDError* m_error;
    RKLCachedRegex* m_record = nullptr;
    TDRange m_range;
    QString m_misuse;
};

QString textOf(const QString& subject, TDRange range) {
    if (!range.isFound() || range.length == 0) return QString(QLatin1String(""));
    return subject.mid(range.location, range.length);
}

// The ranges of every capture (0 first) of every match, or of the first match only.
QList<QList<TDRange>> allCaptureRanges(Operation& op, bool firstOnly) {
    QList<QList<TDRange>> matches;
    const UErrorCode status = op.forEachMatch([&](UErrorCode& st) {
        QList<TDRange> ranges;
        for (int g = 0; g <= op.captureCount(); ++g) ranges.append(op.groupRange(g, st));
        matches.append(ranges);
        return !firstOnly && U_SUCCESS(st);
    });
    if (U_FAILURE(status)) {
        op.failWithStatus(status);
        return {};
    }
    return matches;
}

bool checkKeys(Operation& op, const RKLKeysAndCaptures& keysAndCaptures) {
    const qsizetype count = keysAndCaptures.size();
    for (qsizetype i = 0; i < count; ++i) {
        const auto& [key, capture] = keysAndCaptures.at(i);
        if (key.isNull()) {
            op.invalidArgument(
                QStringLiteral("The capture key (key %1 of %2) is NULL.").arg(i + 1).arg(count));
            return false;
        }
        if (capture < 0 || capture > op.captureCount()) {
            op.invalidArgument(
                QStringLiteral("The capture argument %1 (capture %2 of %3) for key '%4' is not valid.")
                    .arg(capture)
                    .arg(i + 1)
                    .arg(count)
                    .arg(key));
            return false;
        }
    }
    return true;
}

RKLCaptureDictionary dictionaryOf(const QString& subject, const QList<TDRange>& ranges,
                                  const RKLKeysAndCaptures& keysAndCaptures) {
    RKLCaptureDictionary dictionary;
    for (const auto& [key, capture] : keysAndCaptures)
        if (ranges.at(capture).isFound()) dictionary.insert(key, textOf(subject, ranges.at(capture)));
    return dictionary;
}

struct Replaced {
    QString text;
    qsizetype count = 0;
};

// Every match of the operation's range replaced by the template; nullopt on error.
std::optional<Replaced> replaceAll(Operation& op, const QString& replacement) {
    const qsizetype length = op.range().length;
    if (replacement.size() >= kIntMax || length / 2 + replacement.size() * 2 >= kIntMax) {
        op.invalidArgument(QStringLiteral("Replacement string length exceeds INT_MAX."));
        return std::nullopt;
    }
    qsizetype capacity = length + length / 2 + replacement.size() * 2 + 16;
    for (;;) {
        if (capacity >= kIntMax) {
            op.invalidArgument(QStringLiteral("Replaced string length exceeds INT_MAX."));
            return std::nullopt;
        }
        std::vector<UChar> buffer(size_t(capacity) + 1);
        UChar* dest = buffer.data();
        auto room = int32_t(capacity);
        int32_t needed = 0;
        qsizetype count = 0;
        UErrorCode appendStatus = U_ZERO_ERROR;
        const UErrorCode findStatus = op.forEachMatch([&](UErrorCode&) {
            ++count;
            needed +=
                uregex_appendReplacement(op.icu(), reinterpret_cast<const UChar*>(replacement.constData()),
                                         int32_t(replacement.size()), &dest, &room, &appendStatus);
            return U_SUCCESS(appendStatus) || appendStatus == U_BUFFER_OVERFLOW_ERROR;
        });
        if (U_FAILURE(findStatus)) {
            op.failWithStatus(findStatus);
            return std::nullopt;
        }
        if (U_SUCCESS(appendStatus) || appendStatus == U_BUFFER_OVERFLOW_ERROR)
            needed += uregex_appendTail(op.icu(), &dest, &room, &appendStatus);
        if (appendStatus == U_BUFFER_OVERFLOW_ERROR) {
            capacity = qsizetype(needed) + 4;
            continue;
        }
        if (U_FAILURE(appendStatus)) {
            op.failWithStatus(appendStatus);
            return std::nullopt;
        }
        return Replaced{QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.data()), needed), count};
    }
}

}  // namespace

bool isMatchedByRegex(const QString& subject, const QString& regex, RKLRegexOptions options, TDRange range,
                      TDError* error) {
    return rangeOfRegex(subject, regex, 0, options, range, error).isFound();
}

TDRange rangeOfRegex(const QString& subject, const QString& regex, int capture, RKLRegexOptions options,
                     TDRange range, TDError* error) {
    Operation op("rangeOfRegex", subject, regex, options, range, error);
    if (!op.record() || !op.checkCapture(capture)) return TDRange::notFound();
    UErrorCode status = U_ZERO_ERROR;
    const TDRange match = op.firstMatch(status);
    if (U_SUCCESS(status) && match.isFound() && capture != 0) {
        const TDRange group = op.groupRange(capture, status);
        if (U_SUCCESS(status)) return group;
    }
    if (U_FAILURE(status)) {
        op.failWithStatus(status);
        return TDRange::notFound();
    }
    return match;
}

QString stringByMatching(const QString& subject, const QString& regex, int capture, RKLRegexOptions options,
                         TDRange range, TDError* error) {
    const TDRange found = rangeOfRegex(subject, regex, capture, options, range, error);
    return found.isFound() ? textOf(subject, found) : QString();
}

QStringList componentsSeparatedByRegex(const QString& subject, const QString& regex, RKLRegexOptions options,
                                       TDRange range, TDError* error) {
    Operation op("componentsSeparatedByRegex", subject, regex, options, range, error);
    if (!op.record() || op.range().length == 0) return {};
    QList<TDRange> pieces;
    qsizetype pieceStart = op.range().location;
    qsizetype keep = 0;  // records up to the last match whose piece was not empty
    qsizetype lastEnd = -1;
    const UErrorCode status = op.forEachMatch([&](UErrorCode& st) {
        const TDRange match = op.groupRange(0, st);
        if (match.length == 0 && match.location == pieceStart) return U_SUCCESS(st);
        const TDRange piece{pieceStart, match.location - pieceStart};
        pieces.append(piece);
        for (int g = 1; g <= op.captureCount(); ++g) pieces.append(op.groupRange(g, st));
        if (piece.length > 0) keep = pieces.size();
        pieceStart = lastEnd = match.end();
        return U_SUCCESS(st);
    });
    if (U_FAILURE(status)) {
        op.failWithStatus(status);
        return {};
    }
    if (lastEnd == op.range().end()) {
        pieces.resize(keep);
    } else {
        pieces.append({pieceStart, op.range().end() - pieceStart});
    }
    QStringList result;
    result.reserve(pieces.size());
    for (const TDRange& piece : pieces) result.append(textOf(subject, piece));
    return result;
}

QStringList componentsMatchedByRegex(const QString& subject, const QString& regex, int capture,
                                     RKLRegexOptions options, TDRange range, TDError* error) {
    Operation op("componentsMatchedByRegex", subject, regex, options, range, error);
    if (!op.record() || !op.checkCapture(capture)) return {};
    QStringList result;
    const UErrorCode status = op.forEachMatch([&](UErrorCode& st) {
        result.append(textOf(subject, op.groupRange(capture, st)));
        return U_SUCCESS(st);
    });
    if (U_FAILURE(status)) {
        op.failWithStatus(status);
        return {};
    }
    return result;
}

QStringList captureComponentsMatchedByRegex(const QString& subject, const QString& regex,
                                            RKLRegexOptions options, TDRange range, TDError* error) {
    Operation op("captureComponentsMatchedByRegex", subject, regex, options, range, error);
    if (!op.record()) return {};
    const QList<QList<TDRange>> matches = allCaptureRanges(op, true);
    QStringList result;
    if (!matches.isEmpty())
        for (const TDRange& r : matches.first()) result.append(textOf(subject, r));
    return result;
}

QList<QStringList> arrayOfCaptureComponentsMatchedByRegex(const QString& subject, const QString& regex,
                                                          RKLRegexOptions options, TDRange range,
                                                          TDError* error) {
    Operation op("arrayOfCaptureComponentsMatchedByRegex", subject, regex, options, range, error);
    if (!op.record()) return {};
    QList<QStringList> result;
    for (const QList<TDRange>& match : allCaptureRanges(op, false)) {
        QStringList texts;
        for (const TDRange& r : match) texts.append(textOf(subject, r));
        result.append(texts);
    }
    return result;
}

RKLCaptureDictionary dictionaryByMatchingRegex(const QString& subject, const QString& regex,
                                               const RKLKeysAndCaptures& keysAndCaptures,
                                               RKLRegexOptions options, TDRange range, TDError* error) {
    Operation op("dictionaryByMatchingRegex", subject, regex, options, range, error);
    if (!op.record() || !checkKeys(op, keysAndCaptures)) return {};
    const QList<QList<TDRange>> matches = allCaptureRanges(op, true);
    return matches.isEmpty() ? RKLCaptureDictionary()
                             : dictionaryOf(subject, matches.first(), keysAndCaptures);
}

QList<RKLCaptureDictionary> arrayOfDictionariesByMatchingRegex(const QString& subject, const QString& regex,
                                                               const RKLKeysAndCaptures& keysAndCaptures,
                                                               RKLRegexOptions options, TDRange range,
                                                               TDError* error) {
    Operation op("arrayOfDictionariesByMatchingRegex", subject, regex, options, range, error);
    if (!op.record() || !checkKeys(op, keysAndCaptures)) return {};
    QList<RKLCaptureDictionary> result;
    for (const QList<TDRange>& match : allCaptureRanges(op, false))
        result.append(dictionaryOf(subject, match, keysAndCaptures));
    return result;
}

QString stringByReplacingOccurrencesOfRegex(const QString& subject, const QString& regex,
                                            const QString& replacement, RKLRegexOptions options,
                                            TDRange range, TDError* error) {
    Operation op("stringByReplacingOccurrencesOfRegex", subject, regex, options, range, error);
    if (!op.record()) return {};
    const std::optional<Replaced> replaced = replaceAll(op, replacement);
    if (!replaced) return {};
    if (replaced->count == 0) return textOf(subject, op.range());
    return replaced->text.isNull() ? QString(QLatin1String("")) : replaced->text;
}

qsizetype replaceOccurrencesOfRegex(QString& subject, const QString& regex, const QString& replacement,
                                    RKLRegexOptions options, TDRange range, TDError* error) {
    std::optional<Replaced> replaced;
    TDRange resolved;
    {
        Operation op("replaceOccurrencesOfRegex", subject, regex, options, range, error);
        if (!op.record()) return -1;
        replaced = replaceAll(op, replacement);
        if (!replaced) return -1;
        resolved = op.range();
        if (replaced->count > 0) regex_cache::clearSubjectLink(*op.record());
    }
    if (replaced->count > 0) subject.replace(resolved.location, resolved.length, replaced->text);
    return replaced->count;
}

int captureCountForRegex(const QString& regex, RKLRegexOptions options, TDError* error) {
    QMutexLocker lock(&regex_cache::cacheLock());
    if (error) *error = TDError();
    const RKLCachedRegex* record = regex_cache::cachedRegex(regex, options, error);
    return record ? int(record->captureCount) : -1;
}

bool isRegexValid(const QString& regex, RKLRegexOptions options, TDError* error) {
    return captureCountForRegex(regex, options, error) >= 0;
}

void clearStringCache() {
    regex_cache::clearStringCache();
}

void flushCachedRegexData(const QString& subject) {
    regex_cache::flushCachedRegexData(subject);
}

QString stringByEscapingRegexExpressions(const QString& text) {
    // The backslash is escaped too, or a literal backslash would escape what follows it.
    static const QString pattern = QStringLiteral("[\\\\\\*\\?\\+\\[\\]\\(\\)\\{\\}\\^\\$\\|\\.\\/]");
    static const QString escapedMatch = QStringLiteral("\\\\$0");
    return stringByReplacingOccurrencesOfRegex(text, pattern, escapedMatch);
}

QList<TDRange> rangesOfRegex(const QString& subject, const QString& regex) {
    return rkl_rangeEnumeratorWithRegex(subject, regex).allObjects();
}

std::optional<TDRange> RKLMatchEnumerator::p_nextRange() {
    if (m_finished || m_location > m_string.size()) {
        m_finished = true;
        return std::nullopt;
    }
    const TDRange found = rangeOfRegex(m_string, m_regex, 0, RKLNoOptions, {m_location, TDRangeToEnd});
    if (!found.isFound()) {
        m_finished = true;
        return std::nullopt;
    }
    m_location = found.end() + (found.length == 0 ? 1 : 0);
    return found;
}

std::optional<QString> RKLMatchEnumerator::nextObject() {
    const std::optional<TDRange> found = p_nextRange();
    if (!found) return std::nullopt;
    return textOf(m_string, *found);
}

QStringList RKLMatchEnumerator::allObjects() {
    QStringList all;
    while (std::optional<QString> next = nextObject()) all.append(*next);
    return all;
}

QList<TDRange> RKLRangeEnumerator::allObjects() {
    QList<TDRange> all;
    while (std::optional<TDRange> next = nextObject()) all.append(*next);
    return all;
}

RKLMatchEnumerator rkl_matchEnumeratorWithRegex(const QString& string, const QString& regex) {
    return RKLMatchEnumerator(string, regex);
}

RKLRangeEnumerator rkl_rangeEnumeratorWithRegex(const QString& string, const QString& regex) {
    return RKLRangeEnumerator(string, regex);
}
