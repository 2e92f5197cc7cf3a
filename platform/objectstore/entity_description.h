#pragma once

#include "platform/objectstore/attribute_description.h"
#include "platform/objectstore/relationship_description.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace platform {

class ObjectModel;

// An entity of the model: its class, its place in the entity tree and its properties. A sub-entity has
// every property of its super-entity (in the same slots) and its own after them; its objects share the
// table of the root entity.
class EntityDescription final {
public:
    const QString& name() const { return m_name; }
    const QString& className() const { return m_className; }
    const ObjectModel* model() const { return m_model; }
    const EntityDescription* superEntity() const { return m_superEntity; }
    const QList<const EntityDescription*>& subEntities() const { return m_subEntities; }
    const EntityDescription* rootEntity() const { return m_root; }
    bool isKindOfEntity(const EntityDescription* other) const;
    const QVariantMap& userInfo() const { return m_userInfo; }
    QString userInfoValue(const QString& key) const { return m_userInfo.value(key).toString(); }

    // Every property, inherited ones first.
    const QList<const PropertyDescription*>& properties() const { return m_properties; }
    const QList<const AttributeDescription*>& attributes() const { return m_attributes; }
    const QList<const RelationshipDescription*>& relationships() const { return m_relationships; }
    // Every property in the order of their names, for writing dictionaries key by key.
    const QList<const PropertyDescription*>& propertiesByName() const { return m_propertiesByName; }
    const PropertyDescription* property(const QString& name) const { return m_byName.value(name); }
    const AttributeDescription* attribute(const QString& name) const;
    const RelationshipDescription* relationship(const QString& name) const;

    int attributeSlotCount() const { return static_cast<int>(m_attributes.size()); }
    int toOneSlotCount() const { return m_toOneCount; }
    int toManySlotCount() const { return m_toManyCount; }
    // The index of the root entity's table among the model's tables; the index of this entity in the model.
    int tableIndex() const { return m_root->m_tableIndex; }
    int index() const { return m_index; }

private:
    friend class ObjectModel;
    QString m_name;
    QString m_className;
    const ObjectModel* m_model = nullptr;
    const EntityDescription* m_superEntity = nullptr;
    QList<const EntityDescription*> m_subEntities;
    const EntityDescription* m_root = nullptr;
    QVariantMap m_userInfo;
    QList<const PropertyDescription*> m_properties;
    QList<const AttributeDescription*> m_attributes;
    QList<const RelationshipDescription*> m_relationships;
    QList<const PropertyDescription*> m_propertiesByName;
    QHash<QString, const PropertyDescription*> m_byName;
    std::vector<std::unique_ptr<PropertyDescription>> m_ownProperties;
    int m_toOneCount = 0;
    int m_toManyCount = 0;
    int m_tableIndex = -1;
    int m_index = -1;
};

}  // namespace platform
