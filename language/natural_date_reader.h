#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

class TDDateFormatter;

// Reads the free-form dates that the date parser's own steps leave to it: a month name or
// abbreviation with a day number and an optional year, in either order ("jan 5", "January 5, 2027",
// "5 jan 27"), a weekday name or abbreviation alone (the coming one, today included), and "next"
// before one (the coming one after today).
class TDNaturalDateReader final {
public:
    struct Reading {
        QDate date;
        bool hasYear = false;
    };

    // Month names come from both formatters (full and short), weekday names likewise.
    TDNaturalDateReader(const TDDateFormatter& shortFormatter, const TDDateFormatter& longFormatter);

    std::optional<Reading> read(QStringView text, QDate today) const;

    // 1-12 for a month name or abbreviation (any case, a trailing period ignored), else 0.
    int monthNumber(QStringView word) const;
    // 1 = Sunday ... 7 = Saturday for a weekday name or abbreviation, else 0.
    int weekdayNumber(QStringView word) const;

private:
    QStringList m_monthNames;    // lower-cased, index % 12 is the month
    QStringList m_weekdayNames;  // lower-cased, index % 7 is the weekday
};
