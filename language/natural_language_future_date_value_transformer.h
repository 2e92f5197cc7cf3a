#pragma once

#include "language/natural_language_date_value_transformer.h"

// Reads a typed date as the next such date rather than a past one: "jan 5" typed in March is next
// January. Dates typed with their year, counted back from today or typed as yesterday stay.
class TDNaturalLanguageFutureDateValueTransformer final : public TDNaturalLanguageDateValueTransformer {
public:
    using TDNaturalLanguageDateValueTransformer::TDNaturalLanguageDateValueTransformer;

    QVariant reverseTransformedValue(const QVariant& value) const override;

    // The instance registered as "TDNaturalLanguageFutureDate".
    static std::shared_ptr<const TDNaturalLanguageFutureDateValueTransformer> shared();
};
