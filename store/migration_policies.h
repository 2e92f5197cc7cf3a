#pragma once

#include "platform/objectstore/entity_migration_policy.h"
#include "platform/objectstore/mapping_model.h"

// The entity migration policies of the library's model steps: what a mapping by names cannot express.

// Every migrated task gets the special Inbox list as its top list.
class TDTaskMigrationPolicy : public platform::EntityMigrationPolicy {
public:
    Status endRelationshipCreation(const platform::EntityMapping& mapping,
                                   platform::MigrationManager& manager) override;
};

// The same, and an actual time of 0 for tasks that have none.
class TDTaskMigrationPolicy_0907_0908 final : public TDTaskMigrationPolicy {
public:
    Status endRelationshipCreation(const platform::EntityMapping& mapping,
                                   platform::MigrationManager& manager) override;
};

// Smart-folder rules that test "smartGroups" test "smartFolders" instead.
class TDSmartFolderMigrationPolicy_0903_0904 final : public platform::EntityMigrationPolicy {
public:
    Status endInstanceCreation(const platform::EntityMapping& mapping,
                               platform::MigrationManager& manager) override;
};

// The rule of each smart folder but the special ones moves into a SmartFolderRule object of its own.
class TDSmartFolderMigrationPolicy_0908_0909 final : public platform::EntityMigrationPolicy {
public:
    Status endInstanceCreation(const platform::EntityMapping& mapping,
                               platform::MigrationManager& manager) override;
};

// Time-log entries without a task are dropped.
class TDTimeLogEntryMigrationPolicy final : public platform::EntityMigrationPolicy {
public:
    Status endRelationshipCreation(const platform::EntityMapping& mapping,
                                   platform::MigrationManager& manager) override;
};

// The library names its root group by UID string instead of number.
class TDLibraryMigrationPolicy_0908_0909 final : public platform::EntityMigrationPolicy {
public:
    Status createDestinationInstances(platform::ManagedObject* source, const platform::EntityMapping& mapping,
                                      platform::MigrationManager& manager) override;
};

// Numeric uids become UID strings; a task's notes and recurrence become objects of their own and its
// completion, cancellation and archiving dates become its status and archived flag.
class TDLibraryMigrationPolicy_0909_0910 final : public platform::EntityMigrationPolicy {
public:
    Status createDestinationInstances(platform::ManagedObject* source, const platform::EntityMapping& mapping,
                                      platform::MigrationManager& manager) override;
};

// Archived rules, kept as bytes by the older model, are decoded by their value transformer; a recurrence
// gets a uid derived from its task's.
class TDLibraryMigrationPolicy_0910_0911 final : public platform::EntityMigrationPolicy {
public:
    Status createDestinationInstances(platform::ManagedObject* source, const platform::EntityMapping& mapping,
                                      platform::MigrationManager& manager) override;
};

// The mapping of one step of the library's chain, named by its two model versions ("Library 0.903",
// "Library 0.904"); an error for a pair that is not a step.
Result<platform::MappingModel> TDLibraryMappingModel(const platform::ObjectModel& source,
                                                     const platform::ObjectModel& destination);

// A smart-folder rule archive with every comparison on the key path `from` changed to `to`. Bytes that
// are not a rule archive come back unchanged.
QByteArray TDRuleArchiveChangingKeyPath(const QByteArray& archive, const QString& from, const QString& to);
