#include "language/natural_language_time_interval_value_transformer.h"

#include "language/localized_string.h"
#include "language/text_scanner.h"
#include "platform/base/format.h"
#include "platform/defaults/user_defaults.h"

#include <QLocale>
#include <QStringList>

#include <climits>
#include <cmath>

namespace {

constexpr qint64 kCalendarDay = 86400;
constexpr qint64 kCalendarWeek = 604800;
constexpr qint64 kDefaultWorkDay = 28800;
constexpr qint64 kDefaultWorkWeek = 144000;
// Typed durations are short; anything longer is not a duration.
constexpr qsizetype kMaximumTextLength = 256;
// About 300,000 years: far beyond any estimate, and well inside what a 64-bit count of seconds holds.
constexpr double kMaximumSeconds = 1e13;

// A length of 0 or less would divide by zero, so it falls back to the registered value.
qint64 positiveLengthDefault(const char* key, qint64 documented) {
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    const QString name = QString::fromLatin1(key);
    for (const QVariant& value : {defaults.value(name), defaults.registeredDefaults().value(name)}) {
        const double seconds = std::trunc(value.toDouble());
        if (seconds >= 1 && seconds <= INT_MAX) return qint64(seconds);
    }
    return documented;
}

struct Unit {
    QStringList words;
    double seconds;
};

QString shortHours(double hours) {
    QString text = QLocale().toString(hours, 'f', 3);
    const QString point = QLocale().decimalPoint();
    if (text.contains(point)) {
        while (text.endsWith(QLatin1Char('0'))) text.chop(1);
        if (text.endsWith(point)) text.chop(point.size());
    }
    if (text.startsWith(QLatin1Char('0') + point)) text.remove(0, 1);
    return text + QLatin1Char('h');
}

QString quantity(qint64 count, const char* singular, const char* plural) {
    return formatString("%lu %@", count, TDLocalizedString(count == 1 ? singular : plural));
}

}  // namespace

qint64 TDNaturalLanguageTimeIntervalValueTransformer::dayLength() const {
    return m_usesWorkHoursAndDays ? positiveLengthDefault("secondsPerDay", kDefaultWorkDay) : kCalendarDay;
}

qint64 TDNaturalLanguageTimeIntervalValueTransformer::weekLength() const {
    return m_usesWorkHoursAndDays ? positiveLengthDefault("secondsPerWeek", kDefaultWorkWeek) : kCalendarWeek;
}

std::optional<double> TDNaturalLanguageTimeIntervalValueTransformer::secondsFromString(
    const QString& text) const {
    const qsizetype length = text.trimmed().size();
    if (length == 0 || length > kMaximumTextLength) return std::nullopt;
    const Unit units[] = {
        {{TDLocalizedString("minutes"), TDLocalizedString("minute"), TDLocalizedString("mins"),
          TDLocalizedString("min"), QStringLiteral("m")},
         60},
        {{TDLocalizedString("hours"), TDLocalizedString("hour"), TDLocalizedString("hrs"),
          TDLocalizedString("hr"), QStringLiteral("h")},
         3600},
        {{TDLocalizedString("days"), TDLocalizedString("day"), QStringLiteral("d")}, double(dayLength())},
        {{TDLocalizedString("weeks"), TDLocalizedString("week"), QStringLiteral("w")}, double(weekLength())},
    };
    TDTextScanner scanner(text);
    double total = 0;
    while (!scanner.isAtEnd()) {
        const std::optional<double> number = scanner.scanDecimal();
        if (number && *number < 0) return std::nullopt;
        const double amount = number.value_or(1);
        const Unit* found = nullptr;
        for (const Unit& unit : units) {
            for (const QString& word : unit.words) {
                if (scanner.scanWord(word)) {
                    found = &unit;
                    break;
                }
            }
            if (found) break;
        }
        if (found) {
            total += amount * found->seconds;
        } else {
            // A number without a unit counts as hours, and only as the last thing typed.
            if (!number || !scanner.isAtEnd()) return std::nullopt;
            total += amount * 3600;
        }
        if (!std::isfinite(total) || total > kMaximumSeconds) return std::nullopt;
    }
    return total;
}

QString TDNaturalLanguageTimeIntervalValueTransformer::stringFromSeconds(double seconds) const {
    if (!std::isfinite(seconds) || std::abs(seconds) > kMaximumSeconds) return {};
    if (seconds == 0) return QStringLiteral("");
    if (seconds < 0) return QLatin1Char('-') + stringFromSeconds(-seconds);

    const qint64 t = std::llround(seconds);
    const qint64 day = dayLength();
    const qint64 week = weekLength();
    // Each part is taken from what the larger ones leave, so a work day that is not a whole number
    // of hours keeps its minutes.
    const qint64 weeks = t / week;
    qint64 days = (t % week) / day;
    const qint64 withinDay = (t % week) % day;
    const qint64 hours = withinDay / 3600;
    const qint64 minutes = std::llround(double(withinDay % 3600) / 60.0);

    QStringList parts;
    if (platform::UserDefaults::standard().boolean(QStringLiteral("showFullDuration"))) {
        if (t < 60) return formatString("1 %@", TDLocalizedString("minute"));
        if (weeks) parts << quantity(weeks, "week", "weeks");
        if (days) parts << quantity(days, "day", "days");
        if (hours) parts << quantity(hours, "hour", "hours");
        if (minutes) parts << quantity(minutes, "minute", "minutes");
        return parts.join(QLatin1Char(' '));
    }

    if (t < 60) return QStringLiteral("1m");
    const double fractionalHours = double(minutes) / 60.0 + double(hours);
    // With weeks shown, what is left of a day counts as a whole day.
    const bool roundsUp = weeks > 0 && fractionalHours > 0;
    if (roundsUp) ++days;
    QString hoursPart;
    QString minutesPart;
    if (!roundsUp) {
        if (minutes % 15 == 0) {
            if (fractionalHours != 0) hoursPart = shortHours(fractionalHours);
        } else {
            minutesPart = formatString("%ldm", minutes);
            if (hours) hoursPart = formatString("%ldh", hours);
        }
    }
    if (weeks) parts << formatString("%ldw", weeks);
    if (days) parts << formatString("%ldd", days);
    if (!hoursPart.isEmpty()) parts << hoursPart;
    if (!minutesPart.isEmpty()) parts << minutesPart;
    return parts.join(QLatin1Char(' '));
}

QVariant TDNaturalLanguageTimeIntervalValueTransformer::transformedValue(const QVariant& value) const {
    if (!value.isValid() || value.isNull()) return {};
    bool ok = false;
    const double seconds = value.toDouble(&ok);
    if (!ok) return {};
    const QString text = stringFromSeconds(seconds);
    return text.isNull() ? QVariant() : QVariant(text);
}

QVariant TDNaturalLanguageTimeIntervalValueTransformer::reverseTransformedValue(const QVariant& value) const {
    if (value.typeId() != QMetaType::QString) return {};
    const std::optional<double> seconds = secondsFromString(value.toString());
    return seconds ? QVariant(*seconds) : QVariant();
}

std::shared_ptr<const TDNaturalLanguageTimeIntervalValueTransformer>
TDNaturalLanguageTimeIntervalValueTransformer::shared() {
    static const auto transformer = std::make_shared<const TDNaturalLanguageTimeIntervalValueTransformer>();
    return transformer;
}
