#pragma once

#include "platform/base/error.h"

namespace platform {

class ManagedObject;
class MigrationManager;
struct EntityMapping;

// The hooks of one entity mapping during a migration step. The defaults make one destination object
// per source object with the mapped attributes, and then the mapped relationships; a policy overrides
// the hooks to fix what a plain mapping cannot express. An error ends the step.
class EntityMigrationPolicy {
public:
    virtual ~EntityMigrationPolicy() = default;

    virtual Status createDestinationInstances(ManagedObject* source, const EntityMapping& mapping,
                                              MigrationManager& manager);
    virtual Status endInstanceCreation(const EntityMapping& mapping, MigrationManager& manager);
    virtual Status createRelationships(ManagedObject* destination, const EntityMapping& mapping,
                                       MigrationManager& manager);
    virtual Status endRelationshipCreation(const EntityMapping& mapping, MigrationManager& manager);
    virtual Status endEntityMapping(const EntityMapping& mapping, MigrationManager& manager);
};

}  // namespace platform
