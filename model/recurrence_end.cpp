#include "model/recurrence_end.h"

#include "language/recurrence_archive_values.h"
#include "language/recurrence_validation_error.h"

#include <QCoreApplication>
#include <QLocale>

namespace {
const QString kEndDateKey = QStringLiteral("endDate");
const QString kOccurrenceCountKey = QStringLiteral("occurrenceCount");
}  // namespace

Result<TDRecurrenceEnd> TDRecurrenceEnd::recurrenceEndWithEndDate(const QDateTime& endDate) {
    if (!endDate.isValid())
        return TDRecurrenceValidationError(
            QStringLiteral("Nil endDate not allowed when making a TDRecurrenceEnd object"));
    return TDRecurrenceEnd(endDate, 0);
}

Result<TDRecurrenceEnd> TDRecurrenceEnd::recurrenceEndWithOccurrenceCount(quint64 occurrenceCount) {
    if (occurrenceCount == 0)
        return TDRecurrenceValidationError(
            QStringLiteral("Occurrence count of 0 not allowed when making a TDRecurrenceEnd object"));
    return TDRecurrenceEnd(QDateTime(), occurrenceCount);
}

Status TDRecurrenceEnd::validate() const {
    if (usesEndDate() && m_occurrenceCount > 0)
        return TDRecurrenceValidationError(QStringLiteral(
            "Could not validate recurrence end. Occurrence count is greater than zero when an end "
            "date exists."));
    if (!usesEndDate() && m_occurrenceCount == 0)
        return TDRecurrenceValidationError(QStringLiteral(
            "Could not validate recurrence end. Occurrence count is zero when an end date does not "
            "exist."));
    return {};
}

QString TDRecurrenceEnd::recurrenceEndDescription() const {
    if (usesEndDate())
        return QCoreApplication::translate("Localizable", "Ends on %1")
            .arg(QLocale().toString(m_endDate.date(), QLocale::ShortFormat));
    if (m_occurrenceCount == 1) return QCoreApplication::translate("Localizable", "Ends after 1 time");
    return QCoreApplication::translate("Localizable", "Ends after %1 times").arg(m_occurrenceCount);
}

size_t TDRecurrenceEnd::hash() const {
    const size_t dateHash = m_endDate.isValid() ? ::qHash(m_endDate.toMSecsSinceEpoch()) : 0;
    return dateHash + size_t(m_occurrenceCount);
}

QVariantMap TDRecurrenceEnd::toVariantMap() const {
    QVariantMap map{{kOccurrenceCountKey, qulonglong(m_occurrenceCount)}};
    if (m_endDate.isValid()) map.insert(kEndDateKey, m_endDate);
    return map;
}

Result<TDRecurrenceEnd> TDRecurrenceEnd::fromVariantMap(const QVariantMap& map) {
    const Result<QDateTime> endDate = recurrence_archive::date(map, kEndDateKey);
    if (!endDate) return endDate.error();
    const Result<std::optional<quint64>> count =
        recurrence_archive::unsignedInteger(map, kOccurrenceCountKey);
    if (!count) return count.error();
    return TDRecurrenceEnd(endDate.value(), count.value().value_or(0));
}
