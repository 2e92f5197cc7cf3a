#pragma once

#include "platform/transformers/value_transformer.h"

inline const QString TDPropertyListValueTransformerName = QStringLiteral("TDPropertyListValueTransformer");

// Stores a property-list value (local information dictionaries, sync tokens) as a binary property list.
// Bytes that do not read as a property list give no value rather than a wrong one.
class TDPropertyListValueTransformer final : public platform::ValueTransformer {
public:
    // Value to bytes.
    QVariant transformedValue(const QVariant& value) const override;
    bool allowsReverseTransformation() const override { return true; }
    // Bytes to value.
    QVariant reverseTransformedValue(const QVariant& value) const override;
};
