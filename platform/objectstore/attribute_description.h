#pragma once

#include "platform/objectstore/property_description.h"

namespace platform {

enum class AttributeType { String, Integer64, Double, Boolean, Date, Binary, Transformable };

// An attribute: a typed value, a default for new objects and, for a transformable one, the name of the
// value transformer that turns the value into bytes for the store and back.
class AttributeDescription final : public PropertyDescription {
public:
    bool isAttribute() const override { return true; }
    AttributeType type() const { return m_type; }
    const QVariant& defaultValue() const { return m_defaultValue; }
    const QString& valueTransformerName() const { return m_valueTransformerName; }

    // The value in this attribute's own type when it converts; an invalid value stays invalid.
    QVariant coerced(const QVariant& value) const;
    // Whether a (coerced) value has this attribute's type.
    bool acceptsValue(const QVariant& value) const;

    static QString typeName(AttributeType type);

private:
    friend class ObjectModel;
    AttributeType m_type = AttributeType::String;
    QVariant m_defaultValue;
    QString m_valueTransformerName;
};

}  // namespace platform
