#include "app/debug_library_commands.h"

#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/recurrence.h"
#include "model/sync_set.h"
#include "model/task.h"
#include "model/task_classifier.h"
#include "platform/base/log.h"
#include "platform/plist/property_list.h"
#include "platform/predicates/predicate_parser.h"

#include <QFileInfo>

namespace {

// The code of what the Debug menu's commands refuse.
constexpr int kDebugCommandError = 1;

}  // namespace

Status TDRetrainTaskClassifier(TDLibrary* library) {
    if (!library || !library->taskClassifier())
        return TDError::make(kDebugCommandError, QStringLiteral("The library has no tag classifier."));
    // Tags given a moment ago are only in pending changes.
    if (TDManagedObjectContext* context = library->libraryContext()) context->processPendingChanges();
    library->taskClassifier()->retrain();
    return library->taskClassifier()->save();
}

qsizetype TDMakeRecurringTasks(TDLibrary* library) {
    if (!library) return 0;
    static const Result<platform::PredicatePtr> open =
        platform::predicateWithFormat(QStringLiteral("recurrence != NIL AND completedDate = NIL"));
    const Result<QList<platform::ManagedObject*>> fetched = library->fetch(QStringLiteral("Task"), *open);
    if (!fetched) {
        logWithLevel(TDLogError, "ERROR", "Problem while fetching recurring tasks: %@",
                     fetched.error().detailedDescription());
        return 0;
    }
    qsizetype copied = 0;
    for (platform::ManagedObject* object : *fetched) {
        TDTask* task = TDTask::from(object);
        if (!task || task->isDeleted()) continue;
        const auto* recurrence = task->objectAs<TDRecurrence>(QStringLiteral("recurrence"));
        const std::optional<TDRecurrenceRule> rule = recurrence ? recurrence->rule() : std::nullopt;
        if (!rule || rule->repeatAfterCompletion()) continue;
        TDSyncSet* syncSet = library->corvaneSyncSet(false);
        const bool wasDisabled = syncSet && syncSet->isAddingDisabled();
        if (syncSet) syncSet->setAddingDisabled(true);
        task->makeNextRecurringCopiesIfNecessary();
        if (syncSet) syncSet->setAddingDisabled(wasDisabled);
        ++copied;
    }
    return copied;
}

Result<TDGroup*> TDImportGroupFromPropertyList(TDLibrary* library, const QString& path) {
    if (!library || !library->foldersGroup())
        return TDError::make(kDebugCommandError, QStringLiteral("No library is open."));
    const QString name = QFileInfo(path).fileName();
    const Result<QVariant> read = platform::readPropertyListFile(path);
    if (!read)
        return TDError::make(kDebugCommandError,
                             QStringLiteral("\"%1\" could not be read as a property list.").arg(name),
                             read.error().description);
    if (read->typeId() != QMetaType::QVariantMap)
        return TDError::make(kDebugCommandError, QStringLiteral("\"%1\" does not hold a group.").arg(name),
                             QStringLiteral("Its top level is not a dictionary."));
    const QVariantMap form = read->toMap();
    // A form without a type is a folder's; tags have a place of their own.
    const QString type = form.value(QStringLiteral("type")).toString();
    const QString entity = type.isEmpty() ? QStringLiteral("Folder") : TDGroup::entityNameFromType(type);
    if (entity.isEmpty() || entity == QLatin1String("Tag"))
        return TDError::make(
            kDebugCommandError,
            QStringLiteral("\"%1\" does not hold a group that goes among the lists.").arg(name),
            QStringLiteral("Its type is \"%1\".").arg(type));
    Result<TDLibraryObject*> made = library->createEntityNamed(entity, form);
    if (!made) return made.error();
    auto* group = static_cast<TDGroup*>(*made);
    if (const Status added = library->foldersGroup()->orderedSubgroups()->addObject(group); !added) {
        group->deleteObject();
        return added.error();
    }
    return group;
}
