#pragma once

#include <QString>
#include <QVariant>

#include <memory>

namespace platform {

// Turns a value into another form and, when it can, back: the natural-language readers and writers
// and the archived attributes of the object store are transformers registered by name.
class ValueTransformer {
public:
    virtual ~ValueTransformer() = default;
    virtual QVariant transformedValue(const QVariant& value) const = 0;
    virtual bool allowsReverseTransformation() const { return false; }
    virtual QVariant reverseTransformedValue(const QVariant& value) const { return value; }
};

// The process-wide registry. Registering a name again replaces the earlier transformer.
void setValueTransformer(const QString& name, std::shared_ptr<const ValueTransformer> transformer);
std::shared_ptr<const ValueTransformer> valueTransformerForName(const QString& name);

}  // namespace platform
