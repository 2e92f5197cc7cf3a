#include "platform/objectstore/migration_manager.h"

#include "platform/base/log.h"
#include "platform/objectstore/entity_migration_policy.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/object_model.h"
#include "platform/objectstore/object_store_error.h"
#include "platform/objectstore/persistent_store_coordinator.h"

#include <QFile>
#include <QFileInfo>

namespace platform {

namespace {

TDError migrationError(const QString& description) {
    return makeObjectStoreError(ObjectStoreErrorMigrationFailed, description);
}

QString sourceName(const QHash<QString, QString>& map, const QString& destination) {
    return map.contains(destination) ? map.value(destination) : destination;
}

}  // namespace

MappingModel MappingModel::inferred(const ObjectModel& source, const ObjectModel& destination) {
    MappingModel mapping;
    for (const EntityDescription* entity : source.entities()) {
        if (!destination.entity(entity->name())) continue;
        EntityMapping e;
        e.name = entity->name() + QStringLiteral("To") + entity->name();
        e.sourceEntity = entity->name();
        e.destinationEntity = entity->name();
        mapping.entityMappings.append(e);
    }
    return mapping;
}

EntityMapping* MappingModel::entityMapping(const QString& name) {
    for (EntityMapping& e : entityMappings)
        if (e.name == name) return &e;
    return nullptr;
}

Status EntityMigrationPolicy::createDestinationInstances(ManagedObject* source, const EntityMapping& mapping,
                                                         MigrationManager& manager) {
    ManagedObject* destination = manager.destinationContext()->insertObject(mapping.destinationEntity);
    if (!destination)
        return migrationError(QStringLiteral("The mapping \"%1\" names the unknown entity \"%2\".")
                                  .arg(mapping.name, mapping.destinationEntity));
    for (const AttributeDescription* attribute : destination->entity()->attributes()) {
        if (attribute->isTransient()) continue;
        const QString from = sourceName(mapping.attributeSources, attribute->name());
        if (from.isEmpty() || !source->entity()->attribute(from)) continue;
        destination->setPrimitiveValue(attribute->name(), source->primitiveValue(from));
    }
    manager.associate(source, destination, mapping);
    return {};
}

Status EntityMigrationPolicy::endInstanceCreation(const EntityMapping&, MigrationManager&) {
    return {};
}

Status EntityMigrationPolicy::createRelationships(ManagedObject* destination, const EntityMapping& mapping,
                                                  MigrationManager& manager) {
    const QList<ManagedObject*> sources = manager.sourceInstances(destination);
    if (sources.isEmpty()) return {};
    ManagedObject* source = sources.first();
    for (const RelationshipDescription* relationship : destination->entity()->relationships()) {
        const QString from = sourceName(mapping.relationshipSources, relationship->name());
        if (from.isEmpty() || !source->entity()->relationship(from)) continue;
        QList<ManagedObject*> targets;
        const RelationshipDescription* sourceRelationship = source->entity()->relationship(from);
        const QList<ManagedObject*> related = sourceRelationship->isToMany()
                                                  ? source->objectList(from)
                                                  : QList<ManagedObject*>{source->object(from)};
        for (ManagedObject* object : related) {
            if (!object) continue;
            for (ManagedObject* target : manager.destinationInstances(object))
                if (target->entity()->isKindOfEntity(relationship->destinationEntity()))
                    targets.append(target);
        }
        if (relationship->isToMany())
            destination->addObjects(relationship->name(), targets);
        else if (!targets.isEmpty())
            destination->setObject(relationship->name(), targets.first());
    }
    return {};
}

Status EntityMigrationPolicy::endRelationshipCreation(const EntityMapping&, MigrationManager&) {
    return {};
}

Status EntityMigrationPolicy::endEntityMapping(const EntityMapping&, MigrationManager&) {
    return {};
}

MigrationManager::MigrationManager(std::shared_ptr<const ObjectModel> source,
                                   std::shared_ptr<const ObjectModel> destination, MappingModel mapping)
    : m_sourceModel(std::move(source)),
      m_destinationModel(std::move(destination)),
      m_mapping(std::move(mapping)) {
}

MigrationManager::~MigrationManager() = default;

void MigrationManager::associate(ManagedObject* source, ManagedObject* destination,
                                 const EntityMapping& mapping) {
    m_destinations[source].append({mapping.name, destination});
    m_sources.insert(destination, source);
    m_createdByMapping[mapping.name].append(destination);
}

QList<ManagedObject*> MigrationManager::destinationInstances(ManagedObject* source,
                                                             const QString& mappingName) const {
    QList<ManagedObject*> result;
    for (const auto& [name, destination] : m_destinations.value(source))
        if (mappingName.isEmpty() || name == mappingName) result.append(destination);
    return result;
}

QList<ManagedObject*> MigrationManager::sourceInstances(ManagedObject* destination) const {
    ManagedObject* source = m_sources.value(destination);
    return source ? QList<ManagedObject*>{source} : QList<ManagedObject*>{};
}

void MigrationManager::p_advance(const std::function<void(double)>& progress) {
    ++m_done;
    m_progress = m_steps > 0 ? std::min(1.0, double(m_done) / double(m_steps)) : 1.0;
    // Report in about a hundred steps, not per object.
    if (progress && (m_done % std::max<qint64>(1, m_steps / 100) == 0)) progress(m_progress);
}

Status MigrationManager::migrateStore(const QString& sourcePath, const QString& destinationPath,
                                      const std::function<void(double)>& progress) {
    if (QFileInfo::exists(destinationPath))
        return migrationError(
            QStringLiteral("The migration target \"%1\" exists already.").arg(destinationPath));
    m_sourceCoordinator = std::make_unique<PersistentStoreCoordinator>(m_sourceModel);
    m_destinationCoordinator = std::make_unique<PersistentStoreCoordinator>(m_destinationModel);
    Status status = m_sourceCoordinator->openStore(sourcePath);
    if (status) status = m_destinationCoordinator->openStore(destinationPath);
    if (status) status = p_run(progress);
    m_current = nullptr;
    m_destinations.clear();
    m_sources.clear();
    m_createdByMapping.clear();
    m_sourceContext.reset();
    m_destinationContext.reset();
    m_sourceCoordinator.reset();
    m_destinationCoordinator.reset();
    if (!status) {
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(destinationPath + suffix);
        logWithLevel(TDLogError, "ERROR", "Error during migration: %@", status.error().description);
        return status;
    }
    m_progress = 1.0;
    if (progress) progress(1.0);
    return {};
}

Status MigrationManager::p_run(const std::function<void(double)>& progress) {
    m_sourceContext = std::make_unique<ManagedObjectContext>(m_sourceCoordinator.get());
    m_destinationContext = std::make_unique<ManagedObjectContext>(m_destinationCoordinator.get());
    if (Status s = m_sourceContext->loadAllObjects(); !s) return s;
    if (Status s = m_destinationCoordinator->setMetadata(m_sourceCoordinator->metadata()); !s) return s;

    EntityMigrationPolicy defaultPolicy;
    QList<std::pair<const EntityMapping*, QList<ManagedObject*>>> work;
    m_steps = 1;
    for (const EntityMapping& mapping : m_mapping.entityMappings) {
        const EntityDescription* entity = m_sourceModel->entity(mapping.sourceEntity);
        if (!entity)
            return migrationError(QStringLiteral("The mapping \"%1\" names the unknown entity \"%2\".")
                                      .arg(mapping.name, mapping.sourceEntity));
        auto sources = m_sourceContext->execute(FetchRequest(
            mapping.sourceEntity, [entity](const ManagedObject* o) { return o->entity() == entity; }));
        if (!sources) return sources.error();
        m_steps += 2 * sources->size();
        work.append({&mapping, *sources});
    }
    auto policyOf = [&defaultPolicy](const EntityMapping& mapping) -> EntityMigrationPolicy& {
        return mapping.policy ? *mapping.policy : defaultPolicy;
    };
    if (progress) progress(0.0);
    for (const auto& [mapping, sources] : work) {
        m_current = mapping;
        for (ManagedObject* source : sources) {
            if (Status s = policyOf(*mapping).createDestinationInstances(source, *mapping, *this); !s)
                return s;
            p_advance(progress);
        }
        if (Status s = policyOf(*mapping).endInstanceCreation(*mapping, *this); !s) return s;
    }
    for (const auto& [mapping, sources] : work) {
        m_current = mapping;
        for (ManagedObject* destination : m_createdByMapping.value(mapping->name)) {
            if (Status s = policyOf(*mapping).createRelationships(destination, *mapping, *this); !s) return s;
        }
        for (qsizetype i = 0; i < sources.size(); ++i) p_advance(progress);
        if (Status s = policyOf(*mapping).endRelationshipCreation(*mapping, *this); !s) return s;
    }
    for (const auto& [mapping, sources] : work) {
        m_current = mapping;
        if (Status s = policyOf(*mapping).endEntityMapping(*mapping, *this); !s) return s;
    }
    m_current = nullptr;
    if (Status s = m_destinationContext->save(); !s) return s;
    return {};
}

}  // namespace platform
