#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <memory>

namespace platform {

class EntityMigrationPolicy;
class ObjectModel;

// How the objects of one source entity become objects of one destination entity. Properties not named
// in the maps take the source property of the same name, when there is one; a name mapped to an empty
// string takes nothing.
struct EntityMapping {
    QString name;  // "TaskToTask"
    QString sourceEntity;
    QString destinationEntity;
    QHash<QString, QString> attributeSources;       // destination attribute -> source attribute
    QHash<QString, QString> relationshipSources;    // destination relationship -> source relationship
    std::shared_ptr<EntityMigrationPolicy> policy;  // none: the default behaviour
};

// One migration step: the entity mappings from one model version to the next, run in order.
struct MappingModel {
    QList<EntityMapping> entityMappings;

    // A mapping for every source entity that has a destination entity of the same name, named
    // "<Entity>To<Entity>", with properties mapped by name.
    static MappingModel inferred(const ObjectModel& source, const ObjectModel& destination);
    EntityMapping* entityMapping(const QString& name);
};

}  // namespace platform
