#pragma once

#include "platform/transformers/value_transformer.h"

// Turns a number into 1 when it equals the transformer's integer and 0 otherwise (no value reads as 0);
// back, a true value gives the integer and a false one no value. The user interface binds through it
// by the names "TDIsZero" to "TDIsThree".
class TDIsIntegerTransformer : public platform::ValueTransformer {
public:
    explicit TDIsIntegerTransformer(qint64 integer) : m_integer(integer) {}
    QVariant transformedValue(const QVariant& value) const override;
    bool allowsReverseTransformation() const override { return true; }
    QVariant reverseTransformedValue(const QVariant& value) const override;

protected:
    qint64 integer() const { return m_integer; }

private:
    qint64 m_integer;
};

// The mirror: 0 when equal, 1 otherwise; back, a false value gives the integer. Names "TDIsNotZero" to
// "TDIsNotThree".
class TDIsNotIntegerTransformer final : public TDIsIntegerTransformer {
public:
    using TDIsIntegerTransformer::TDIsIntegerTransformer;
    QVariant transformedValue(const QVariant& value) const override;
    QVariant reverseTransformedValue(const QVariant& value) const override;
};

// Registers the eight named transformers with the value-transformer registry.
void registerIntegerTransformers();
