#pragma once

#include <QDate>

// The one Gregorian calendar of the program's date computations. Weekdays are numbered 1 = Sunday to
// 7 = Saturday whatever the first weekday; the first weekday and the minimal number of days of the
// first week only decide how days group into weeks.
class TDGregorianCalendar final {
public:
    TDGregorianCalendar(int firstWeekday, int minimumDaysInFirstWeek);
    // The first weekday of the user default "firstWeekday" (a value out of 1-7 falls back to the
    // registered one), the first week of a year as the locale counts it.
    static TDGregorianCalendar fromUserDefaults();

    int firstWeekday() const { return m_firstWeekday; }
    int minimumDaysInFirstWeek() const { return m_minimumDaysInFirstWeek; }

    static int weekday(QDate date);
    // The week-of-year number; the first days of January may belong to the last week of the year
    // before, the last days of December to week 1.
    int weekOfYear(QDate date) const;
    QDate startOfWeek(QDate date) const;

private:
    int m_firstWeekday;
    int m_minimumDaysInFirstWeek;
};

// Made from the user defaults on first use (a later change of "firstWeekday" counts from the next
// launch). Tests may install their own calendar (not owned; nullptr restores).
const TDGregorianCalendar& sharedGregorianCalendar();
void setSharedGregorianCalendar(const TDGregorianCalendar* calendar);
