#include "language/date_parser.h"

#include "language/date_formatter.h"
#include "language/gregorian_calendar.h"
#include "language/localized_string.h"
#include "language/text_scanner.h"
#include "platform/base/clock.h"
#include "platform/base/local_day.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <tuple>

namespace {

// Typed dates are short; longer text is not a date.
constexpr qsizetype kMaximumTextLength = 256;
// Relative amounts beyond these leave the calendar's years 1-9999 anyway.
constexpr double kMaximumDays = 3700000;
constexpr double kMaximumMonths = 120000;
constexpr double kMaximumYears = 10000;

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

struct NumericPieces {
    QList<int> numbers;
    qsizetype firstDigitCount = 0;
};

std::optional<NumericPieces> numericPieces(QStringView text) {
    for (const QChar separator : {QLatin1Char('/'), QLatin1Char('.'), QLatin1Char('-')}) {
        const QList<QStringView> pieces = text.split(separator);
        if (pieces.size() < 2) continue;
        NumericPieces result;
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            const qint64 value = qBound<qint64>(
                qint64(INT_MIN), TDLeadingInteger(pieces.at(i), i == 0 ? &result.firstDigitCount : nullptr),
                qint64(INT_MAX));
            if (value == 0) return std::nullopt;
            result.numbers << int(value);
        }
        return result;
    }
    return std::nullopt;
}

QDateTime startOfDay(QDate date) {
    if (!date.isValid() || date.year() < 1 || date.year() > 9999) return {};
    return TDStartOfLocalDay(date);
}

bool isShapeField(QStringView field, QChar letter, int minimum, int maximum) {
    if (field.size() < minimum || field.size() > maximum) return false;
    for (QChar c : field)
        if (c != letter) return false;
    return true;
}

}  // namespace

std::optional<QList<int>> splitNumericDateComponents(QStringView text) {
    const std::optional<NumericPieces> pieces = numericPieces(text);
    if (!pieces) return std::nullopt;
    return pieces->numbers;
}

TDDateParser::TDDateParser(const TDDateFormatter& shortFormatter, const TDDateFormatter& longFormatter)
    : m_shortFormatter(shortFormatter), m_reader(shortFormatter, longFormatter) {
    // Names match lower-cased and without an abbreviation's period ("dez." matches "dez 5").
    const auto matchable = [](const QString& name) {
        const QString lower = name.toLower();
        return lower.endsWith(QLatin1Char('.')) ? lower.chopped(1) : lower;
    };
    for (const QString& name : longFormatter.monthSymbols() + shortFormatter.shortMonthSymbols())
        m_monthNames << matchable(name);
    for (const QString& name : shortFormatter.shortWeekdaySymbols())
        m_shortWeekdayNames << std::pair(matchable(name), name);

    // The short date format decides the order of typed numeric dates: d/M/y, y/M/d or M/d/y, with
    // the same separator at both places.
    const QString format = shortFormatter.dateFormat();
    for (const QChar separator : {QLatin1Char('/'), QLatin1Char('.'), QLatin1Char('-')}) {
        const QList<QStringView> fields = QStringView(format).split(separator);
        if (fields.size() != 3) continue;
        const auto isDay = [](QStringView f) { return isShapeField(f, QLatin1Char('d'), 1, 2); };
        const auto isMonth = [](QStringView f) { return isShapeField(f, QLatin1Char('M'), 1, 2); };
        const auto isYear = [](QStringView f) { return isShapeField(f, QLatin1Char('y'), 1, 4); };
        if (isDay(fields[0]) && isMonth(fields[1]) && isYear(fields[2])) m_shape = Shape::DayMonthYear;
        if (isYear(fields[0]) && isMonth(fields[1]) && isDay(fields[2])) m_shape = Shape::YearMonthDay;
        if (isMonth(fields[0]) && isDay(fields[1]) && isYear(fields[2])) m_shape = Shape::MonthDayYear;
    }

    const auto word = [](const char* key) { return TDLocalizedString(key).toLower(); };
    m_tomorrow = word("tomorrow");
    m_tomorrowShort = word("to");
    m_tomorrowPrefix = word("tom");
    m_today = word("today");
    m_todayShort = word("t");
    m_yesterday = word("yesterday");
    m_yesterdayShort = word("y");
    m_yesterdayPrefix = word("yes");
    m_weekend = word("weekend");
    m_in = word("in");
    m_a = word("a");
    m_ago = word("ago");
    m_wed = word("wed");
    m_mon = word("mon");
    for (const char* number : {"one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten"})
        m_numberWords << word(number);
    m_units = {
        {{word("days"), word("day"), word("d")}, Unit::Days},
        {{word("weeks"), word("week"), m_wed, word("w")}, Unit::Weeks},
        {{word("months"), word("month"), m_mon, word("m")}, Unit::Months},
        {{word("years"), word("year"), word("y")}, Unit::Years},
    };
}

const TDDateParser& TDDateParser::shared() {
    static const TDDateParser parser(TDDateFormatter::shortDateFormatter(),
                                     TDDateFormatter::longDateFormatter());
    return parser;
}

std::optional<TDDateParser::Parsed> TDDateParser::p_read(QStringView text, QDate today) const {
    const std::optional<TDNaturalDateReader::Reading> reading = m_reader.read(text, today);
    if (!reading) return std::nullopt;
    const QDateTime date = startOfDay(reading->date);
    if (!date.isValid()) return std::nullopt;
    return Parsed{date, Source::Reader, reading->hasYear};
}

std::optional<TDDateParser::Parsed> TDDateParser::parse(const QString& text) const {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > kMaximumTextLength) return std::nullopt;
    const QString input = trimmed.toLower();
    const QDate today = TDClock::currentDateTime().toLocalTime().date();
    const auto dayFromToday = [&](qint64 days, Source source) -> std::optional<Parsed> {
        const QDateTime date = startOfDay(today.addDays(days));
        if (!date.isValid()) return std::nullopt;
        return Parsed{date, source, false};
    };

    if (input == m_tomorrow || input == m_tomorrowShort || input.startsWith(m_tomorrowPrefix))
        return dayFromToday(1, Source::Keyword);
    if (input == m_today || input == m_todayShort) return dayFromToday(0, Source::Keyword);
    if (input == m_yesterday || input == m_yesterdayShort || input.startsWith(m_yesterdayPrefix))
        return dayFromToday(-1, Source::Yesterday);
    if (input == m_weekend) {
        const int weekday = TDGregorianCalendar::weekday(today);
        return dayFromToday(weekday == 1 || weekday == 7 ? 0 : 7 - weekday, Source::Weekend);
    }

    for (const QString& name : m_monthNames) {
        if (!name.isEmpty() && input.startsWith(name)) {
            if (std::optional<Parsed> read = p_read(input, today)) return read;
            break;  // the reader reads the whole text, whichever name it begins with
        }
    }
    for (const auto& [prefix, name] : m_shortWeekdayNames) {
        if (!prefix.isEmpty() && input.startsWith(prefix)) {
            if (std::optional<Parsed> read = p_read(name, today)) return read;
        }
    }
    // A day number right before a month name: "5 jan", "12december".
    qsizetype digits = 0;
    while (digits < input.size() && digits < 3 && isAsciiDigit(input.at(digits))) ++digits;
    if (digits >= 1 && digits <= 2 && m_reader.monthNumber(QStringView(input).mid(digits).trimmed()) != 0) {
        if (std::optional<Parsed> read = p_read(input, today)) return read;
    }

    // The filler words "in" and "a" go; single spaces join what is left.
    QString cleaned;
    for (qsizetype i = 0; i < input.size();) {
        if (input.at(i).isSpace()) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < input.size() && !input.at(i).isSpace()) ++i;
        const QStringView piece = QStringView(input).mid(start, i - start);
        if (piece == m_in || piece == m_a) continue;
        if (!cleaned.isEmpty()) cleaned += QLatin1Char(' ');
        cleaned += piece;
    }

    if (!cleaned.isEmpty()) {
        if (std::optional<Parsed> relative = p_parseRelativeAmounts(cleaned, today)) return relative;
    }
    if (std::optional<Parsed> numeric = p_parseNumericDate(cleaned, today)) return numeric;

    // Every short date style writes the day as a number, so text without digits is not one.
    const bool hasDigit = std::any_of(cleaned.cbegin(), cleaned.cend(), [](QChar c) { return c.isDigit(); });
    const QDateTime formatted = hasDigit ? m_shortFormatter.dateFromString(cleaned) : QDateTime();
    if (formatted.isValid()) {
        const QDateTime date = startOfDay(formatted.toLocalTime().date());
        if (date.isValid()) return Parsed{date, Source::Formatter, true};
    }
    return p_read(cleaned, today);
}

std::optional<TDDateParser::Parsed> TDDateParser::p_parseRelativeAmounts(const QString& cleaned,
                                                                         QDate today) const {
    struct Amount {
        Unit unit;
        double count;
    };
    QList<Amount> amounts;
    bool ago = false;
    TDTextScanner scanner(cleaned);
    while (true) {
        // "3 days ago" counts back; the word only follows an amount.
        if (!amounts.isEmpty() && scanner.scanWord(m_ago)) {
            ago = true;
            break;
        }
        double count = scanner.scanDecimal().value_or(1);
        for (qsizetype i = 0; i < m_numberWords.size(); ++i) {
            if (scanner.scanWord(m_numberWords.at(i))) {
                count = double(i + 1);
                break;
            }
        }
        std::optional<Unit> unit;
        bool stops = false;
        for (const auto& [words, candidate] : m_units) {
            for (const QString& word : words) {
                if (scanner.scanWord(word)) {
                    // "wed" and "mon" are weekdays, not amounts of weeks and months.
                    stops = word == m_wed || word == m_mon;
                    unit = candidate;
                    break;
                }
            }
            if (unit) break;
        }
        if (!unit || stops) {
            if (amounts.isEmpty()) return std::nullopt;
            break;  // what follows the amounts ("from now") is ignored
        }
        amounts << Amount{*unit, count};
        if (scanner.isAtEnd()) break;
    }

    QDate date = today;
    for (const Amount& amount : amounts) {
        const double signedCount = ago ? -amount.count : amount.count;
        switch (amount.unit) {
            case Unit::Days:
            case Unit::Weeks: {
                const double days = amount.unit == Unit::Weeks ? signedCount * 7 : signedCount;
                if (!(std::abs(days) <= kMaximumDays)) return std::nullopt;
                date = date.addDays(std::llround(days));
                break;
            }
            case Unit::Months:
                if (!(std::abs(signedCount) <= kMaximumMonths)) return std::nullopt;
                date = date.addMonths(int(std::llround(signedCount)));
                break;
            case Unit::Years:
                if (!(std::abs(signedCount) <= kMaximumYears)) return std::nullopt;
                date = date.addYears(int(std::llround(signedCount)));
                break;
        }
    }
    const QDateTime result = startOfDay(date);
    if (!result.isValid()) return std::nullopt;
    return Parsed{result, Source::RelativeAmount, false};
}

std::optional<TDDateParser::Parsed> TDDateParser::p_parseNumericDate(const QString& cleaned,
                                                                     QDate today) const {
    const std::optional<NumericPieces> pieces = numericPieces(cleaned);
    if (!pieces) return std::nullopt;
    const QList<int>& n = pieces->numbers;
    int year = 0;
    int month = 0;
    int day = 1;
    bool hasYear = true;
    if (n.size() == 3) {
        // A four-digit first number is a year whatever the locale's order: "2027-01-05".
        const Shape shape = pieces->firstDigitCount == 4 ? Shape::YearMonthDay : m_shape;
        switch (shape) {
            case Shape::DayMonthYear:
                std::tie(day, month, year) = std::tuple(n[0], n[1], n[2]);
                break;
            case Shape::YearMonthDay:
                std::tie(year, month, day) = std::tuple(n[0], n[1], n[2]);
                break;
            case Shape::MonthDayYear:
                std::tie(month, day, year) = std::tuple(n[0], n[1], n[2]);
                break;
            case Shape::Other:
                return std::nullopt;
        }
        if (year > 0 && year < 100) year += 2000;
    } else if (n.size() == 2) {
        switch (m_shape) {
            case Shape::DayMonthYear:
            case Shape::MonthDayYear:
                if (n[1] >= 1900) {
                    std::tie(month, year) = std::tuple(n[0], n[1]);
                } else {
                    hasYear = false;
                    year = today.year();
                    if (m_shape == Shape::DayMonthYear)
                        std::tie(day, month) = std::tuple(n[0], n[1]);
                    else
                        std::tie(month, day) = std::tuple(n[0], n[1]);
                }
                break;
            case Shape::YearMonthDay:
                if (n[0] >= 1900) {
                    std::tie(year, month) = std::tuple(n[0], n[1]);
                } else {
                    hasYear = false;
                    year = today.year();
                    std::tie(month, day) = std::tuple(n[0], n[1]);
                }
                break;
            case Shape::Other:
                return std::nullopt;
        }
    } else {
        return std::nullopt;
    }
    // Fields out of range are no date, rather than a date carried into a later month or year.
    const QDateTime date = startOfDay(QDate(year, month, day));
    if (!date.isValid()) return std::nullopt;
    return Parsed{date, Source::NumericDate, hasYear};
}
