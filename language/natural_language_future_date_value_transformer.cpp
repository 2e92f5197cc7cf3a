#include "language/natural_language_future_date_value_transformer.h"

#include "language/date_parser.h"
#include "platform/base/clock.h"

namespace {

// The date a year on, or on the next year whose month has its day (29 February), rather than a
// day carried into March.
QDate nextYearWithDay(QDate date) {
    for (int years = 1; years <= 8; ++years) {
        const QDate candidate(date.year() + years, date.month(), date.day());
        if (candidate.isValid()) return candidate;
    }
    return {};
}

}  // namespace

QVariant TDNaturalLanguageFutureDateValueTransformer::reverseTransformedValue(const QVariant& value) const {
    if (value.typeId() != QMetaType::QString) return {};
    const QString text = value.toString().trimmed().toLower();
    const std::optional<TDDateParser::Parsed> parsed = parser().parse(text);
    if (!parsed) return {};
    const QDateTime d = parsed->date;

    // An explicit full date, a date counted back, yesterday in any form and a date typed with its
    // year stay as they are.
    const std::optional<QList<int>> numbers = splitNumericDateComponents(text);
    if (numbers && numbers->size() == 3) return d;
    if (text.startsWith(QLatin1Char('-'))) return d;
    if (parsed->source == TDDateParser::Source::Yesterday ||
        parsed->source == TDDateParser::Source::RelativeAmount)
        return d;
    if (parsed->hasYear) return d;

    const QDate today = TDClock::currentDateTime().toLocalTime().date();
    const QDate date = d.date();
    if (date >= QDate(today.year(), today.month(), 1)) return d;
    const QDate nextYear = nextYearWithDay(date);
    if (!nextYear.isValid() || nextYear.year() > 9999) return {};
    return nextYear.startOfDay();
}

std::shared_ptr<const TDNaturalLanguageFutureDateValueTransformer>
TDNaturalLanguageFutureDateValueTransformer::shared() {
    static const auto transformer = std::make_shared<const TDNaturalLanguageFutureDateValueTransformer>();
    return transformer;
}
