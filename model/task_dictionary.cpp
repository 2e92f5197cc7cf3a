// The dictionary forms of tasks: property lists, copies, recurrence copies and sync records.

#include "model/task.h"

#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/recurrence.h"
#include "model/task_notes.h"
#include "model/uid.h"
#include "platform/base/log.h"
#include "platform/objectstore/managed_object_context.h"

#include <algorithm>

namespace {

const QString kRecurrenceKey = QStringLiteral("recurrence");
const QString kSubtasksKey = QStringLiteral("subtasks");
const QString kNotesKey = QStringLiteral("notes");
const QString kNotesUIDKey = QStringLiteral("notesUID");
const QString kUIDKey = QStringLiteral("uid");
const QString kContentsKey = QStringLiteral("contents");
const QString kCompletedDateKey = QStringLiteral("completedDate");
const QString kCompletedTimeKey = QStringLiteral("completed_time");

bool isOfType(const QVariant& value, int type) {
    return value.metaType().id() == type;
}

bool isExplicitlyEmpty(const QVariant& value) {
    return !value.isValid() || isOfType(value, QMetaType::Nullptr);
}

TDError malformed(const QString& key, const QString& expected) {
    TDError error = TDError::make(
        TDDictionaryRepresentationErrorMalformed,
        QStringLiteral("The value of \"%1\" in the dictionary of a Task is not %2.").arg(key, expected));
    error.domain = TDDictionaryRepresentationErrorDomain;
    error.userInfo.insert(QStringLiteral("key"), key);
    error.userInfo.insert(QStringLiteral("entity"), QStringLiteral("Task"));
    return error;
}

QList<TDTask*> subtasksInDisplayOrder(const TDTask* task) {
    QList<TDTask*> subtasks = task->subtasks();
    std::stable_sort(subtasks.begin(), subtasks.end(),
                     [](const TDTask* a, const TDTask* b) { return a->displayOrder() < b->displayOrder(); });
    return subtasks;
}

// Objects made for nested forms, deleted again when a later part of the form fails.
struct CreatedObjects {
    QList<TDLibraryObject*> objects;
    void discard() {
        for (TDLibraryObject* object : objects)
            if (!object->isDeleted()) object->deleteObject();
        objects.clear();
    }
};

}  // namespace

QString TDRecurrenceCopyUID(const QString& uid, const QString& recurrenceUID) {
    const quint64 own = TDUIDNumberFromString(uid).value_or(0);
    const quint64 recurrence = TDUIDNumberFromString(recurrenceUID).value_or(0);
    return TDUIDStringFromNumber(own + recurrence + 1);
}

QVariantMap TDTask::propertyListRepresentation() const {
    QVariantMap plist = TDLibraryObject::propertyListRepresentation();
    plist.remove(kNotesUIDKey);
    plist.remove(kRecurrenceKey);
    if (const auto* recurrence = objectAs<TDRecurrence>(kRecurrenceKey))
        plist.insert(kRecurrenceKey, recurrence->propertyListRepresentation());
    return plist;
}

QVariantMap TDTask::propertyListRepresentationForCopying() const {
    return p_propertyListRepresentationForCopying(false);
}

QVariantMap TDTask::propertyListRepresentationForRecurrenceCopying() const {
    return p_propertyListRepresentationForCopying(true);
}

QVariantMap TDTask::p_propertyListRepresentationForCopying(bool forRecurrence) const {
    QVariantMap plist = TDLibraryObject::propertyListRepresentationForCopying();
    for (const char* key : {"notesUID", "calendarStoreUID", "actualTime"}) plist.remove(QLatin1String(key));
    const auto* recurrence = objectAs<TDRecurrence>(kRecurrenceKey);
    const QString recurrenceUID = recurrence ? recurrence->uid() : QString();
    if (forRecurrence) {
        for (const char* key : {"completedDate", "archived", "status"}) plist.remove(QLatin1String(key));
        plist.insert(kUIDKey, TDRecurrenceCopyUID(uid(), recurrenceUID));
    } else if (recurrence) {
        plist.insert(kRecurrenceKey, recurrence->propertyListRepresentationForCopying());
    }

    QVariantList subtasks;
    for (const TDTask* subtask : subtasksInDisplayOrder(this))
        subtasks.append(subtask->p_propertyListRepresentationForCopying(forRecurrence));
    if (!subtasks.isEmpty()) plist.insert(kSubtasksKey, subtasks);

    if (const auto* notes = objectAs<TDTaskNotes>(kNotesKey)) {
        QVariantMap notesForm = notes->propertyListRepresentationForCopying();
        if (forRecurrence) notesForm.insert(kUIDKey, TDRecurrenceCopyUID(notes->uid(), recurrenceUID));
        plist.insert(kNotesKey, notesForm);
    }
    return plist;
}

Status TDTask::updateFromPropertyListRepresentation(const QVariantMap& dictionary) {
    return p_updateFromPropertyListRepresentation(dictionary, true);
}

Status TDTask::p_updateFromPropertyListRepresentation(const QVariantMap& dictionary,
                                                      bool absentRecurrenceDeletes) {
    QVariantMap generic = dictionary;

    // What the recurrence entry asks for; a uid string is the generic update's.
    enum class RecurrenceChange { Keep, Delete, Update } recurrenceChange = RecurrenceChange::Keep;
    QVariantMap recurrenceForm;
    if (const auto entry = dictionary.constFind(kRecurrenceKey); entry == dictionary.cend()) {
        if (absentRecurrenceDeletes) recurrenceChange = RecurrenceChange::Delete;
    } else if (isExplicitlyEmpty(*entry)) {
        recurrenceChange = RecurrenceChange::Delete;
        generic.remove(kRecurrenceKey);
    } else if (isOfType(*entry, QMetaType::QVariantMap)) {
        recurrenceChange = RecurrenceChange::Update;
        recurrenceForm = entry->toMap();
        generic.remove(kRecurrenceKey);
    } else if (!isOfType(*entry, QMetaType::QString)) {
        return malformed(kRecurrenceKey, QStringLiteral("a dictionary or an identifier"));
    }

    QList<QVariantMap> subtaskForms;
    if (const auto entry = dictionary.constFind(kSubtasksKey);
        entry != dictionary.cend() && isOfType(*entry, QMetaType::QVariantList)) {
        QVariantList identifiers;
        for (const QVariant& element : entry->toList()) {
            if (isOfType(element, QMetaType::QVariantMap))
                subtaskForms.append(element.toMap());
            else
                identifiers.append(element);
        }
        // Nested forms only: the task's other subtasks stay.
        if (!subtaskForms.isEmpty() && identifiers.isEmpty())
            generic.remove(kSubtasksKey);
        else
            generic.insert(kSubtasksKey, identifiers);
    }

    std::optional<QVariantMap> notesForm;
    if (const auto entry = dictionary.constFind(kNotesKey); entry != dictionary.cend()) {
        if (isOfType(*entry, QMetaType::QVariantMap)) {
            notesForm = entry->toMap();
            generic.remove(kNotesKey);
        } else if (isOfType(*entry, QMetaType::QString)) {
            if (entry->toString().size() != 16) {
                logWithLevel(TDLogWarning, "WARNING", "Got note key that is not 16 characters long: %@",
                             entry->toString());
                generic.remove(kNotesKey);
            }
        } else if (!isExplicitlyEmpty(*entry)) {
            generic.remove(kNotesKey);
        }
    }

    Result<TDPropertyListUpdate> update = p_propertyListUpdate(generic);
    if (!update) return update.error();

    TDLibrary* owner = !subtaskForms.isEmpty() || notesForm ? library() : nullptr;
    if ((!subtaskForms.isEmpty() || notesForm) && !owner)
        return TDError::make(TDDictionaryRepresentationErrorMalformed,
                             QStringLiteral("Nested forms of a task need a library."));

    CreatedObjects created;
    QList<TDTask*> newSubtasks;
    for (const QVariantMap& form : subtaskForms) {
        Result<TDLibraryObject*> subtask = owner->createEntityNamed(QStringLiteral("Task"), form);
        if (!subtask) {
            created.discard();
            return subtask.error();
        }
        created.objects.append(*subtask);
        newSubtasks.append(static_cast<TDTask*>(*subtask));
    }
    TDTaskNotes* newNotes = nullptr;
    if (notesForm) {
        Result<TDLibraryObject*> notes = owner->createEntityNamed(QStringLiteral("TaskNotes"), *notesForm);
        if (!notes) {
            created.discard();
            return notes.error();
        }
        created.objects.append(*notes);
        newNotes = static_cast<TDTaskNotes*>(*notes);
    }

    auto* recurrence = objectAs<TDRecurrence>(kRecurrenceKey);
    TDRecurrence* newRecurrence = nullptr;
    if (recurrenceChange == RecurrenceChange::Update) {
        TDRecurrence* target = recurrence;
        // A restore may have brought the recurrence in already; the task takes it rather than a twin.
        const QVariant recurrenceUID = recurrenceForm.value(kUIDKey);
        if (!target && isOfType(recurrenceUID, QMetaType::QString) && !recurrenceUID.toString().isEmpty()) {
            auto* existing = dynamic_cast<TDRecurrence*>(
                p_objectForEntityName(QStringLiteral("Recurrence"), recurrenceUID.toString()));
            if (existing && !existing->isDeleted() && !existing->task()) {
                target = existing;
                newRecurrence = existing;
            }
        }
        if (!target) {
            newRecurrence = managedObjectContext()->insertObject<TDRecurrence>(QStringLiteral("Recurrence"));
            created.objects.append(newRecurrence);
            target = newRecurrence;
        }
        if (const Status read = target->updateFromPropertyListRepresentation(recurrenceForm); !read) {
            created.discard();
            return read.error();
        }
    }

    // Nothing can fail from here on.
    p_applyPropertyListUpdate(*update);
    if (recurrenceChange == RecurrenceChange::Delete && recurrence) {
        setObject(kRecurrenceKey, nullptr);
        recurrence->deleteObject();
    } else if (newRecurrence) {
        setObject(kRecurrenceKey, newRecurrence);
    }
    // The collection logs a refusal.
    for (TDTask* subtask : newSubtasks) (void)orderedTasks()->addObject(subtask);
    if (newNotes) {
        auto* oldNotes = objectAs<TDTaskNotes>(kNotesKey);
        setNotes(newNotes);
        if (oldNotes) oldNotes->deleteObject();
    }
    // The notes' uid is kept with the task; a sync record may name notes that have not arrived yet.
    if (const auto* notes = objectAs<TDTaskNotes>(kNotesKey); notes && value(kNotesUIDKey) != notes->uid())
        setValue(kNotesUIDKey, notes->uid());
    return {};
}

QVariantMap TDTask::syncDictionaryRepresentation() const {
    QVariantMap record = TDLibraryObject::syncDictionaryRepresentation();
    QVariantMap contents = record.value(kContentsKey).toMap();
    if (contents.contains(kCompletedDateKey))
        record.insert(kCompletedTimeKey, contents.take(kCompletedDateKey));
    const QString notesUID = primitiveValue(kNotesUIDKey).toString();
    if (notesUID.isEmpty())
        contents.remove(kNotesUIDKey);
    else
        contents.insert(kNotesUIDKey, notesUID);
    record.insert(kContentsKey, contents);
    return record;
}

Status TDTask::updateFromSyncDictionaryRepresentation(const QVariantMap& record) {
    QVariantMap copy = record;
    const auto contentsEntry = record.constFind(kContentsKey);
    if (contentsEntry != record.cend() && !isOfType(*contentsEntry, QMetaType::QVariantMap))
        return malformed(kContentsKey, QStringLiteral("a dictionary"));
    QVariantMap contents = contentsEntry == record.cend() ? QVariantMap() : contentsEntry->toMap();
    if (copy.contains(kCompletedTimeKey)) contents.insert(kCompletedDateKey, copy.take(kCompletedTimeKey));
    // Only an explicit null deletes the recurrence; a record that does not mention it leaves it.
    if (!copy.contains(kRecurrenceKey) && !contents.contains(kRecurrenceKey))
        if (const auto* recurrence = objectAs<TDRecurrence>(kRecurrenceKey))
            contents.insert(kRecurrenceKey, recurrence->uid());
    copy.insert(kContentsKey, contents);
    return TDLibraryObject::updateFromSyncDictionaryRepresentation(copy);
}
