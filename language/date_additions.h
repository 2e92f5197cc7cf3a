#pragma once

#include "language/nth_week_day.h"

#include <QDateTime>
#include <QList>
#include <QString>

// Calendar fields and arithmetic of dates in the user's time zone, on the shared Gregorian calendar.
// Weekdays are 1 = Sunday ... 7 = Saturday. An invalid QDateTime stands for "no date".
namespace dates {

QDateTime dateAtStartOfDay(const QDateTime& date);
// Calendar addition keeping the time of day; a day the month lacks is clamped (31 January + 1 month
// is the last day of February).
QDateTime dateByAddingDays(const QDateTime& date, qint64 days);
QDateTime dateByAddingMonths(const QDateTime& date, int months);
QDateTime dateByAddingYears(const QDateTime& date, int years);

int weekday(const QDateTime& date);
int day(const QDateTime& date);
int month(const QDateTime& date);
int year(const QDateTime& date);
int week(const QDateTime& date);

bool isLastDayOfMonth(const QDateTime& date);
// The date lies in the calendar week of the last day of its month.
bool isOnLastWeekOfTheMonth(const QDateTime& date);
bool isLastWeekDayOfTheMonth(const QDateTime& date, int weekday);

// The day tests of recurrence rules. The last day of a month also matches every listed day greater
// than it, so 31 stands for "the last day" in every month.
bool isOnWeekDays(const QDateTime& date, const QList<int>& weekdays);
bool isOnDaysOfTheMonth(const QDateTime& date, const QList<int>& days, const QList<int>& months);
bool isOnDaysOfTheMonth(const QDateTime& date, const QList<int>& days, const QList<int>& months,
                        const QList<int>& years);
bool isOnNthWeekDaysOfTheMonth(const QDateTime& date, const QList<TDNthWeekDay>& nthWeekDays,
                               const QList<int>& months);
bool isOnNthWeekDaysOfTheMonth(const QDateTime& date, const QList<TDNthWeekDay>& nthWeekDays,
                               const QList<int>& months, const QList<int>& years);

// The first later day (same time of day) that passes the matching test, never the date itself;
// invalid when the lists can never be satisfied within 100000 days.
QDateTime nextDateOnWeekDays(const QDateTime& date, const QList<int>& weekdays);
QDateTime nextDateOnDaysOfTheMonth(const QDateTime& date, const QList<int>& days, const QList<int>& months);
QDateTime nextDateOnDaysOfTheMonth(const QDateTime& date, const QList<int>& days, const QList<int>& months,
                                   const QList<int>& years);
QDateTime nextDateOnNthWeekDaysOfTheMonth(const QDateTime& date, const QList<TDNthWeekDay>& nthWeekDays,
                                          const QList<int>& months);
QDateTime nextDateOnNthWeekDaysOfTheMonth(const QDateTime& date, const QList<TDNthWeekDay>& nthWeekDays,
                                          const QList<int>& months, const QList<int>& years);

// "2014-03-07-000007.250" and "2014-03-07", for file names.
QString timeStampString(const QDateTime& date);
QString dateStampString(const QDateTime& date);

}  // namespace dates

// The earlier of two dates; the other one when one is invalid.
QDateTime TDEarlierDate(const QDateTime& first, const QDateTime& second);
