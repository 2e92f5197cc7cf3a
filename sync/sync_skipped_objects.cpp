#include "sync/sync_skipped_objects.h"

#include "model/group.h"
#include "model/library.h"
#include "model/task.h"
#include "model/task_notes.h"
#include "platform/base/log.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/persistent_store_coordinator.h"

namespace {
platform::ManagedObject* existing(TDLibrary* library, const platform::ObjectID& id) {
    if (!library || !id.isValid()) return nullptr;
    auto found = library->managedObjectContext()->existingObject(id);
    return found ? *found : nullptr;
}
}  // namespace

QList<TDSkippedObjectRow> TDSkippedObjectRows(TDLibrary* library, const QStringList& objectURIs) {
    QList<TDSkippedObjectRow> rows;
    if (!library) return rows;
    const platform::ObjectModel& model = library->managedObjectContext()->coordinator()->model();
    for (const QString& uri : objectURIs) {
        const Result<platform::ObjectID> id = platform::ObjectID::fromURIString(uri, model);
        platform::ManagedObject* object = id ? existing(library, *id) : nullptr;
        if (!object) continue;
        if (TDGroup* group = TDGroup::from(object))
            rows.append({*id, group->title()});
        else if (TDTask* task = TDTask::from(object))
            rows.append({*id, task->title()});
        else if (auto* notes = dynamic_cast<TDTaskNotes*>(object))
            rows.append({*id, notes->string()});
        else
            logWithLevel(TDLogWarning, "WARNING", "Unknown type of skipped object: %@",
                         object->entity()->name());
    }
    return rows;
}

TDLibraryObject* TDSkippedObjectToReveal(TDLibrary* library, const platform::ObjectID& objectID) {
    platform::ManagedObject* object = existing(library, objectID);
    if (!object) return nullptr;
    if (TDGroup* group = TDGroup::from(object)) return group;
    if (TDTask* task = TDTask::from(object)) return task;
    if (auto* notes = dynamic_cast<TDTaskNotes*>(object)) return notes->task();
    logWithLevel(TDLogError, "ERROR", "Don't know how to reveal an object of unknown type '%@': %@",
                 object->entity()->name(), objectID.uriString());
    return nullptr;
}
