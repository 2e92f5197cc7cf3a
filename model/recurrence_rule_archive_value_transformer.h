#pragma once

#include "platform/transformers/value_transformer.h"

inline const QString TDRecurrenceRuleArchiveValueTransformerName =
    QStringLiteral("TDRecurrenceRuleArchiveValueTransformer");

// Stores a recurrence's rule as its keyed archive. Bytes that are not a well-formed archive of a rule
// give no rule (logged), never a rule made up of what could be read.
class TDRecurrenceRuleArchiveValueTransformer final : public platform::ValueTransformer {
public:
    // Rule to bytes; no value for anything that is not a rule or cannot be archived.
    QVariant transformedValue(const QVariant& value) const override;
    bool allowsReverseTransformation() const override { return true; }
    // Bytes to rule.
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
