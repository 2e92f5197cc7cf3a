#include "language/natural_language_days_from_today_value_transformer.h"

#include "language/date_additions.h"
#include "language/natural_language_date_value_transformer.h"
#include "platform/base/clock.h"

TDNaturalLanguageDaysFromTodayValueTransformer::TDNaturalLanguageDaysFromTodayValueTransformer() {
    m_durationTransformer.setUsesWorkHoursAndDays(false);
}

QVariant TDNaturalLanguageDaysFromTodayValueTransformer::transformedValue(const QVariant& value) const {
    const QDateTime date = value.toDateTime();
    if (value.typeId() != QMetaType::QDateTime || !date.isValid()) return {};
    const QString relative = TDNaturalLanguageDateValueTransformer::relativeDayString(date);
    if (!relative.isEmpty()) return relative;
    // Counted in calendar days, so a change to or from summer time does not show as an hour.
    const QDateTime today = dates::dateAtStartOfDay(TDClock::currentDateTime());
    const QDateTime local = date.toLocalTime();
    const double distance =
        double(today.date().daysTo(local.date())) * 86400.0 + double(local.date().startOfDay().secsTo(local));
    const QString text = m_durationTransformer.stringFromSeconds(std::abs(distance));
    if (text.isNull()) return {};
    return distance < 0 ? QStringLiteral("-") + text : text;
}

std::shared_ptr<const TDNaturalLanguageDaysFromTodayValueTransformer>
TDNaturalLanguageDaysFromTodayValueTransformer::shared() {
    static const auto transformer = std::make_shared<const TDNaturalLanguageDaysFromTodayValueTransformer>();
    return transformer;
}
