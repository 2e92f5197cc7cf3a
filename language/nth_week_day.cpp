#include "language/nth_week_day.h"

#include "language/recurrence_archive_values.h"
#include "language/recurrence_validation_error.h"

#include <limits>

namespace {
const QString kDayOfTheWeekKey = QStringLiteral("dayOfTheWeek");
const QString kWeekNumberKey = QStringLiteral("weekNumber");
}  // namespace

Result<TDNthWeekDay> TDNthWeekDay::nthWeekDayWithWeekDay(quint64 weekDay, qint64 week) {
    const TDNthWeekDay day(weekDay, week);
    if (const Status status = day.validate(); !status) return status.error();
    return day;
}

Status TDNthWeekDay::validate() const {
    if (m_dayOfTheWeek < 1 || m_dayOfTheWeek > 7)
        return TDRecurrenceValidationError(QStringLiteral("Weekday must be between 1 and 7"));
    if (m_weekNumber != -1 && (m_weekNumber < 1 || m_weekNumber > 4))
        return TDRecurrenceValidationError(QStringLiteral("Week must be 1, 2, 3, 4, or -1"));
    return {};
}

QVariantMap TDNthWeekDay::toVariantMap() const {
    return {{kDayOfTheWeekKey, qulonglong(m_dayOfTheWeek)}, {kWeekNumberKey, qlonglong(m_weekNumber)}};
}

Result<TDNthWeekDay> TDNthWeekDay::fromVariantMap(const QVariantMap& map) {
    const Result<std::optional<quint64>> weekDay = recurrence_archive::unsignedInteger(map, kDayOfTheWeekKey);
    if (!weekDay) return weekDay.error();
    const Result<std::optional<qint64>> week = recurrence_archive::integer(
        map, kWeekNumberKey, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
    if (!week) return week.error();
    return TDNthWeekDay(weekDay.value().value_or(0), week.value().value_or(0));
}
