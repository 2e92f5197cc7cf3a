#pragma once

#include <QString>
#include <QVariantMap>

namespace platform {

class EntityDescription;
class AttributeDescription;
class RelationshipDescription;

// What attributes and relationships share: a name, the entity that declares it, optionality,
// user-info strings and the slot that holds its value in every object of the entity and its sub-entities.
class PropertyDescription {
public:
    virtual ~PropertyDescription() = default;

    const QString& name() const { return m_name; }
    const EntityDescription* entity() const { return m_entity; }
    bool isOptional() const { return m_optional; }
    bool isTransient() const { return m_transient; }
    const QVariantMap& userInfo() const { return m_userInfo; }
    QString userInfoValue(const QString& key) const { return m_userInfo.value(key).toString(); }

    virtual bool isAttribute() const = 0;
    bool isRelationship() const { return !isAttribute(); }
    const AttributeDescription* asAttribute() const;
    const RelationshipDescription* asRelationship() const;

    // The index of the value among the object's attribute, to-one or to-many slots.
    int slot() const { return m_slot; }
    // The index among all properties of the declaring entity's table (0 for properties without a column).
    int column() const { return m_column; }

protected:
    friend class ObjectModel;
    QString m_name;
    const EntityDescription* m_entity = nullptr;
    bool m_optional = true;
    bool m_transient = false;
    QVariantMap m_userInfo;
    int m_slot = -1;
    int m_column = -1;
};

}  // namespace platform
