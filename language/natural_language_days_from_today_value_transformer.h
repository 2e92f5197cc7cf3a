#pragma once

#include "language/natural_language_time_interval_value_transformer.h"
#include "platform/transformers/value_transformer.h"

#include <memory>

// A date as its distance from today: the relative word for today, tomorrow and yesterday, else a
// signed distance in calendar weeks and days ("1w 3d", "-3d").
class TDNaturalLanguageDaysFromTodayValueTransformer final : public platform::ValueTransformer {
public:
    TDNaturalLanguageDaysFromTodayValueTransformer();

    QVariant transformedValue(const QVariant& value) const override;
    bool allowsReverseTransformation() const override { return true; }
    // A distance names no date, so nothing reads back.
    QVariant reverseTransformedValue(const QVariant&) const override { return {}; }

    // The instance registered as "TDNaturalLanguageDaysFromToday".
    static std::shared_ptr<const TDNaturalLanguageDaysFromTodayValueTransformer> shared();

private:
    TDNaturalLanguageTimeIntervalValueTransformer m_durationTransformer;
};
