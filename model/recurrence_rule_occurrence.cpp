// The next-occurrence half of TDRecurrenceRule: stepping a rule to its next start and due dates.
#include "language/recurrence_days.h"
#include "model/recurrence_rule.h"
#include "platform/base/clock.h"

#include <cmath>
#include <limits>

namespace {

// Catching up steps one occurrence at a time; past this many steps (a daily rule's 273 years) the rule
// yields no date rather than keep the caller busy with a start date from another age.
constexpr int kMaximumCatchUpSteps = 100000;
// Calendar additions beyond this many units leave every representable date behind.
constexpr quint64 kMaximumUnits = 100000000;

bool fitsUnits(quint64 units) {
    return units <= kMaximumUnits;
}

QDateTime addDays(const QDateTime& date, quint64 days) {
    return fitsUnits(days) ? date.addDays(qint64(days)) : QDateTime();
}
QDateTime addMonths(const QDateTime& date, quint64 months) {
    return months <= quint64(std::numeric_limits<int>::max()) && fitsUnits(months)
               ? date.addMonths(int(months))
               : QDateTime();
}
QDateTime addYears(const QDateTime& date, quint64 years) {
    return fitsUnits(years) ? date.addYears(int(years)) : QDateTime();
}

bool hasEntries(const std::optional<QList<int>>& list) {
    return list && !list->isEmpty();
}
bool hasEntries(const std::optional<QList<TDNthWeekDay>>& list) {
    return list && !list->isEmpty();
}

}  // namespace

void TDRecurrenceRule::getNextRecurringStartDate(QDateTime* startDate, QDateTime* dueDate,
                                                 const QDateTime& afterDate) const {
    const QDateTime after = afterDate.isValid() ? afterDate : TDClock::currentDateTime();
    const QDateTime start =
        m_repeatAfterCompletion ? p_nextStartAfterCompletion(after) : p_nextScheduledStart(after);
    const QDateTime due = start.isValid() && m_hasDueDate ? p_dueDate(start) : QDateTime();
    if (startDate) *startDate = recurrence_days::startOfDay(start);
    if (dueDate) *dueDate = recurrence_days::startOfDay(due);
}

QDateTime TDRecurrenceRule::p_nextScheduledStart(const QDateTime& after) const {
    if (!m_nextStartDate.isValid() || m_recurrenceInterval == 0) return {};
    QDateTime candidate = m_nextStartDate;
    quint64 multiple = m_recurrenceInterval;
    for (int step = 0; candidate <= after; ++step) {
        if (step == kMaximumCatchUpSteps) return {};
        candidate = p_scheduledStep(candidate, multiple);
        if (!candidate.isValid()) return {};
        // A multiple past every representable date makes the next step give no date.
        multiple = multiple > std::numeric_limits<quint64>::max() - m_recurrenceInterval
                       ? std::numeric_limits<quint64>::max()
                       : multiple + m_recurrenceInterval;
    }
    return candidate;
}

// One step of a scheduled rule. Rules without day lists count from the next start date by a multiple
// of the interval, so a day clamped at a month's end (31 January to 29 February) does not stick; rules
// with day lists search on from the previous candidate. A search that finds nothing gives a null date.
QDateTime TDRecurrenceRule::p_scheduledStep(const QDateTime& candidate, quint64 multiple) const {
    using namespace recurrence_days;
    const QDate day = candidate.date();
    switch (m_recurrenceType) {
        case Daily:
            return addDays(m_nextStartDate, multiple);
        case Weekly: {
            if (!hasEntries(m_daysOfTheWeek)) {
                if (multiple > kMaximumUnits / 7) return {};
                return addDays(m_nextStartDate, 7 * multiple);
            }
            const QDate next = nextDateOnWeekDays(day, *m_daysOfTheWeek);
            if (!next.isValid()) return {};
            // The first listed weekday starts each cycle; the weeks the interval skips come before it.
            if (weekday(next) != m_daysOfTheWeek->first()) return onDate(candidate, next);
            if (m_recurrenceInterval - 1 > kMaximumUnits / 7) return {};
            return addDays(onDate(candidate, next), 7 * (m_recurrenceInterval - 1));
        }
        case Monthly: {
            const MonthWindow window = monthAndMonthsLater(day, m_recurrenceInterval);
            if (hasEntries(m_nthWeekDaysOfTheMonth))
                return onDate(candidate,
                              nextDateOnNthWeekDaysOfTheMonth(day, *m_nthWeekDaysOfTheMonth, window));
            if (hasEntries(m_daysOfTheMonth))
                return onDate(candidate, nextDateOnDaysOfTheMonth(day, *m_daysOfTheMonth, window));
            return addMonths(m_nextStartDate, multiple);
        }
        case Yearly: {
            const bool searches = hasEntries(m_nthWeekDaysOfTheMonth) || hasEntries(m_daysOfTheMonth);
            if (!searches) return addYears(m_nextStartDate, multiple);
            if (!hasEntries(m_monthsOfTheYear) || m_recurrenceInterval > quint64(kSearchLimit)) return {};
            const MonthWindow window =
                monthsOfYears(*m_monthsOfTheYear, {day.year(), day.year() + int(m_recurrenceInterval)});
            if (hasEntries(m_nthWeekDaysOfTheMonth))
                return onDate(candidate,
                              nextDateOnNthWeekDaysOfTheMonth(day, *m_nthWeekDaysOfTheMonth, window));
            return onDate(candidate, nextDateOnDaysOfTheMonth(day, *m_daysOfTheMonth, window));
        }
        default:
            return {};
    }
}

QDateTime TDRecurrenceRule::p_nextStartAfterCompletion(const QDateTime& after) const {
    switch (m_recurrenceType) {
        case Daily:
            return addDays(after, m_recurrenceInterval);
        case Weekly:
            return m_recurrenceInterval > kMaximumUnits / 7 ? QDateTime()
                                                            : addDays(after, 7 * m_recurrenceInterval);
        case Monthly:
            return addMonths(after, m_recurrenceInterval);
        case Yearly:
            return addYears(after, m_recurrenceInterval);
        default:
            return {};
    }
}

// The offset between start and due dates is measured between two starts of days, so a summer-time change
// in between makes it a whole number of days give or take an hour. Such an offset counts calendar days;
// adding it as seconds would land a due date one day early after the clocks go back.
QDateTime TDRecurrenceRule::p_dueDate(const QDateTime& start) const {
    const double offset = m_timeIntervalBetweenStartAndDueDates;
    if (!std::isfinite(offset) || std::fabs(offset) > double(kMaximumUnits) * 86400.0) return {};
    const double days = std::round(offset / 86400.0);
    if (std::fabs(offset - days * 86400.0) <= 3600.0) return start.addDays(qint64(days));
    return start.addSecs(qint64(offset));
}

QDateTime TDRecurrenceRule::predictedNextStartDateOnOrAfterDate(const QDateTime& date) const {
    using namespace recurrence_days;
    if (m_repeatAfterCompletion) return {};
    const QDateTime day = startOfDay(date.isValid() ? date : TDClock::currentDateTime());
    const QDate before = day.date().addDays(-1);
    switch (m_recurrenceType) {
        case Daily:
            return day;
        case Weekly:
            if (!hasEntries(m_daysOfTheWeek)) return day;
            return onDate(day, nextDateOnWeekDays(before, *m_daysOfTheWeek));
        case Monthly: {
            const MonthWindow window = monthAndMonthsLater(day.date(), m_recurrenceInterval);
            if (hasEntries(m_nthWeekDaysOfTheMonth))
                return onDate(day, nextDateOnNthWeekDaysOfTheMonth(before, *m_nthWeekDaysOfTheMonth, window));
            if (hasEntries(m_daysOfTheMonth))
                return onDate(day, nextDateOnDaysOfTheMonth(before, *m_daysOfTheMonth, window));
            return day;
        }
        case Yearly: {
            const bool searches = hasEntries(m_nthWeekDaysOfTheMonth) || hasEntries(m_daysOfTheMonth);
            if (!searches) return day;
            if (!hasEntries(m_monthsOfTheYear)) return {};
            const MonthWindow window = monthsOfAnyYear(*m_monthsOfTheYear);
            if (hasEntries(m_nthWeekDaysOfTheMonth))
                return onDate(day, nextDateOnNthWeekDaysOfTheMonth(before, *m_nthWeekDaysOfTheMonth, window));
            return onDate(day, nextDateOnDaysOfTheMonth(before, *m_daysOfTheMonth, window));
        }
        default:
            return {};
    }
}

bool TDRecurrenceRule::canRepeatAfterCompletion() const {
    switch (m_recurrenceType) {
        case Daily:
            return true;
        case Weekly:
            return !m_daysOfTheWeek;
        case Monthly:
            return !m_daysOfTheMonth && !m_nthWeekDaysOfTheMonth;
        case Yearly:
            return !m_daysOfTheMonth && !m_nthWeekDaysOfTheMonth && !m_monthsOfTheYear;
        default:
            return false;
    }
}

bool TDRecurrenceRule::usesOccurrenceCount() const {
    return m_recurrenceEnd && !m_recurrenceEnd->usesEndDate();
}

bool TDRecurrenceRule::decrementOccurrenceCount() {
    if (!usesOccurrenceCount() || m_recurrenceEnd->occurrenceCount() < 2) return false;
    m_recurrenceEnd =
        TDRecurrenceEnd::recurrenceEndWithOccurrenceCount(m_recurrenceEnd->occurrenceCount() - 1).value();
    return true;
}
