#pragma once

#include "platform/base/error.h"
#include "platform/objectstore/mapping_model.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace platform {

class ManagedObject;
class ManagedObjectContext;
class ObjectModel;
class PersistentStoreCoordinator;

// Runs one migration step: reads a store of the source model and writes its objects, mapped, into a new
// store of the destination model. The source store is only read; the new file is complete or, on any
// failure, gone.
class MigrationManager final {
public:
    MigrationManager(std::shared_ptr<const ObjectModel> source,
                     std::shared_ptr<const ObjectModel> destination, MappingModel mapping);
    ~MigrationManager();

    // progress runs from 0 to 1. The destination path must not exist yet.
    Status migrateStore(const QString& sourcePath, const QString& destinationPath,
                        const std::function<void(double)>& progress = {});

    // For policies, while a step runs.
    ManagedObjectContext* sourceContext() const { return m_sourceContext.get(); }
    ManagedObjectContext* destinationContext() const { return m_destinationContext.get(); }
    const EntityMapping* currentEntityMapping() const { return m_current; }
    void associate(ManagedObject* source, ManagedObject* destination, const EntityMapping& mapping);
    // The destination objects made from a source object (by one mapping, or by any when none is named).
    QList<ManagedObject*> destinationInstances(ManagedObject* source, const QString& mappingName = {}) const;
    QList<ManagedObject*> sourceInstances(ManagedObject* destination) const;
    double migrationProgress() const { return m_progress; }

private:
    Status p_run(const std::function<void(double)>& progress);
    void p_advance(const std::function<void(double)>& progress);

    std::shared_ptr<const ObjectModel> m_sourceModel;
    std::shared_ptr<const ObjectModel> m_destinationModel;
    MappingModel m_mapping;
    std::unique_ptr<PersistentStoreCoordinator> m_sourceCoordinator;
    std::unique_ptr<PersistentStoreCoordinator> m_destinationCoordinator;
    std::unique_ptr<ManagedObjectContext> m_sourceContext;
    std::unique_ptr<ManagedObjectContext> m_destinationContext;
    const EntityMapping* m_current = nullptr;
    QHash<ManagedObject*, QList<std::pair<QString, ManagedObject*>>>
        m_destinations;  // source -> (mapping, destination)
    QHash<ManagedObject*, ManagedObject*> m_sources;
    QHash<QString, QList<ManagedObject*>> m_createdByMapping;
    double m_progress = 0;
    qint64 m_steps = 0;
    qint64 m_done = 0;
};

}  // namespace platform
