#include "model/recurrence_rule.h"

#include "foundation/array_additions.h"

#include "language/recurrence_archive_values.h"
#include "language/recurrence_validation_error.h"
#include "platform/base/log.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString kRecurrenceTypeKey = QStringLiteral("recurrenceType");
const QString kRecurrenceIntervalKey = QStringLiteral("recurrenceInterval");
const QString kFirstDayOfTheWeekKey = QStringLiteral("firstDayOfTheWeek");
const QString kDaysOfTheWeekKey = QStringLiteral("daysOfTheWeek");
const QString kDaysOfTheMonthKey = QStringLiteral("daysOfTheMonth");
const QString kNthWeekDaysKey = QStringLiteral("nthWeekDaysOfTheMonth");
const QString kMonthsOfTheYearKey = QStringLiteral("monthsOfTheYear");
const QString kRecurrenceEndKey = QStringLiteral("recurrenceEnd");
const QString kNextStartDateKey = QStringLiteral("nextStartDate");
const QString kRepeatAfterCompletionKey = QStringLiteral("repeatAfterCompletion");
const QString kHasDueDateKey = QStringLiteral("hasDueDate");
const QString kDueIntervalKey = QStringLiteral("timeIntervalBetweenStartAndDueDates");

QString localized(const char* text) {
    return QCoreApplication::translate("Localizable", text);
}

// The shared range and duplicate tests of the three number lists.
Status checkList(const QList<int>& values, int maximum, const char* rangeMessage,
                 const char* duplicateMessage) {
    for (int value : values)
        if (value < 1 || value > maximum)
            return TDRecurrenceValidationError(QString::fromLatin1(rangeMessage));
    if (QSet<int>(values.cbegin(), values.cend()).size() != values.size())
        return TDRecurrenceValidationError(QString::fromLatin1(duplicateMessage));
    return {};
}

Status TDValidateDaysOfTheWeek(const QList<int>& days) {
    return checkList(days, 7, "Weekday must be between 1 and 7",
                     "Duplicate values found in days of the week array");
}
Status TDValidateDaysOfTheMonth(const QList<int>& days) {
    return checkList(days, 31, "Day of month must be between 1 and 31",
                     "Duplicate values found in days of the month array");
}
Status TDValidateMonthsOfTheYear(const QList<int>& months) {
    return checkList(months, 12, "Month must be between 1 and 12", "Duplicate values found in month array");
}

template <typename T>
QList<T> withoutDuplicates(const QList<T>& values) {
    QList<T> unique;
    for (const T& value : values)
        if (!unique.contains(value)) unique.append(value);
    return unique;
}

QList<int> uniqueSorted(const QList<int>& values) {
    QList<int> sorted = withoutDuplicates(values);
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

bool nthWeekDayOrder(const TDNthWeekDay& a, const TDNthWeekDay& b) {
    if (a.weekNumber() != b.weekNumber()) return a.weekNumber() < b.weekNumber();
    return a.dayOfTheWeek() < b.dayOfTheWeek();
}

std::optional<QList<int>> sortedList(const std::optional<QList<int>>& list) {
    if (!list) return std::nullopt;
    QList<int> sorted = *list;
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

size_t hashOf(const std::optional<QList<int>>& list) {
    return list ? qHashRange(list->cbegin(), list->cend()) + 1 : 0;
}

size_t hashOf(const QDateTime& date) {
    return date.isValid() ? ::qHash(date.toMSecsSinceEpoch()) : 0;
}

QString weekdayName(int day) {
    // Qt counts Monday as 1; rules count Sunday as 1.
    return QLocale().dayName(day == 1 ? 7 : day - 1, QLocale::LongFormat);
}

QString ordinalSuffix(int day) {
    if (day % 100 >= 10 && day % 100 <= 19) return QStringLiteral("th");
    switch (day % 10) {
        case 1:
            return QStringLiteral("st");
        case 2:
            return QStringLiteral("nd");
        case 3:
            return QStringLiteral("rd");
        default:
            return QStringLiteral("th");
    }
}

QString weekOrdinalWord(qint64 week) {
    switch (week) {
        case 1:
            return localized("first");
        case 2:
            return localized("second");
        case 3:
            return localized("third");
        case 4:
            return localized("fourth");
        case -1:
            return localized("last");
        default:
            return {};
    }
}

QVariantList toVariantList(const QList<int>& values) {
    QVariantList list;
    for (int value : values) list.append(value);
    return list;
}

}  // namespace

// Factories

Result<TDRecurrenceRule> TDRecurrenceRule::p_make(qint32 type, quint64 interval, const End& end) {
    if (interval == 0) return TDRecurrenceValidationError(QStringLiteral("Recurrence interval cannot be 0"));
    return TDRecurrenceRule(type, interval, end);
}

Result<TDRecurrenceRule> TDRecurrenceRule::initDailyRecurrenceWithInterval(quint64 interval, const End& end) {
    return p_make(Daily, interval, end);
}

Result<TDRecurrenceRule> TDRecurrenceRule::initWeeklyRecurrenceWithInterval(quint64 interval,
                                                                            const End& end) {
    return p_make(Weekly, interval, end);
}

Result<TDRecurrenceRule> TDRecurrenceRule::initWeeklyRecurrenceWithInterval(quint64 interval,
                                                                            const QList<int>& daysOfTheWeek,
                                                                            const End& end) {
    Result<TDRecurrenceRule> rule = p_make(Weekly, interval, end);
    if (!rule) return rule;
    const QList<int> days = withoutDuplicates(daysOfTheWeek);
    if (const Status status = TDValidateDaysOfTheWeek(days); !status) return status.error();
    rule->m_daysOfTheWeek = days;
    return rule;
}

Result<TDRecurrenceRule> TDRecurrenceRule::initMonthlyRecurrenceWithInterval(quint64 interval,
                                                                             const End& end) {
    return p_make(Monthly, interval, end);
}

Result<TDRecurrenceRule> TDRecurrenceRule::initMonthlyRecurrenceWithInterval(quint64 interval,
                                                                             const QList<int>& daysOfTheMonth,
                                                                             const End& end) {
    Result<TDRecurrenceRule> rule = p_make(Monthly, interval, end);
    if (!rule) return rule;
    const QList<int> days = uniqueSorted(daysOfTheMonth);
    if (const Status status = TDValidateDaysOfTheMonth(days); !status) return status.error();
    rule->m_daysOfTheMonth = days;
    return rule;
}

Result<TDRecurrenceRule> TDRecurrenceRule::initMonthlyRecurrenceWithInterval(quint64 interval,
                                                                             quint64 dayOfTheWeek,
                                                                             qint64 weekOfTheMonth,
                                                                             const End& end) {
    const Result<TDNthWeekDay> day = TDNthWeekDay::nthWeekDayWithWeekDay(dayOfTheWeek, weekOfTheMonth);
    if (!day) return day.error();
    return initMonthlyRecurrenceWithInterval(interval, QList<TDNthWeekDay>{day.value()}, end);
}

Result<TDRecurrenceRule> TDRecurrenceRule::initMonthlyRecurrenceWithInterval(
    quint64 interval, const QList<TDNthWeekDay>& nthWeekDays, const End& end) {
    Result<TDRecurrenceRule> rule = p_make(Monthly, interval, end);
    if (!rule) return rule;
    QList<TDNthWeekDay> days = withoutDuplicates(nthWeekDays);
    for (const TDNthWeekDay& day : days)
        if (const Status status = day.validate(); !status) return status.error();
    std::sort(days.begin(), days.end(), nthWeekDayOrder);
    rule->m_nthWeekDaysOfTheMonth = days;
    return rule;
}

Result<TDRecurrenceRule> TDRecurrenceRule::initYearlyRecurrenceWithInterval(quint64 interval,
                                                                            const End& end) {
    return p_make(Yearly, interval, end);
}

Result<TDRecurrenceRule> TDRecurrenceRule::initYearlyRecurrenceWithInterval(quint64 interval,
                                                                            const QList<int>& daysOfTheMonth,
                                                                            const QList<int>& monthsOfTheYear,
                                                                            const End& end) {
    Result<TDRecurrenceRule> rule = p_make(Yearly, interval, end);
    if (!rule) return rule;
    const QList<int> days = uniqueSorted(daysOfTheMonth);
    if (const Status status = TDValidateDaysOfTheMonth(days); !status) return status.error();
    const QList<int> months = uniqueSorted(monthsOfTheYear);
    if (const Status status = TDValidateMonthsOfTheYear(months); !status) return status.error();
    rule->m_daysOfTheMonth = days;
    rule->m_monthsOfTheYear = months;
    return rule;
}

Result<TDRecurrenceRule> TDRecurrenceRule::initYearlyRecurrenceWithInterval(quint64 interval,
                                                                            quint64 dayOfTheWeek,
                                                                            qint64 weekOfTheMonth,
                                                                            const QList<int>& monthsOfTheYear,
                                                                            const End& end) {
    const Result<TDNthWeekDay> day = TDNthWeekDay::nthWeekDayWithWeekDay(dayOfTheWeek, weekOfTheMonth);
    if (!day) return day.error();
    return initYearlyRecurrenceWithInterval(interval, QList<TDNthWeekDay>{day.value()}, monthsOfTheYear, end);
}

Result<TDRecurrenceRule> TDRecurrenceRule::initYearlyRecurrenceWithInterval(
    quint64 interval, const QList<TDNthWeekDay>& nthWeekDays, const QList<int>& monthsOfTheYear,
    const End& end) {
    Result<TDRecurrenceRule> rule = p_make(Yearly, interval, end);
    if (!rule) return rule;
    QList<TDNthWeekDay> days = withoutDuplicates(nthWeekDays);
    for (const TDNthWeekDay& day : days)
        if (const Status status = day.validate(); !status) return status.error();
    std::sort(days.begin(), days.end(), nthWeekDayOrder);
    const QList<int> months = uniqueSorted(monthsOfTheYear);
    if (const Status status = TDValidateMonthsOfTheYear(months); !status) return status.error();
    rule->m_nthWeekDaysOfTheMonth = days;
    rule->m_monthsOfTheYear = months;
    return rule;
}

// Validation

Status TDRecurrenceRule::validate() const {
    const auto fail = [](const char* message) {
        return Status(TDRecurrenceValidationError(QString::fromLatin1(message)));
    };
    const bool hasWeekDays = m_daysOfTheWeek.has_value();
    const bool hasMonthDays = m_daysOfTheMonth.has_value();
    const bool hasNthWeekDays = m_nthWeekDaysOfTheMonth.has_value();
    const bool hasMonths = m_monthsOfTheYear.has_value();
    const bool anyList = hasWeekDays || hasMonthDays || hasNthWeekDays || hasMonths;

    if (m_recurrenceType == Never) return fail("A recurrence rule that never repeats encountered.");
    if (m_repeatAfterCompletion) {
        if (anyList || m_firstDayOfTheWeek != 0)
            return fail("Recurrence rule that repeats after completion contains unnecessary values.");
    } else if (!m_nextStartDate.isValid()) {
        return fail("Next start date is nil for a rule that does not repeat after completion");
    }
    switch (m_recurrenceType) {
        case Daily:
            if (anyList || m_firstDayOfTheWeek != 0)
                return fail("Daily recurrence rule contains unnecessary values.");
            break;
        case Weekly:
            if (hasMonths || hasNthWeekDays || hasMonthDays || m_firstDayOfTheWeek != 0)
                return fail("Weekly recurrence rule contains unnecessary values.");
            break;
        case Monthly:
            if (hasMonths || hasWeekDays) return fail("Monthly recurrence rule contains unnecessary values.");
            break;
        case Yearly:
            if (hasWeekDays) return fail("Yearly recurrence rule contains unnecessary values.");
            break;
        default:
            break;
    }
    if (hasNthWeekDays && hasMonthDays)
        return fail("Both nthWeekDaysOfTheMonth and daysOfTheMonth present in recurrence rule");
    if (m_recurrenceInterval == 0) return fail("Recurrence interval cannot be 0");
    if (hasWeekDays)
        if (const Status status = TDValidateDaysOfTheWeek(*m_daysOfTheWeek); !status) return status;
    if (hasNthWeekDays) {
        for (const TDNthWeekDay& day : *m_nthWeekDaysOfTheMonth)
            if (const Status status = day.validate(); !status) return status;
        if (withoutDuplicates(*m_nthWeekDaysOfTheMonth).size() != m_nthWeekDaysOfTheMonth->size())
            return fail("Duplicate values found in nthWeekDays array");
    }
    if (hasMonthDays)
        if (const Status status = TDValidateDaysOfTheMonth(*m_daysOfTheMonth); !status) return status;
    if (hasMonths)
        if (const Status status = TDValidateMonthsOfTheYear(*m_monthsOfTheYear); !status) return status;
    if (m_recurrenceEnd) return m_recurrenceEnd->validate();
    return {};
}

// Description

QString TDRecurrenceRule::recurrenceDescription() const {
    const qulonglong interval = m_recurrenceInterval;
    if (m_recurrenceType == Daily)
        return interval == 1 ? localized("Every day") : localized("Every %1 days").arg(interval);
    if (m_recurrenceType != Weekly && m_recurrenceType != Monthly && m_recurrenceType != Yearly)
        return localized("Unknown recurrence type");

    QStringList words{interval == 1 ? localized("Every") : localized("Every %1").arg(interval)};
    const bool singular = interval == 1;
    if (m_recurrenceType == Weekly) words << (singular ? localized("week") : localized("weeks"));
    if (m_recurrenceType == Monthly) words << (singular ? localized("month") : localized("months"));
    if (m_recurrenceType == Yearly) words << (singular ? localized("year") : localized("years"));

    if (m_recurrenceType == Weekly && m_daysOfTheWeek && !m_daysOfTheWeek->isEmpty()) {
        QStringList names;
        for (int day : *m_daysOfTheWeek) {
            if (day < 1 || day > 7) {
                logWithLevel(TDLogError, "ERROR", "Day of week cannot be 0 or greater than 7");
                continue;
            }
            names << weekdayName(day);
        }
        words << localized("on") << componentsJoinedByConjunction(names);
    }
    if (m_recurrenceType == Monthly || m_recurrenceType == Yearly) {
        if (m_daysOfTheMonth && !m_daysOfTheMonth->isEmpty()) {
            QStringList days;
            const QList<int> sortedDays = *sortedList(m_daysOfTheMonth);
            for (int day : sortedDays) {
                if (day < 1 || day > 31) {
                    logWithLevel(TDLogError, "ERROR", "Day of month cannot be 0 or greater than 31");
                    continue;
                }
                days << (day == 31 ? localized("last day") : QString::number(day) + ordinalSuffix(day));
            }
            words << localized("on the") << componentsJoinedByConjunction(days);
        } else if (m_nthWeekDaysOfTheMonth && !m_nthWeekDaysOfTheMonth->isEmpty()) {
            QList<TDNthWeekDay> entries = *m_nthWeekDaysOfTheMonth;
            std::stable_sort(
                entries.begin(), entries.end(),
                [](const TDNthWeekDay& a, const TDNthWeekDay& b) { return a.weekNumber() < b.weekNumber(); });
            QStringList days;
            for (const TDNthWeekDay& entry : entries) {
                const QString ordinal = weekOrdinalWord(entry.weekNumber());
                if (ordinal.isEmpty()) {
                    logWithLevel(TDLogError, "ERROR", "Invalid week of the month: %ld", entry.weekNumber());
                    continue;
                }
                if (entry.dayOfTheWeek() < 1 || entry.dayOfTheWeek() > 7) {
                    logWithLevel(TDLogError, "ERROR", "Day of week cannot be 0 or greater than 7");
                    continue;
                }
                days << ordinal + QLatin1Char(' ') + weekdayName(int(entry.dayOfTheWeek()));
            }
            words << localized("on the") << componentsJoinedByConjunction(days);
        }
    }
    if (m_recurrenceType == Yearly && m_monthsOfTheYear && !m_monthsOfTheYear->isEmpty()) {
        QStringList names;
        const QList<int> sortedMonths = *sortedList(m_monthsOfTheYear);
        for (int month : sortedMonths) {
            if (month < 1 || month > 12) {
                logWithLevel(TDLogError, "ERROR", "Invalid month: %ld", month);
                continue;
            }
            names << QLocale().monthName(month, QLocale::LongFormat);
        }
        words << localized("of") << componentsJoinedByConjunction(names);
    }
    words.removeAll(QString());
    return words.join(QLatin1Char(' '));
}

QString TDRecurrenceRule::description() const {
    return QStringLiteral("<TDRecurrenceRule>: %1").arg(recurrenceDescription());
}

// Equality

bool TDRecurrenceRule::operator==(const TDRecurrenceRule& other) const {
    return m_recurrenceType == other.m_recurrenceType && m_recurrenceInterval == other.m_recurrenceInterval &&
           m_firstDayOfTheWeek == other.m_firstDayOfTheWeek &&
           m_timeIntervalBetweenStartAndDueDates == other.m_timeIntervalBetweenStartAndDueDates &&
           m_repeatAfterCompletion == other.m_repeatAfterCompletion && m_hasDueDate == other.m_hasDueDate &&
           m_recurrenceEnd == other.m_recurrenceEnd &&
           m_nthWeekDaysOfTheMonth == other.m_nthWeekDaysOfTheMonth &&
           sortedList(m_monthsOfTheYear) == sortedList(other.m_monthsOfTheYear) &&
           sortedList(m_daysOfTheMonth) == sortedList(other.m_daysOfTheMonth) &&
           m_daysOfTheWeek == other.m_daysOfTheWeek && m_nextStartDate == other.m_nextStartDate;
}

size_t TDRecurrenceRule::hash() const {
    // The lists that compare as sets are hashed sorted, so equal rules hash equally.
    const double offset = m_timeIntervalBetweenStartAndDueDates;
    const bool offsetFits = std::isfinite(offset) && std::fabs(offset) < 9.0e18;
    size_t h = size_t(m_recurrenceType) + size_t(m_recurrenceInterval) + size_t(m_firstDayOfTheWeek) +
               size_t(offsetFits ? qint64(offset) : 0) + size_t(m_repeatAfterCompletion) +
               size_t(m_hasDueDate);
    h += m_recurrenceEnd ? m_recurrenceEnd->hash() : 0;
    if (m_nthWeekDaysOfTheMonth)
        h += qHashRange(m_nthWeekDaysOfTheMonth->cbegin(), m_nthWeekDaysOfTheMonth->cend()) + 1;
    h += hashOf(sortedList(m_monthsOfTheYear)) + hashOf(sortedList(m_daysOfTheMonth)) +
         hashOf(m_daysOfTheWeek);
    return h + hashOf(m_nextStartDate);
}

// Archived form

QVariantMap TDRecurrenceRule::toVariantMap() const {
    QVariantMap map{{kRecurrenceTypeKey, m_recurrenceType},
                    {kRecurrenceIntervalKey, qulonglong(m_recurrenceInterval)},
                    {kFirstDayOfTheWeekKey, qulonglong(m_firstDayOfTheWeek)},
                    {kRepeatAfterCompletionKey, m_repeatAfterCompletion},
                    {kHasDueDateKey, m_hasDueDate},
                    {kDueIntervalKey, m_timeIntervalBetweenStartAndDueDates}};
    if (m_daysOfTheWeek) map.insert(kDaysOfTheWeekKey, toVariantList(*m_daysOfTheWeek));
    if (m_daysOfTheMonth) map.insert(kDaysOfTheMonthKey, toVariantList(*m_daysOfTheMonth));
    if (m_monthsOfTheYear) map.insert(kMonthsOfTheYearKey, toVariantList(*m_monthsOfTheYear));
    if (m_nthWeekDaysOfTheMonth) {
        QVariantList days;
        for (const TDNthWeekDay& day : *m_nthWeekDaysOfTheMonth) days.append(day.toVariantMap());
        map.insert(kNthWeekDaysKey, days);
    }
    if (m_recurrenceEnd) map.insert(kRecurrenceEndKey, m_recurrenceEnd->toVariantMap());
    if (m_nextStartDate.isValid()) map.insert(kNextStartDateKey, m_nextStartDate);
    return map;
}

Result<TDRecurrenceRule> TDRecurrenceRule::fromVariantMap(const QVariantMap& map) {
    namespace archive = recurrence_archive;
    TDRecurrenceRule rule;

    const auto type = archive::integer(map, kRecurrenceTypeKey, std::numeric_limits<qint32>::min(),
                                       std::numeric_limits<qint32>::max());
    if (!type) return type.error();
    rule.m_recurrenceType = qint32(type.value().value_or(Never));
    const auto interval = archive::unsignedInteger(map, kRecurrenceIntervalKey);
    if (!interval) return interval.error();
    rule.m_recurrenceInterval = interval.value().value_or(0);
    const auto firstDay = archive::unsignedInteger(map, kFirstDayOfTheWeekKey);
    if (!firstDay) return firstDay.error();
    rule.m_firstDayOfTheWeek = firstDay.value().value_or(0);

    for (auto [key, field] : {std::pair{kDaysOfTheWeekKey, &rule.m_daysOfTheWeek},
                              std::pair{kDaysOfTheMonthKey, &rule.m_daysOfTheMonth},
                              std::pair{kMonthsOfTheYearKey, &rule.m_monthsOfTheYear}}) {
        auto values = archive::integerList(map, key);
        if (!values) return values.error();
        *field = std::move(values.value());
    }

    const auto nthWeekDays = archive::list(map, kNthWeekDaysKey);
    if (!nthWeekDays) return nthWeekDays.error();
    if (nthWeekDays.value()) {
        QList<TDNthWeekDay> days;
        for (const QVariant& item : *nthWeekDays.value()) {
            if (item.metaType().id() != QMetaType::QVariantMap)
                return TDRecurrenceValidationError(
                    QStringLiteral("Got another class when expecting TDNthWeekDay"));
            const Result<TDNthWeekDay> day = TDNthWeekDay::fromVariantMap(item.toMap());
            if (!day) return day.error();
            days.append(day.value());
        }
        rule.m_nthWeekDaysOfTheMonth = days;
    }

    const auto end = archive::dictionary(map, kRecurrenceEndKey);
    if (!end) return end.error();
    if (end.value()) {
        const Result<TDRecurrenceEnd> decoded = TDRecurrenceEnd::fromVariantMap(*end.value());
        if (!decoded) return decoded.error();
        rule.m_recurrenceEnd = decoded.value();
    }

    const Result<QDateTime> nextStart = archive::date(map, kNextStartDateKey);
    if (!nextStart) return nextStart.error();
    rule.m_nextStartDate = nextStart.value();
    const auto repeat = archive::boolean(map, kRepeatAfterCompletionKey);
    if (!repeat) return repeat.error();
    rule.m_repeatAfterCompletion = repeat.value().value_or(false);
    const auto hasDue = archive::boolean(map, kHasDueDateKey);
    if (!hasDue) return hasDue.error();
    rule.m_hasDueDate = hasDue.value().value_or(false);
    const auto dueInterval = archive::real(map, kDueIntervalKey);
    if (!dueInterval) return dueInterval.error();
    rule.m_timeIntervalBetweenStartAndDueDates = dueInterval.value().value_or(0);
    return rule;
}
