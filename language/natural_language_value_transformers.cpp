#include "language/natural_language_value_transformers.h"

#include "language/natural_language_date_value_transformer.h"
#include "language/natural_language_days_from_today_value_transformer.h"
#include "language/natural_language_future_date_value_transformer.h"
#include "language/natural_language_time_interval_value_transformer.h"

void registerNaturalLanguageValueTransformers() {
    platform::setValueTransformer(QStringLiteral("TDNaturalLanguageDate"),
                                  TDNaturalLanguageDateValueTransformer::shared());
    platform::setValueTransformer(QStringLiteral("TDNaturalLanguageFutureDate"),
                                  TDNaturalLanguageFutureDateValueTransformer::shared());
    platform::setValueTransformer(QStringLiteral("TDNaturalLanguageDaysFromToday"),
                                  TDNaturalLanguageDaysFromTodayValueTransformer::shared());
    platform::setValueTransformer(QStringLiteral("TDNaturalLanguageTimeInterval"),
                                  TDNaturalLanguageTimeIntervalValueTransformer::shared());
}
