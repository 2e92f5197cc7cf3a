#include "language/natural_language_date_value_transformer.h"

#include "language/date_additions.h"
#include "language/date_formatter.h"
#include "language/date_parser.h"
#include "language/localized_string.h"
#include "platform/base/clock.h"

namespace {

QString capitalized(const QString& word) {
    return word.left(1).toUpper() + word.mid(1);
}

}  // namespace

TDNaturalLanguageDateValueTransformer::TDNaturalLanguageDateValueTransformer(const TDDateParser& parser)
    : m_parser(parser) {
}

TDNaturalLanguageDateValueTransformer::TDNaturalLanguageDateValueTransformer()
    : TDNaturalLanguageDateValueTransformer(TDDateParser::shared()) {
}

QString TDNaturalLanguageDateValueTransformer::relativeDayString(const QDateTime& date) {
    const QDateTime today = dates::dateAtStartOfDay(TDClock::currentDateTime());
    const char* word = nullptr;
    if (date == dates::dateByAddingDays(today, 1))
        word = "tomorrow";
    else if (date == today)
        word = "today";
    else if (date == dates::dateByAddingDays(today, -1))
        word = "yesterday";
    if (!word) return QString();
    if (const TDDateFormatter* relative = TDDateFormatter::relativeDateFormatter())
        return relative->stringFromDate(date);
    return capitalized(TDLocalizedString(word));
}

QVariant TDNaturalLanguageDateValueTransformer::transformedValue(const QVariant& value) const {
    const QDateTime date = value.toDateTime();
    if (value.typeId() != QMetaType::QDateTime || !date.isValid()) return {};
    const QString relative = relativeDayString(date);
    if (!relative.isEmpty()) return relative;
    return TDDateFormatter::shortDateFormatter().stringFromDate(date);
}

QVariant TDNaturalLanguageDateValueTransformer::reverseTransformedValue(const QVariant& value) const {
    if (value.typeId() != QMetaType::QString) return {};
    const std::optional<TDDateParser::Parsed> parsed = m_parser.parse(value.toString());
    return parsed ? QVariant(parsed->date) : QVariant();
}

std::shared_ptr<const TDNaturalLanguageDateValueTransformer> TDNaturalLanguageDateValueTransformer::shared() {
    static const auto transformer = std::make_shared<const TDNaturalLanguageDateValueTransformer>();
    return transformer;
}
