#pragma once

#include "platform/transformers/value_transformer.h"

inline const QString TDRuleArchiveValueTransformerName = QStringLiteral("TDRuleArchiveValueTransformer");

// Stores a smart folder's rule tree (a TRRulePtr) as a keyed archive. Bytes that are not a sound rule
// archive give no rule, never a partial one.
class TDRuleArchiveValueTransformer final : public platform::ValueTransformer {
public:
    // Rule to bytes; anything else gives no bytes, which the store refuses to save.
    QVariant transformedValue(const QVariant& value) const override;
    bool allowsReverseTransformation() const override { return true; }
    // Bytes to rule.
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
