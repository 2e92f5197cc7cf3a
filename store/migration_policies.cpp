#include "store/migration_policies.h"

#include "model/uid.h"
#include "platform/base/log.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/managed_object.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/migration_manager.h"
#include "platform/objectstore/object_model.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/plist/property_list.h"
#include "platform/transformers/value_transformer.h"

#include <QTextBlock>
#include <QTextDocument>

using platform::EntityMapping;
using platform::FetchRequest;
using platform::ManagedObject;
using platform::MigrationManager;

namespace {

TDError stepError(const QString& description) {
    return TDError::make(TDErrorMigrationFailed, description);
}

Result<QList<ManagedObject*>> fetch(platform::ManagedObjectContext* context, const QString& entity,
                                    FetchRequest::Filter filter = {}) {
    return context->execute(FetchRequest(entity, std::move(filter)));
}

ManagedObject* firstDestination(MigrationManager& manager, ManagedObject* source,
                                const EntityMapping& mapping) {
    const QList<ManagedObject*> destinations = manager.destinationInstances(source, mapping.name);
    return destinations.isEmpty() ? nullptr : destinations.first();
}

QString uidString(const QVariant& number) {
    return TDUIDStringFromNumber(static_cast<quint64>(number.toLongLong()));
}

// Rule archives are small; anything larger is not one.
constexpr qsizetype kMaximumRuleArchiveSize = 4 * 1024 * 1024;

bool changeKeyPathOfRule(QVariantMap& node, const QString& from, const QString& to) {
    QVariantMap fields = node.value(QStringLiteral("fields")).toMap();
    bool changed = false;
    const QString className = node.value(QStringLiteral("class")).toString();
    if (className == QLatin1String("TRComparisonRule") &&
        fields.value(QStringLiteral("keyPath")).toString() == from) {
        fields.insert(QStringLiteral("keyPath"), to);
        changed = true;
    } else if (className == QLatin1String("TRCompoundRule")) {
        QVariantList subrules = fields.value(QStringLiteral("subrules")).toList();
        for (QVariant& subrule : subrules) {
            if (subrule.metaType().id() != QMetaType::QVariantMap) continue;
            QVariantMap child = subrule.toMap();
            if (changeKeyPathOfRule(child, from, to)) {
                subrule = child;
                changed = true;
            }
        }
        if (changed) fields.insert(QStringLiteral("subrules"), subrules);
    }
    if (changed) node.insert(QStringLiteral("fields"), fields);
    return changed;
}

// Gives every destination task its top list: the list of the top task of its tree. A task in no list
// (which the older libraries allowed) goes to the Inbox, so none is left without one.
Status setInboxAsTopList(MigrationManager& manager) {
    auto inboxes =
        fetch(manager.destinationContext(), QStringLiteral("Group"), [](const ManagedObject* group) {
            return group->value(QStringLiteral("special")).toBool() &&
                   group->value(QStringLiteral("title")).toString() == QLatin1String("Inbox");
        });
    if (!inboxes) return inboxes.error();
    const platform::EntityDescription* list =
        manager.destinationContext()->coordinator()->model().entity(QStringLiteral("List"));
    if (inboxes->isEmpty() || !list || !inboxes->last()->entity()->isKindOfEntity(list))
        return stepError(QStringLiteral("The library has no Inbox list."));
    ManagedObject* inbox = inboxes->last();
    auto tasks = fetch(manager.destinationContext(), QStringLiteral("Task"));
    if (!tasks) return tasks.error();
    for (ManagedObject* task : *tasks) {
        ManagedObject* top = task;
        // Bounded by the task count, so a cycle in damaged data cannot hang the step.
        for (qsizetype steps = 0; top->object(QStringLiteral("parentTask")) && steps < tasks->size(); ++steps)
            top = top->object(QStringLiteral("parentTask"));
        ManagedObject* list = top->object(QStringLiteral("parentList"));
        task->setObject(QStringLiteral("topList"), list ? list : inbox);
    }
    return {};
}

// Rich notes use some font other than the plain one.
bool isRichText(const QTextDocument& document) {
    static const int fontProperties[] = {QTextFormat::FontFamilies,  QTextFormat::FontPointSize,
                                         QTextFormat::FontPixelSize, QTextFormat::FontWeight,
                                         QTextFormat::FontItalic,    QTextFormat::FontUnderline,
                                         QTextFormat::FontStrikeOut, QTextFormat::FontFixedPitch};
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            for (int property : fontProperties)
                if (format.hasProperty(property)) return true;
        }
    }
    return false;
}

Status moveNotesIntoObject(ManagedObject* source, ManagedObject* destination, MigrationManager& manager) {
    const QString notes = source->value(QStringLiteral("notes")).toString();
    if (notes.isEmpty()) return {};
    ManagedObject* taskNotes = manager.destinationContext()->insertObject(QStringLiteral("TaskNotes"));
    if (!taskNotes) return stepError(QStringLiteral("The destination model has no TaskNotes entity."));
    const QString html = source->value(QStringLiteral("attributedNotes")).toString();
    QString plain = notes;
    if (!html.isEmpty()) {
        QTextDocument document;
        document.setHtml(html);
        plain = document.toPlainText();
        if (isRichText(document))
            taskNotes->setPrimitiveValue(QStringLiteral("webArchiveData"), document.toHtml().toUtf8());
    }
    const QString uid = TDNewUID();
    taskNotes->setPrimitiveValue(QStringLiteral("string"), plain);
    taskNotes->setPrimitiveValue(QStringLiteral("uid"), uid);
    destination->setObject(QStringLiteral("notes"), taskNotes);
    destination->setPrimitiveValue(QStringLiteral("notesUID"), uid);
    return {};
}

}  // namespace

QByteArray TDRuleArchiveChangingKeyPath(const QByteArray& archive, const QString& from, const QString& to) {
    Result<QVariant> plist = platform::readPropertyList(archive, kMaximumRuleArchiveSize);
    if (!plist || plist->metaType().id() != QMetaType::QVariantMap) return archive;
    QVariantMap root = plist->toMap();
    QVariantMap rule = root.value(QStringLiteral("root")).toMap();
    if (!changeKeyPathOfRule(rule, from, to)) return archive;
    root.insert(QStringLiteral("root"), rule);
    Result<QByteArray> written = platform::writePropertyList(root, platform::PropertyListFormat::Binary);
    return written ? *written : archive;
}

Status TDTaskMigrationPolicy::endRelationshipCreation(const EntityMapping&, MigrationManager& manager) {
    return setInboxAsTopList(manager);
}

Status TDTaskMigrationPolicy_0907_0908::endRelationshipCreation(const EntityMapping& mapping,
                                                                MigrationManager& manager) {
    if (Status inherited = TDTaskMigrationPolicy::endRelationshipCreation(mapping, manager); !inherited)
        return inherited;
    auto tasks = fetch(manager.destinationContext(), QStringLiteral("Task"));
    if (!tasks) return tasks.error();
    for (ManagedObject* task : *tasks)
        if (task->value(QStringLiteral("actualTime")).isNull())
            task->setPrimitiveValue(QStringLiteral("actualTime"), 0.0);
    return {};
}

Status TDSmartFolderMigrationPolicy_0903_0904::endInstanceCreation(const EntityMapping&,
                                                                   MigrationManager& manager) {
    auto folders = fetch(manager.destinationContext(), QStringLiteral("SmartFolder"));
    if (!folders) return folders.error();
    for (ManagedObject* folder : *folders) {
        const QByteArray rule = folder->value(QStringLiteral("rule")).toByteArray();
        if (rule.isEmpty()) continue;
        folder->setPrimitiveValue(QStringLiteral("rule"),
                                  TDRuleArchiveChangingKeyPath(rule, QStringLiteral("smartGroups"),
                                                               QStringLiteral("smartFolders")));
    }
    return {};
}

Status TDSmartFolderMigrationPolicy_0908_0909::endInstanceCreation(const EntityMapping& mapping,
                                                                   MigrationManager& manager) {
    auto sources = fetch(manager.sourceContext(), QStringLiteral("SmartFolder"));
    if (!sources) return sources.error();
    for (ManagedObject* source : *sources) {
        if (source->value(QStringLiteral("special")).toBool()) continue;
        ManagedObject* destination = firstDestination(manager, source, mapping);
        if (!destination) continue;
        ManagedObject* rule = manager.destinationContext()->insertObject(QStringLiteral("SmartFolderRule"));
        if (!rule) return stepError(QStringLiteral("The destination model has no SmartFolderRule entity."));
        rule->setPrimitiveValue(QStringLiteral("uidnum"), static_cast<qint64>(TDRandomUIDNumber()));
        rule->setPrimitiveValue(QStringLiteral("rule"), source->value(QStringLiteral("rule")));
        destination->setObject(QStringLiteral("smartFolderRule"), rule);
    }
    return {};
}

Status TDTimeLogEntryMigrationPolicy::endRelationshipCreation(const EntityMapping&,
                                                              MigrationManager& manager) {
    auto orphans = fetch(manager.destinationContext(), QStringLiteral("TimeLogEntry"),
                         [](const ManagedObject* entry) { return !entry->object(QStringLiteral("task")); });
    if (!orphans) return orphans.error();
    if (orphans->isEmpty()) return {};
    logWithLevel(TDLogInfo, "INFO",
                 "Deleting %ld TimeLogEntry objects during migration because they don't have the task set",
                 static_cast<long>(orphans->size()));
    for (ManagedObject* entry : *orphans) manager.destinationContext()->deleteObject(entry);
    return {};
}

Status TDLibraryMigrationPolicy_0908_0909::createDestinationInstances(ManagedObject* source,
                                                                      const EntityMapping& mapping,
                                                                      MigrationManager& manager) {
    if (Status created = EntityMigrationPolicy::createDestinationInstances(source, mapping, manager);
        !created)
        return created;
    ManagedObject* destination = firstDestination(manager, source, mapping);
    const QVariant number = source->value(QStringLiteral("rootGroupUIDNum"));
    if (!destination || number.isNull())
        return stepError(QStringLiteral("The library does not name its root group."));
    destination->setPrimitiveValue(QStringLiteral("rootGroupUID"), uidString(number));
    return {};
}

Status TDLibraryMigrationPolicy_0909_0910::createDestinationInstances(ManagedObject* source,
                                                                      const EntityMapping& mapping,
                                                                      MigrationManager& manager) {
    if (Status created = EntityMigrationPolicy::createDestinationInstances(source, mapping, manager);
        !created)
        return created;
    ManagedObject* destination = firstDestination(manager, source, mapping);
    if (!destination) return {};
    const QString entity = source->entity()->name();
    if (source->entity()->attribute(QStringLiteral("uidnum"))) {
        const QVariant number = source->value(QStringLiteral("uidnum"));
        if (!number.isNull()) destination->setPrimitiveValue(QStringLiteral("uid"), uidString(number));
    }
    if (entity == QLatin1String("SyncSetItem")) {
        const QVariant number = source->value(QStringLiteral("itemUIDNumber"));
        if (!number.isNull()) destination->setPrimitiveValue(QStringLiteral("itemUID"), uidString(number));
    }
    if (entity != QLatin1String("Task")) return {};
    if (Status notes = moveNotesIntoObject(source, destination, manager); !notes) return notes;
    const QByteArray rule = source->value(QStringLiteral("recurrenceRule")).toByteArray();
    if (source->value(QStringLiteral("recurring")).toBool() && !rule.isEmpty()) {
        ManagedObject* recurrence = manager.destinationContext()->insertObject(QStringLiteral("Recurrence"));
        if (!recurrence) return stepError(QStringLiteral("The destination model has no Recurrence entity."));
        recurrence->setPrimitiveValue(QStringLiteral("rule"), rule);
        destination->setObject(QStringLiteral("recurrence"), recurrence);
    }
    if (!source->value(QStringLiteral("completedDate")).isNull())
        destination->setPrimitiveValue(QStringLiteral("status"), QStringLiteral("C"));
    const QVariant canceled = source->value(QStringLiteral("canceledDate"));
    if (!canceled.isNull()) {
        destination->setPrimitiveValue(QStringLiteral("status"), QStringLiteral("X"));
        destination->setPrimitiveValue(QStringLiteral("completedDate"), canceled);
    }
    if (!source->value(QStringLiteral("archivedDate")).isNull())
        destination->setPrimitiveValue(QStringLiteral("archived"), true);
    return {};
}

Status TDLibraryMigrationPolicy_0910_0911::createDestinationInstances(ManagedObject* source,
                                                                      const EntityMapping& mapping,
                                                                      MigrationManager& manager) {
    if (Status created = EntityMigrationPolicy::createDestinationInstances(source, mapping, manager);
        !created)
        return created;
    ManagedObject* destination = firstDestination(manager, source, mapping);
    if (!destination) return {};
    for (const platform::AttributeDescription* attribute : destination->entity()->attributes()) {
        const platform::AttributeDescription* from = source->entity()->attribute(attribute->name());
        if (attribute->type() != platform::AttributeType::Transformable || !from ||
            from->type() != platform::AttributeType::Binary)
            continue;
        const QByteArray bytes = source->value(attribute->name()).toByteArray();
        if (bytes.isEmpty()) continue;
        const auto transformer = platform::valueTransformerForName(attribute->valueTransformerName());
        if (!transformer)
            return stepError(QStringLiteral("No value transformer named \"%1\" can read \"%2\".")
                                 .arg(attribute->valueTransformerName(), attribute->name()));
        const QVariant value = transformer->reverseTransformedValue(bytes);
        if (!value.isValid() || value.isNull()) {
            logWithLevel(TDLogWarning, "WARNING", "Dropping the unreadable \"%@\" of a %@ during migration",
                         attribute->name(), source->entity()->name());
            destination->setPrimitiveValue(attribute->name(), QVariant());
            continue;
        }
        destination->setPrimitiveValue(attribute->name(), value);
    }
    if (source->entity()->name() == QLatin1String("Recurrence")) {
        ManagedObject* task = source->object(QStringLiteral("task"));
        const std::optional<quint64> number =
            task ? TDUIDNumberFromString(task->value(QStringLiteral("uid")).toString()) : std::nullopt;
        if (number) destination->setPrimitiveValue(QStringLiteral("uid"), TDUIDStringFromNumber(*number * 2));
    }
    return {};
}

Result<platform::MappingModel> TDLibraryMappingModel(const platform::ObjectModel& source,
                                                     const platform::ObjectModel& destination) {
    const QString step = source.versionIdentifier().section(QLatin1Char(' '), -1) + QLatin1String("->") +
                         destination.versionIdentifier().section(QLatin1Char(' '), -1);
    static const QStringList steps = {QStringLiteral("0.903->0.904"), QStringLiteral("0.904->0.905"),
                                      QStringLiteral("0.905->0.906"), QStringLiteral("0.906->0.907"),
                                      QStringLiteral("0.907->0.908"), QStringLiteral("0.908->0.909"),
                                      QStringLiteral("0.909->0.910"), QStringLiteral("0.910->1.000")};
    if (!steps.contains(step))
        return TDError::make(TDErrorMigrationFailed, QStringLiteral("Mapping model not found."));
    platform::MappingModel mapping = platform::MappingModel::inferred(source, destination);
    auto policy = [&mapping](const QString& entity, std::shared_ptr<platform::EntityMigrationPolicy> p) {
        if (EntityMapping* e = mapping.entityMapping(entity + QLatin1String("To") + entity))
            e->policy = std::move(p);
    };
    // Every step that maps time-log entries drops those that lost their task.
    policy(QStringLiteral("TimeLogEntry"), std::make_shared<TDTimeLogEntryMigrationPolicy>());
    if (step == QLatin1String("0.903->0.904")) {
        mapping.entityMapping(QStringLiteral("TaskToTask"))
            ->relationshipSources.insert(QStringLiteral("smartFolders"), QStringLiteral("smartGroups"));
        policy(QStringLiteral("SmartFolder"), std::make_shared<TDSmartFolderMigrationPolicy_0903_0904>());
    } else if (step == QLatin1String("0.905->0.906")) {
        policy(QStringLiteral("Task"), std::make_shared<TDTaskMigrationPolicy>());
    } else if (step == QLatin1String("0.907->0.908")) {
        policy(QStringLiteral("Task"), std::make_shared<TDTaskMigrationPolicy_0907_0908>());
    } else if (step == QLatin1String("0.908->0.909")) {
        policy(QStringLiteral("Library"), std::make_shared<TDLibraryMigrationPolicy_0908_0909>());
        policy(QStringLiteral("SmartFolder"), std::make_shared<TDSmartFolderMigrationPolicy_0908_0909>());
    } else if (step == QLatin1String("0.909->0.910")) {
        auto uids = std::make_shared<TDLibraryMigrationPolicy_0909_0910>();
        for (EntityMapping& e : mapping.entityMappings)
            if (!e.policy) e.policy = uids;
    } else if (step == QLatin1String("0.910->1.000")) {
        auto archives = std::make_shared<TDLibraryMigrationPolicy_0910_0911>();
        policy(QStringLiteral("Recurrence"), archives);
        policy(QStringLiteral("SmartFolderRule"), archives);
    }
    return mapping;
}
