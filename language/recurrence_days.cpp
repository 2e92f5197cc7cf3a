#include "language/recurrence_days.h"

#include <QTimeZone>

namespace recurrence_days {

namespace {

qint64 absoluteMonth(QDate date) {
    return qint64(date.year()) * 12 + (date.month() - 1);
}

template <typename Test>
QDate nextDate(QDate after, int limit, const Test& test) {
    if (!after.isValid()) return {};
    QDate day = after;
    for (int step = 0; step < limit; ++step) {
        day = day.addDays(1);
        if (!day.isValid()) return {};
        if (test(day)) return day;
    }
    return {};
}

}  // namespace

int weekday(QDate date) {
    return date.dayOfWeek() % 7 + 1;
}

QDateTime startOfDay(const QDateTime& date) {
    if (!date.isValid()) return {};
    switch (date.timeSpec()) {
        case Qt::TimeZone:
            return date.date().startOfDay(date.timeZone());
        case Qt::OffsetFromUTC:
            return date.date().startOfDay(Qt::OffsetFromUTC, date.offsetFromUtc());
        default:
            return date.date().startOfDay(date.timeSpec());
    }
}

QDateTime onDate(const QDateTime& date, QDate day) {
    if (!date.isValid() || !day.isValid()) return {};
    return date.addDays(date.date().daysTo(day));
}

bool isOnWeekDays(QDate date, const QList<int>& weekDays) {
    return weekDays.contains(weekday(date));
}

bool isOnDaysOfTheMonth(QDate date, const QList<int>& days, const MonthWindow& window) {
    if (!window(date)) return false;
    const int day = date.day();
    if (days.contains(day)) return true;
    if (day != date.daysInMonth()) return false;
    for (int listed : days)
        if (listed > day) return true;
    return false;
}

bool isOnNthWeekDaysOfTheMonth(QDate date, const QList<TDNthWeekDay>& nthWeekDays,
                               const MonthWindow& window) {
    if (!window(date)) return false;
    const qint64 day = weekday(date);
    const qint64 ordinal = (date.day() - 1) / 7 + 1;
    const bool inLastWeek = date.day() > date.daysInMonth() - 7;
    for (const TDNthWeekDay& entry : nthWeekDays) {
        if (qint64(entry.dayOfTheWeek()) != day) continue;
        if (entry.weekNumber() == ordinal || (entry.weekNumber() == -1 && inLastWeek)) return true;
    }
    return false;
}

QDate nextDateOnWeekDays(QDate after, const QList<int>& weekDays) {
    // Within a week every weekday comes once; a list naming none of them matches nothing.
    return nextDate(after, 7, [&](QDate day) { return isOnWeekDays(day, weekDays); });
}

QDate nextDateOnDaysOfTheMonth(QDate after, const QList<int>& days, const MonthWindow& window) {
    if (days.isEmpty()) return {};
    return nextDate(after, kSearchLimit, [&](QDate day) { return isOnDaysOfTheMonth(day, days, window); });
}

QDate nextDateOnNthWeekDaysOfTheMonth(QDate after, const QList<TDNthWeekDay>& nthWeekDays,
                                      const MonthWindow& window) {
    if (nthWeekDays.isEmpty()) return {};
    return nextDate(after, kSearchLimit,
                    [&](QDate day) { return isOnNthWeekDaysOfTheMonth(day, nthWeekDays, window); });
}

MonthWindow monthsOfAnyYear(const QList<int>& months) {
    return [months](QDate date) { return months.contains(date.month()); };
}

MonthWindow monthsOfYears(const QList<int>& months, const QList<int>& years) {
    return
        [months, years](QDate date) { return months.contains(date.month()) && years.contains(date.year()); };
}

MonthWindow monthAndMonthsLater(QDate date, quint64 months) {
    const qint64 first = absoluteMonth(date);
    // A step beyond any reachable date leaves only the first month in the window.
    const qint64 second = months > quint64(kSearchLimit) ? first : first + qint64(months);
    return [first, second](QDate day) {
        const qint64 month = absoluteMonth(day);
        return month == first || month == second;
    };
}

}  // namespace recurrence_days
