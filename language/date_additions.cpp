#include "language/date_additions.h"

#include "language/gregorian_calendar.h"
#include "language/recurrence_days.h"
#include "platform/base/format.h"
#include "platform/base/local_day.h"

#include <functional>

namespace dates {

namespace {

constexpr int kSearchBound = 100000;

QDate localDate(const QDateTime& date) {
    return date.toLocalTime().date();
}

QDateTime withDate(const QDateTime& date, QDate newDate) {
    if (!date.isValid() || !newDate.isValid()) return {};
    return QDateTime(newDate, date.toLocalTime().time());
}

bool matchesDaysOfTheMonth(QDate date, const QList<int>& days) {
    return recurrence_days::isOnDaysOfTheMonth(date, days, [](QDate) { return true; });
}

bool matchesNthWeekDays(QDate date, const QList<TDNthWeekDay>& nthWeekDays) {
    return recurrence_days::isOnNthWeekDaysOfTheMonth(date, nthWeekDays, [](QDate) { return true; });
}

QDateTime nextDate(const QDateTime& date, int bound, const std::function<bool(QDate)>& test) {
    if (!date.isValid()) return {};
    const QDate start = localDate(date);
    for (int step = 1; step <= bound; ++step) {
        const QDate candidate = start.addDays(step);
        if (test(candidate)) return withDate(date, candidate);
    }
    return {};
}

}  // namespace

QDateTime dateAtStartOfDay(const QDateTime& date) {
    if (!date.isValid()) return {};
    return TDStartOfLocalDay(localDate(date));
}

QDateTime dateByAddingDays(const QDateTime& date, qint64 days) {
    return withDate(date, localDate(date).addDays(days));
}

QDateTime dateByAddingMonths(const QDateTime& date, int months) {
    return withDate(date, localDate(date).addMonths(months));
}

QDateTime dateByAddingYears(const QDateTime& date, int years) {
    return withDate(date, localDate(date).addYears(years));
}

int weekday(const QDateTime& date) {
    return TDGregorianCalendar::weekday(localDate(date));
}
int day(const QDateTime& date) {
    return localDate(date).day();
}
int month(const QDateTime& date) {
    return localDate(date).month();
}
int year(const QDateTime& date) {
    return localDate(date).year();
}
int week(const QDateTime& date) {
    return sharedGregorianCalendar().weekOfYear(localDate(date));
}

bool isLastDayOfMonth(const QDateTime& date) {
    const QDate d = localDate(date);
    return d.day() == d.daysInMonth();
}

bool isOnLastWeekOfTheMonth(const QDateTime& date) {
    const QDate d = localDate(date);
    const TDGregorianCalendar& calendar = sharedGregorianCalendar();
    return calendar.startOfWeek(d) == calendar.startOfWeek(QDate(d.year(), d.month(), d.daysInMonth()));
}

bool isLastWeekDayOfTheMonth(const QDateTime& date, int weekday) {
    const QDate d = localDate(date);
    return TDGregorianCalendar::weekday(d) == weekday && d.day() > d.daysInMonth() - 7;
}

bool isOnWeekDays(const QDateTime& date, const QList<int>& weekdays) {
    return weekdays.contains(weekday(date));
}

bool isOnDaysOfTheMonth(const QDateTime& date, const QList<int>& days, const QList<int>& months) {
    const QDate d = localDate(date);
    return months.contains(d.month()) && matchesDaysOfTheMonth(d, days);
}

bool isOnDaysOfTheMonth(const QDateTime& date, const QList<int>& days, const QList<int>& months,
                        const QList<int>& years) {
    const QDate d = localDate(date);
    return months.contains(d.month()) && years.contains(d.year()) && matchesDaysOfTheMonth(d, days);
}

bool isOnNthWeekDaysOfTheMonth(const QDateTime& date, const QList<TDNthWeekDay>& nthWeekDays,
                               const QList<int>& months) {
    const QDate d = localDate(date);
    return months.contains(d.month()) && matchesNthWeekDays(d, nthWeekDays);
}

bool isOnNthWeekDaysOfTheMonth(const QDateTime& date, const QList<TDNthWeekDay>& nthWeekDays,
                               const QList<int>& months, const QList<int>& years) {
    const QDate d = localDate(date);
    return months.contains(d.month()) && years.contains(d.year()) && matchesNthWeekDays(d, nthWeekDays);
}

QDateTime nextDateOnWeekDays(const QDateTime& date, const QList<int>& weekdays) {
    if (weekdays.isEmpty()) return {};
    // A week holds every weekday, so a list that finds nothing in seven days never will.
    return nextDate(date, 7, [&](QDate d) { return weekdays.contains(TDGregorianCalendar::weekday(d)); });
}

QDateTime nextDateOnDaysOfTheMonth(const QDateTime& date, const QList<int>& days, const QList<int>& months) {
    if (days.isEmpty() || months.isEmpty()) return {};
    return nextDate(date, kSearchBound,
                    [&](QDate d) { return months.contains(d.month()) && matchesDaysOfTheMonth(d, days); });
}

QDateTime nextDateOnDaysOfTheMonth(const QDateTime& date, const QList<int>& days, const QList<int>& months,
                                   const QList<int>& years) {
    if (days.isEmpty() || months.isEmpty()) return {};
    return nextDate(date, kSearchBound, [&](QDate d) {
        return months.contains(d.month()) && years.contains(d.year()) && matchesDaysOfTheMonth(d, days);
    });
}

QDateTime nextDateOnNthWeekDaysOfTheMonth(const QDateTime& date, const QList<TDNthWeekDay>& nthWeekDays,
                                          const QList<int>& months) {
    if (nthWeekDays.isEmpty()) return {};
    return nextDate(date, kSearchBound, [&](QDate d) {
        return months.contains(d.month()) && matchesNthWeekDays(d, nthWeekDays);
    });
}

QDateTime nextDateOnNthWeekDaysOfTheMonth(const QDateTime& date, const QList<TDNthWeekDay>& nthWeekDays,
                                          const QList<int>& months, const QList<int>& years) {
    if (nthWeekDays.isEmpty()) return {};
    return nextDate(date, kSearchBound, [&](QDate d) {
        return months.contains(d.month()) && years.contains(d.year()) && matchesNthWeekDays(d, nthWeekDays);
    });
}

QString timeStampString(const QDateTime& date) {
    const QDateTime local = date.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    // The fraction of the second, written "%0.3lf" without its leading zero.
    const qint64 milliseconds = ((local.toMSecsSinceEpoch() % 1000) + 1000) % 1000;
    const QString fraction = formatString("%0.3lf", milliseconds / 1000.0).mid(1);
    return formatString("%ld-%02ld-%02ld-%02ld%02ld%02ld%@", d.year(), d.month(), d.day(), t.hour(),
                        t.minute(), t.second(), fraction);
}

QString dateStampString(const QDateTime& date) {
    const QDate d = localDate(date);
    return formatString("%ld-%02ld-%02ld", d.year(), d.month(), d.day());
}

}  // namespace dates

QDateTime TDEarlierDate(const QDateTime& first, const QDateTime& second) {
    if (!first.isValid()) return second;
    if (!second.isValid()) return first;
    return second < first ? second : first;
}
