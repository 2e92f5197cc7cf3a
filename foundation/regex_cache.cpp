#include "foundation/regex_cache.h"

#include <QHash>

#include <unicode/uregex.h>
#include <unicode/utypes.h>

#include <array>
#include <limits>

namespace regex_cache {

namespace {

constexpr int kSets = 13;
constexpr int kWays = 4;
constexpr int kLookasideSize = 64;
constexpr quint16 kInitialRecency = 0x0137;
// In steps of ICU's match engine, each on the order of a millisecond.
constexpr int32_t kMatchTimeLimit = 10000;

struct State {
    std::array<RKLCachedRegex, kSets * kWays> records;
    std::array<quint16, kSets> recency;
    std::array<quint8, kLookasideSize> lookaside{};
    RKLCachedRegex* lastUsed = nullptr;
    Counters counters;

    State() { recency.fill(kInitialRecency); }
};

State& state() {
    static State s;
    return s;
}

// The recency word is a 4 x 4 bit matrix: row w is bits 4w..4w+3, column w is bit 3-w of every row.
// Using way w fills its row and clears its column; the least recently used way has an empty row.
void markUsed(quint16& word, int way) {
    word |= quint16(0xF << (4 * way));
    const quint16 column = quint16(0x1111 << (3 - way));
    word &= quint16(~column);
}

int leastRecentlyUsed(quint16 word) {
    for (int way = 0; way < kWays; ++way)
        if (((word >> (4 * way)) & 0xF) == 0) return way;
    return kWays - 1;
}

int setOf(size_t hash, RKLRegexOptions options) {
    return int((hash ^ options) % kSets);
}

int lookasideSlot(const QString& pattern, RKLRegexOptions options) {
    const auto address = reinterpret_cast<quintptr>(pattern.constData());
    return int(((address >> 4) + options + (options >> 4)) % kLookasideSize);
}

bool sameText(const QString& held, const QString& other) {
    return (held.constData() == other.constData() && held.size() == other.size()) || held == other;
}

void clearRecord(RKLCachedRegex& record) {
    State& s = state();
    if (s.lastUsed == &record) s.lastUsed = nullptr;
    if (record.icu_regex) uregex_close(record.icu_regex);
    record = RKLCachedRegex();
}

void use(RKLCachedRegex& record, const QString& pattern) {
    State& s = state();
    const int index = int(&record - s.records.data());
    s.lastUsed = &record;
    s.lookaside[lookasideSlot(pattern, record.options)] = quint8(index);
    markUsed(s.recency[index / kWays], index % kWays);
}

}  // namespace

QMutex& cacheLock() {
    static QMutex lock;
    return lock;
}

TDError icuError(int status, const QString& description, const QString& pattern, RKLRegexOptions options) {
    TDError error = TDError::make(status, description);
    error.domain = RKLICURegexErrorDomain;
    error.userInfo.insert(QStringLiteral("RKLICURegexRegex"), pattern);
    error.userInfo.insert(QStringLiteral("RKLICURegexRegexOptions"), options);
    error.userInfo.insert(QStringLiteral("RKLICURegexErrorCode"), status);
    error.userInfo.insert(QStringLiteral("RKLICURegexErrorName"),
                          QString::fromLatin1(u_errorName(static_cast<UErrorCode>(status))));
    return error;
}

RKLCachedRegex* cachedRegex(const QString& pattern, RKLRegexOptions options, TDError* error) {
    State& s = state();
    RKLCachedRegex* last = s.lastUsed;
    if (last && last->icu_regex && last->options == options &&
        last->regexString.constData() == pattern.constData() && last->regexString.size() == pattern.size())
        return last;
    s.lastUsed = nullptr;

    RKLCachedRegex& side = s.records[s.lookaside[lookasideSlot(pattern, options)]];
    if (side.icu_regex && side.options == options && sameText(side.regexString, pattern)) {
        use(side, pattern);
        return &side;
    }

    const size_t hash = qHash(pattern, 0);
    const int set = setOf(hash, options);
    for (int way = 0; way < kWays; ++way) {
        RKLCachedRegex& record = s.records[set * kWays + way];
        if (record.icu_regex && record.regexHash == hash && record.options == options &&
            sameText(record.regexString, pattern)) {
            use(record, pattern);
            return &record;
        }
    }

    RKLCachedRegex& record = s.records[set * kWays + leastRecentlyUsed(s.recency[set])];
    clearRecord(record);
    if (pattern.size() >= std::numeric_limits<int32_t>::max()) {
        if (error) {
            *error = TDError::make(U_INDEX_OUTOFBOUNDS_ERROR,
                                   QStringLiteral("Regex string length exceeds INT_MAX"));
            error->domain = RKLICURegexErrorDomain;
        }
        return nullptr;
    }
    UParseError parseError{};
    UErrorCode status = U_ZERO_ERROR;
    ++s.counters.compilations;
    URegularExpression* compiled = uregex_open(reinterpret_cast<const UChar*>(pattern.constData()),
                                               int32_t(pattern.size()), options, &parseError, &status);
    if (U_FAILURE(status)) {
        if (compiled) uregex_close(compiled);
        if (error) {
            *error = icuError(status, QStringLiteral("There was an error compiling the regular expression."),
                              pattern, options);
            const QString name = QString::fromLatin1(u_errorName(status));
            if (parseError.line >= 0 && parseError.offset >= 0) {
                const QString pre = QString::fromUtf16(parseError.preContext);
                const QString post = QString::fromUtf16(parseError.postContext);
                error->userInfo.insert(QStringLiteral("RKLICURegexLine"), parseError.line);
                error->userInfo.insert(QStringLiteral("RKLICURegexOffset"), parseError.offset);
                error->userInfo.insert(QStringLiteral("RKLICURegexPreContext"), pre);
                error->userInfo.insert(QStringLiteral("RKLICURegexPostContext"), post);
                error->userInfo.insert(
                    QStringLiteral("NSLocalizedFailureReason"),
                    QStringLiteral("The error %1 occurred at line %2, column %3: %4<<HERE>>%5")
                        .arg(name)
                        .arg(parseError.line)
                        .arg(parseError.offset)
                        .arg(pre, post));
            } else {
                error->userInfo.insert(QStringLiteral("NSLocalizedFailureReason"),
                                       QStringLiteral("The error %1 occurred.").arg(name));
            }
        }
        return nullptr;
    }
    // A pattern that backtracks without end gives an error (U_REGEX_TIME_OUT) instead of a hang.
    status = U_ZERO_ERROR;
    uregex_setTimeLimit(compiled, kMatchTimeLimit, &status);
    record.regexString = pattern;
    record.regexHash = hash;
    record.options = options;
    record.icu_regex = compiled;
    status = U_ZERO_ERROR;
    record.captureCount = uregex_groupCount(compiled, &status);
    use(record, pattern);
    return &record;
}

void clearSubjectLink(RKLCachedRegex& record) {
    if (!record.linked) return;
    if (record.icu_regex) {
        UErrorCode status = U_ZERO_ERROR;
        static const UChar empty[1] = {0};
        uregex_setText(record.icu_regex, empty, 0, &status);
    }
    record.setToString = QString();
    record.linked = false;
    record.setToLength = 0;
    record.setToUniChar = nullptr;
    record.setToRange = record.lastFindRange = record.lastMatchRange = TDRange::notFound();
}

bool setCachedRegexToString(RKLCachedRegex& record, const QString& subject, TDRange range, int& icuStatus) {
    icuStatus = 0;
    const bool stands = record.linked &&
                        record.setToUniChar == reinterpret_cast<const char16_t*>(subject.constData()) &&
                        record.setToLength == subject.size();
    if (!stands) {
        clearSubjectLink(record);
        record.setToString = subject;
        record.linked = true;
        record.setToLength = subject.size();
        record.setToUniChar = reinterpret_cast<const char16_t*>(record.setToString.constData());
    }
    if (range == record.setToRange) return true;
    UErrorCode status = U_ZERO_ERROR;
    ++state().counters.textSettings;
    uregex_setText(record.icu_regex, reinterpret_cast<const UChar*>(record.setToUniChar) + range.location,
                   int32_t(range.length), &status);
    record.lastFindRange = record.lastMatchRange = TDRange::notFound();
    if (U_FAILURE(status)) {
        icuStatus = status;
        clearSubjectLink(record);
        return false;
    }
    record.setToRange = range;
    return true;
}

void clearStringCache() {
    QMutexLocker lock(&cacheLock());
    State& s = state();
    s.lastUsed = nullptr;
    for (RKLCachedRegex& record : s.records) clearRecord(record);
    // Back to the start state, so that the ways of a set fill in their first order again.
    s.recency.fill(kInitialRecency);
    s.lookaside.fill(0);
}

void flushCachedRegexData(const QString& subject) {
    QMutexLocker lock(&cacheLock());
    for (RKLCachedRegex& record : state().records)
        if (record.linked && record.setToUniChar == reinterpret_cast<const char16_t*>(subject.constData()) &&
            record.setToLength == subject.size())
            clearSubjectLink(record);
}

Counters counters() {
    QMutexLocker lock(&cacheLock());
    return state().counters;
}

int recordIndexOf(const QString& pattern, RKLRegexOptions options) {
    QMutexLocker lock(&cacheLock());
    const State& s = state();
    for (int i = 0; i < kSets * kWays; ++i)
        if (s.records[i].icu_regex && s.records[i].options == options && s.records[i].regexString == pattern)
            return i;
    return -1;
}

}  // namespace regex_cache
