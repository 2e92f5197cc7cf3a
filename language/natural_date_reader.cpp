#include "language/natural_date_reader.h"

#include "language/date_formatter.h"
#include "language/gregorian_calendar.h"
#include "language/localized_string.h"

#include <QList>

namespace {

QString matchable(const QString& name) {
    QString lower = name.toLower();
    if (lower.endsWith(QLatin1Char('.'))) lower.chop(1);
    return lower;
}

QStringList matchableNames(const QStringList& names) {
    QStringList result;
    for (const QString& name : names) result << matchable(name);
    return result;
}

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Runs of digits and runs of letters; white space and commas separate them, a period may end a
// word ("jan.", "5."). Anything else makes the text unreadable.
std::optional<QList<QStringView>> words(QStringView text) {
    QList<QStringView> result;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const QChar c = text.at(i);
        if (c.isSpace() || c == QLatin1Char(',')) {
            ++i;
        } else if (isAsciiDigit(c)) {
            const qsizetype start = i;
            while (i < n && isAsciiDigit(text.at(i))) ++i;
            result << text.mid(start, i - start);
            if (i < n && text.at(i) == QLatin1Char('.')) ++i;  // "5. März"
        } else if (c.isLetter()) {
            const qsizetype start = i;
            while (i < n && text.at(i).isLetter()) ++i;
            result << text.mid(start, i - start);
            if (i < n && text.at(i) == QLatin1Char('.')) ++i;
        } else {
            return std::nullopt;
        }
    }
    return result;
}

bool isNumber(QStringView word) {
    return !word.isEmpty() && isAsciiDigit(word.at(0));
}

}  // namespace

TDNaturalDateReader::TDNaturalDateReader(const TDDateFormatter& shortFormatter,
                                         const TDDateFormatter& longFormatter) {
    m_monthNames =
        matchableNames(longFormatter.monthSymbols() + shortFormatter.shortMonthSymbols() +
                       longFormatter.standaloneMonthSymbols() + shortFormatter.shortStandaloneMonthSymbols());
    m_weekdayNames = matchableNames(longFormatter.weekdaySymbols() + shortFormatter.shortWeekdaySymbols());
}

int TDNaturalDateReader::monthNumber(QStringView word) const {
    if (word.endsWith(QLatin1Char('.'))) word.chop(1);
    if (word.isEmpty()) return 0;
    for (qsizetype i = 0; i < m_monthNames.size(); ++i)
        if (word.compare(m_monthNames.at(i), Qt::CaseInsensitive) == 0) return int(i % 12) + 1;
    return 0;
}

int TDNaturalDateReader::weekdayNumber(QStringView word) const {
    if (word.endsWith(QLatin1Char('.'))) word.chop(1);
    if (word.isEmpty()) return 0;
    for (qsizetype i = 0; i < m_weekdayNames.size(); ++i)
        if (word.compare(m_weekdayNames.at(i), Qt::CaseInsensitive) == 0) return int(i % 7) + 1;
    return 0;
}

std::optional<TDNaturalDateReader::Reading> TDNaturalDateReader::read(QStringView text, QDate today) const {
    const std::optional<QList<QStringView>> found = words(text);
    if (!found || found->isEmpty() || found->size() > 3) return std::nullopt;
    const QList<QStringView>& parts = *found;

    if (parts.size() == 1) {
        const int weekday = weekdayNumber(parts.at(0));
        if (weekday == 0) return std::nullopt;
        const int ahead = (weekday - TDGregorianCalendar::weekday(today) + 7) % 7;
        return Reading{today.addDays(ahead), false};
    }

    // "next fri": the coming one, never today (a week on when today is that weekday).
    if (parts.size() == 2 && parts.at(0).compare(TDLocalizedString("next"), Qt::CaseInsensitive) == 0) {
        const int weekday = weekdayNumber(parts.at(1));
        if (weekday == 0) return std::nullopt;
        const int ahead = (weekday - TDGregorianCalendar::weekday(today) + 6) % 7 + 1;
        return Reading{today.addDays(ahead), false};
    }

    // Month and day in either order, then the year.
    QStringView dayWord;
    int month = 0;
    if (!isNumber(parts.at(0))) {
        month = monthNumber(parts.at(0));
        dayWord = parts.at(1);
    } else {
        dayWord = parts.at(0);
        if (!isNumber(parts.at(1))) month = monthNumber(parts.at(1));
    }
    if (month == 0 || !isNumber(dayWord) || dayWord.size() > 2) return std::nullopt;
    int year = today.year();
    const bool hasYear = parts.size() == 3;
    if (hasYear) {
        const QStringView yearWord = parts.at(2);
        if (!isNumber(yearWord) || (yearWord.size() != 2 && yearWord.size() != 4)) return std::nullopt;
        year = yearWord.toInt();
        if (yearWord.size() == 2) year += 2000;
    }
    const QDate date(year, month, dayWord.toInt());
    if (!date.isValid()) return std::nullopt;
    return Reading{date, hasYear};
}
