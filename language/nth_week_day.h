#pragma once

#include "platform/base/error.h"

#include <QVariantMap>
#include <QtGlobal>

// A weekday in a given week of a month: the second Tuesday, the last Friday.
class TDNthWeekDay final {
public:
    TDNthWeekDay() = default;

    // Weekday 1 (Sunday) to 7 (Saturday); week 1 to 4, or -1 for the last such weekday of the month.
    static Result<TDNthWeekDay> nthWeekDayWithWeekDay(quint64 weekDay, qint64 week);

    quint64 dayOfTheWeek() const { return m_dayOfTheWeek; }
    qint64 weekNumber() const { return m_weekNumber; }

    Status validate() const;

    bool operator==(const TDNthWeekDay& other) const = default;
    size_t hash() const { return size_t(m_weekNumber * 100 + qint64(m_dayOfTheWeek)); }

    // The archived form: "dayOfTheWeek" and "weekNumber". Values are read as stored; validate() judges them.
    QVariantMap toVariantMap() const;
    static Result<TDNthWeekDay> fromVariantMap(const QVariantMap& map);

private:
    TDNthWeekDay(quint64 weekDay, qint64 week) : m_dayOfTheWeek(weekDay), m_weekNumber(week) {}

    quint64 m_dayOfTheWeek = 0;
    qint64 m_weekNumber = 0;
};

inline size_t qHash(const TDNthWeekDay& day, size_t seed = 0) {
    return day.hash() ^ seed;
}
