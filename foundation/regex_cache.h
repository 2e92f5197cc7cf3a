#pragma once

#include "foundation/range.h"
#include "platform/base/error.h"

#include <QMutex>
#include <QString>

#include <cstdint>

struct URegularExpression;

// Options of a regular expression: ICU's flag word, passed to the compiler unchanged.
using RKLRegexOptions = uint32_t;

inline const QString RKLICURegexErrorDomain = QStringLiteral("RKLICURegexErrorDomain");

// The process-wide cache of compiled expressions behind the regular-expression operations. Every
// record keeps the subject last set on it, so that matching one pattern against one string again
// compiles nothing and copies nothing: a QString's UTF-16 units are given to ICU in place, and holding
// a copy of the subject keeps those units alive and unchanged (a write to the caller's string detaches).
namespace regex_cache {

struct RKLCachedRegex {
    QString regexString;
    size_t regexHash = 0;
    RKLRegexOptions options = 0;
    URegularExpression* icu_regex = nullptr;
    qint64 captureCount = -1;

    QString setToString;  // shares the subject's units
    bool linked = false;
    qsizetype setToLength = 0;
    const char16_t* setToUniChar = nullptr;
    TDRange setToRange = TDRange::notFound();
    TDRange lastFindRange = TDRange::notFound();
    TDRange lastMatchRange = TDRange::notFound();
};

// The one lock: every operation holds it from the lookup to its finished result.
QMutex& cacheLock();

// The compiled expression for (pattern, options), compiled on a miss; nullptr when the pattern does
// not compile, with the compile error in `error` when given. Caller holds the lock.
RKLCachedRegex* cachedRegex(const QString& pattern, RKLRegexOptions options, TDError* error);

// Sets the subject and range on the record unless they are set already. Caller holds the lock and has
// checked the range against the subject. False when ICU refused the text (status in icuStatus).
bool setCachedRegexToString(RKLCachedRegex& record, const QString& subject, TDRange range, int& icuStatus);

// Drops the record's link to its subject.
void clearSubjectLink(RKLCachedRegex& record);

// Forgets every compiled expression and subject; the cache is as at process start.
void clearStringCache();
// Drops every link to this subject, so the next operation on it sets its text again.
void flushCachedRegexData(const QString& subject);

// Counters for tests of the cache: compilations (uregex_open) and text settings (uregex_setText).
struct Counters {
    quint64 compilations = 0;
    quint64 textSettings = 0;
};
Counters counters();
// The record index (set * 4 + way) holding (pattern, options), or -1.
int recordIndexOf(const QString& pattern, RKLRegexOptions options);

// The error of a failed ICU call, with the error dictionary's entries.
TDError icuError(int status, const QString& description, const QString& pattern, RKLRegexOptions options);

}  // namespace regex_cache
