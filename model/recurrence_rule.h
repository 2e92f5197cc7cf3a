#pragma once

#include "language/nth_week_day.h"
#include "model/recurrence_end.h"
#include "platform/base/error.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QVariantMap>

#include <optional>

// How a task repeats: the unit and interval, the days it falls on, when it ends and where its next
// occurrence starts. A value: copies are independent. Lists keep the difference between absent and
// empty (an empty list still counts as present when validating).
class TDRecurrenceRule final {
public:
    enum RecurrenceType : qint32 { Never = 0, Daily = 1, Weekly = 2, Monthly = 3, Yearly = 4 };
    using End = std::optional<TDRecurrenceEnd>;

    // An empty rule that never repeats (it fails validation); the factories below make real rules.
    TDRecurrenceRule() = default;

    // Each factory refuses an interval of 0 and list values out of range with a TDError. Weekday lists
    // drop duplicates and keep their order (the first day starts each cycle); day, month and nth-weekday
    // lists drop duplicates and are sorted.
    static Result<TDRecurrenceRule> initDailyRecurrenceWithInterval(quint64 interval, const End& end = {});
    static Result<TDRecurrenceRule> initWeeklyRecurrenceWithInterval(quint64 interval, const End& end = {});
    static Result<TDRecurrenceRule> initWeeklyRecurrenceWithInterval(quint64 interval,
                                                                     const QList<int>& daysOfTheWeek,
                                                                     const End& end = {});
    static Result<TDRecurrenceRule> initMonthlyRecurrenceWithInterval(quint64 interval, const End& end = {});
    static Result<TDRecurrenceRule> initMonthlyRecurrenceWithInterval(quint64 interval,
                                                                      const QList<int>& daysOfTheMonth,
                                                                      const End& end = {});
    static Result<TDRecurrenceRule> initMonthlyRecurrenceWithInterval(quint64 interval, quint64 dayOfTheWeek,
                                                                      qint64 weekOfTheMonth,
                                                                      const End& end = {});
    static Result<TDRecurrenceRule> initMonthlyRecurrenceWithInterval(quint64 interval,
                                                                      const QList<TDNthWeekDay>& nthWeekDays,
                                                                      const End& end = {});
    static Result<TDRecurrenceRule> initYearlyRecurrenceWithInterval(quint64 interval, const End& end = {});
    static Result<TDRecurrenceRule> initYearlyRecurrenceWithInterval(quint64 interval,
                                                                     const QList<int>& daysOfTheMonth,
                                                                     const QList<int>& monthsOfTheYear,
                                                                     const End& end = {});
    static Result<TDRecurrenceRule> initYearlyRecurrenceWithInterval(quint64 interval, quint64 dayOfTheWeek,
                                                                     qint64 weekOfTheMonth,
                                                                     const QList<int>& monthsOfTheYear,
                                                                     const End& end = {});
    static Result<TDRecurrenceRule> initYearlyRecurrenceWithInterval(quint64 interval,
                                                                     const QList<TDNthWeekDay>& nthWeekDays,
                                                                     const QList<int>& monthsOfTheYear,
                                                                     const End& end = {});

    qint32 recurrenceType() const { return m_recurrenceType; }
    quint64 recurrenceInterval() const { return m_recurrenceInterval; }
    quint64 firstDayOfTheWeek() const { return m_firstDayOfTheWeek; }
    const std::optional<QList<int>>& daysOfTheWeek() const { return m_daysOfTheWeek; }
    const std::optional<QList<int>>& daysOfTheMonth() const { return m_daysOfTheMonth; }
    const std::optional<QList<TDNthWeekDay>>& nthWeekDaysOfTheMonth() const {
        return m_nthWeekDaysOfTheMonth;
    }
    const std::optional<QList<int>>& monthsOfTheYear() const { return m_monthsOfTheYear; }

    const End& recurrenceEnd() const { return m_recurrenceEnd; }
    void setRecurrenceEnd(const End& end) { m_recurrenceEnd = end; }
    QDateTime nextStartDate() const { return m_nextStartDate; }
    void setNextStartDate(const QDateTime& date) { m_nextStartDate = date; }
    bool repeatAfterCompletion() const { return m_repeatAfterCompletion; }
    void setRepeatAfterCompletion(bool repeat) { m_repeatAfterCompletion = repeat; }
    bool hasDueDate() const { return m_hasDueDate; }
    void setHasDueDate(bool hasDueDate) { m_hasDueDate = hasDueDate; }
    double timeIntervalBetweenStartAndDueDates() const { return m_timeIntervalBetweenStartAndDueDates; }
    void setTimeIntervalBetweenStartAndDueDates(double seconds) {
        m_timeIntervalBetweenStartAndDueDates = seconds;
    }

    // The first failed check as an error with code 401; never fails silently on a bad value.
    Status validate() const;
    // English text such as "Every 2 weeks on Monday and Thursday".
    QString recurrenceDescription() const;
    QString description() const;

    // Months and days of the month compare as sets in sorted order; weekdays and nth weekdays in order.
    bool operator==(const TDRecurrenceRule& other) const;
    size_t hash() const;

    // Next occurrence. The after-date defaults to now; the start (and the due date, when the rule has
    // one) come back at the start of their days, null when the rule yields no next date.
    void getNextRecurringStartDate(QDateTime* startDate, QDateTime* dueDate,
                                   const QDateTime& afterDate = {}) const;
    // The first day on or after the given day (default today) that the rule allows; null for rules that
    // repeat after completion.
    QDateTime predictedNextStartDateOnOrAfterDate(const QDateTime& date = {}) const;
    bool canRepeatAfterCompletion() const;
    bool usesOccurrenceCount() const;
    // Counts one occurrence off a count end. False, and no change, without a count end or at a count
    // below 2 (an end of 0 occurrences cannot exist).
    bool decrementOccurrenceCount();

    // The archived form under the archive keys, with the end and nth weekdays as nested dictionaries.
    // Reading checks every field's type and keeps the values as stored; validate() judges them.
    QVariantMap toVariantMap() const;
    static Result<TDRecurrenceRule> fromVariantMap(const QVariantMap& map);

private:
    TDRecurrenceRule(qint32 type, quint64 interval, const End& end)
        : m_recurrenceType(type), m_recurrenceInterval(interval), m_recurrenceEnd(end) {}

    static Result<TDRecurrenceRule> p_make(qint32 type, quint64 interval, const End& end);
    QDateTime p_nextScheduledStart(const QDateTime& after) const;
    QDateTime p_scheduledStep(const QDateTime& candidate, quint64 multiple) const;
    QDateTime p_nextStartAfterCompletion(const QDateTime& after) const;
    QDateTime p_dueDate(const QDateTime& start) const;

    qint32 m_recurrenceType = Never;
    quint64 m_recurrenceInterval = 0;
    quint64 m_firstDayOfTheWeek = 0;
    std::optional<QList<int>> m_daysOfTheWeek;
    std::optional<QList<int>> m_daysOfTheMonth;
    std::optional<QList<TDNthWeekDay>> m_nthWeekDaysOfTheMonth;
    std::optional<QList<int>> m_monthsOfTheYear;
    End m_recurrenceEnd;
    QDateTime m_nextStartDate;
    bool m_repeatAfterCompletion = false;
    bool m_hasDueDate = false;
    double m_timeIntervalBetweenStartAndDueDates = 0;
};

inline size_t qHash(const TDRecurrenceRule& rule, size_t seed = 0) {
    return rule.hash() ^ seed;
}

Q_DECLARE_METATYPE(TDRecurrenceRule)
