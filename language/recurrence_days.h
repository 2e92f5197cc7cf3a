#pragma once

#include "language/nth_week_day.h"

#include <QDate>
#include <QDateTime>
#include <QList>

#include <functional>

// The calendar work of recurrence rules: day tests and the day-by-day searches for the next day a
// rule allows. Days are calendar days in the time zone each date carries, so a rule stepped in
// New York time counts New York days. Weekdays are 1 (Sunday) to 7 (Saturday).
namespace recurrence_days {

// Searches give up after this many days (about 273 years): some lists can never be satisfied.
constexpr int kSearchLimit = 100000;

// Which months a search may land in.
using MonthWindow = std::function<bool(QDate)>;

int weekday(QDate date);
QDateTime startOfDay(const QDateTime& date);
// The same time of day and time zone on another day (calendar addition of days).
QDateTime onDate(const QDateTime& date, QDate day);

bool isOnWeekDays(QDate date, const QList<int>& weekDays);
// A listed day beyond the length of the month matches the month's last day (31 stands for the last day).
bool isOnDaysOfTheMonth(QDate date, const QList<int>& days, const MonthWindow& window);
bool isOnNthWeekDaysOfTheMonth(QDate date, const QList<TDNthWeekDay>& nthWeekDays, const MonthWindow& window);

// The first day strictly after the given one that passes the test; a null date when a list is empty
// or nothing matches within the search limit.
QDate nextDateOnWeekDays(QDate after, const QList<int>& weekDays);
QDate nextDateOnDaysOfTheMonth(QDate after, const QList<int>& days, const MonthWindow& window);
QDate nextDateOnNthWeekDaysOfTheMonth(QDate after, const QList<TDNthWeekDay>& nthWeekDays,
                                      const MonthWindow& window);

// Month windows: the listed months of any year; the listed months of the listed years; and
// two months counted absolutely (year × 12 + month) so a step of twelve or more months stays exact.
MonthWindow monthsOfAnyYear(const QList<int>& months);
MonthWindow monthsOfYears(const QList<int>& months, const QList<int>& years);
MonthWindow monthAndMonthsLater(QDate date, quint64 months);

}  // namespace recurrence_days
