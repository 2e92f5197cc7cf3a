#pragma once

#include "language/natural_date_reader.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class TDDateFormatter;

// Reads a typed date ("tomorrow", "in 2 weeks", "jan 5", "12/25", "3 days ago") as the start of its
// day. Keywords come from the program's string table, month and weekday names and the order of
// numeric dates from the locale's formatters.
class TDDateParser final {
public:
    // Which reading gave the date: the future shift leaves some of them alone.
    enum class Source { Keyword, Yesterday, Weekend, Reader, RelativeAmount, NumericDate, Formatter };

    struct Parsed {
        QDateTime date;
        Source source = Source::Keyword;
        bool hasYear = false;  // the text named the year itself
    };

    TDDateParser(const TDDateFormatter& shortFormatter, const TDDateFormatter& longFormatter);
    TDDateParser(const TDDateParser&) = delete;
    TDDateParser& operator=(const TDDateParser&) = delete;

    // The parser over the shared short and long formatters, made on first use.
    static const TDDateParser& shared();

    std::optional<Parsed> parse(const QString& text) const;

private:
    enum class Shape { DayMonthYear, YearMonthDay, MonthDayYear, Other };
    enum class Unit { Days, Weeks, Months, Years };

    std::optional<Parsed> p_parseRelativeAmounts(const QString& cleaned, QDate today) const;
    std::optional<Parsed> p_parseNumericDate(const QString& cleaned, QDate today) const;
    std::optional<Parsed> p_read(QStringView text, QDate today) const;

    const TDDateFormatter& m_shortFormatter;
    TDNaturalDateReader m_reader;
    Shape m_shape = Shape::Other;
    QStringList m_monthNames;                                // full, then short
    QList<std::pair<QString, QString>> m_shortWeekdayNames;  // matchable, as the formatter spells it
    QStringList m_numberWords;                               // one ... ten
    QList<std::pair<QStringList, Unit>> m_units;
    QString m_tomorrow, m_tomorrowShort, m_tomorrowPrefix, m_today, m_todayShort, m_yesterday,
        m_yesterdayShort, m_yesterdayPrefix, m_weekend, m_in, m_a, m_ago, m_wed, m_mon;
};

// The numbers of a numeric date: the pieces of the text split at the first of "/", "." and "-" that
// splits it, each read as an integer. Nothing when no separator splits it or a piece reads as 0.
std::optional<QList<int>> splitNumericDateComponents(QStringView text);
