// Typed text through the date, duration and title parsers: any input must give an answer or
// nothing, never a crash, a hang or a broken invariant.
#include "language/date_parser.h"
#include "language/natural_language_future_date_value_transformer.h"
#include "language/natural_language_time_interval_value_transformer.h"
#include "language/title_parser.h"
#include "platform/base/clock.h"
#include "platform/defaults/user_defaults.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void fuzzDates(const QString& text) {
    if (const std::optional<TDDateParser::Parsed> parsed = TDDateParser::shared().parse(text)) {
        check(parsed->date.isValid() && parsed->date == parsed->date.date().startOfDay());
    }
    const QVariant future =
        TDNaturalLanguageFutureDateValueTransformer::shared()->reverseTransformedValue(text);
    check(!future.isValid() || future.toDateTime().isValid());
}

void fuzzDurations(const QString& text) {
    const auto& transformer = *TDNaturalLanguageTimeIntervalValueTransformer::shared();
    if (const std::optional<double> seconds = transformer.secondsFromString(text)) {
        check(std::isfinite(*seconds) && *seconds >= 0);
        check(!transformer.stringFromSeconds(*seconds).isNull());
    }
}

void fuzzTitles(const QString& text) {
    qsizetype end = 0;
    for (const TDTitleParser::Range& range : TDTitleParser::tokenRangesFromEditingString(text)) {
        check(range.location >= end && range.length > 0 && range.location + range.length <= text.size());
        end = range.location + range.length;
    }
    TDTitleParser::titleWithoutTagsFromEditingString(text);
    TDTitleParser::tokenTitlesFromEditingString(text);
    TDTitleParser::parsedTokensFromEditingString(text);
    TDTitleParser::tokenFromEditingString(text);
    const QString tag = TDTitleParser::tagEditingStringFromTitle(text);
    if (!tag.isNull()) TDTitleParser::rangeOfEquivalentTagEditingString(tag, text);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("TZ", "Europe/Berlin", 1);
    static QCoreApplication app(*argc, *argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    static QTemporaryDir folder;
    static platform::UserDefaults defaults(folder.path() + QStringLiteral("/Ordello.conf"));
    defaults.registerDefaults(
        {{QStringLiteral("secondsPerDay"), 28800}, {QStringLiteral("secondsPerWeek"), 144000}});
    platform::UserDefaults::setStandard(&defaults);
    static const TDTestClock clock(QDateTime(QDate(2027, 3, 10), QTime(9, 30)));
    TDClock::setShared(&clock);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    // The first byte picks how the rest becomes text, so lone surrogates are reached as well.
    QString text;
    if (size > 0 && data[0] % 2) {
        text.resize(qsizetype((size - 1) / 2));
        std::memcpy(text.data(), data + 1, size_t(text.size()) * sizeof(QChar));
    } else {
        text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    }
    fuzzDates(text);
    fuzzDurations(text);
    fuzzTitles(text);
    return 0;
}
