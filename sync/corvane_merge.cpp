#include "sync/corvane_merge.h"

#include "model/group.h"
#include "model/json_friendly.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/recurrence.h"
#include "model/sync_set.h"
#include "model/tag.h"
#include "model/task.h"
#include "model/task_notes.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/notifications/notification_center.h"
#include "platform/objectstore/object_model.h"
#include "platform/undo/undo_manager.h"
#include "store/library_maintenance.h"
#include "store/library_manager.h"
#include "sync/corvane_download_check.h"
#include "sync/corvane_errors.h"

#include <algorithm>

using platform::ManagedObject;

namespace {

const QString kUID = QStringLiteral("uid");
const QString kContents = QStringLiteral("contents");
const QString kDeletedTime = QStringLiteral("deleted_time");
const QString kParentGroup = QStringLiteral("parentGroup");
const QString kParentTask = QStringLiteral("parentTask");
const QString kParentList = QStringLiteral("parentList");
const QString kSubgroups = QStringLiteral("subgroups");
const QString kSubtasks = QStringLiteral("subtasks");
const QString kTasks = QStringLiteral("tasks");
const QString kTags = QStringLiteral("tags");
const QString kTitle = QStringLiteral("title");

QString uidOf(const ManagedObject* object) {
    return object ? object->primitiveValue(kUID).toString() : QString();
}

QList<ManagedObject*> fetchAll(TDManagedObjectContext* context, const QString& entityName) {
    const Result<QList<ManagedObject*>> fetched = context->execute(platform::FetchRequest(entityName));
    if (!fetched) {
        logWithLevel(TDLogError, "ERROR", "Could not fetch %@ objects while merging: %@", entityName,
                     fetched.error().description);
        return {};
    }
    return *fetched;
}

// The record as the object reads it: with its UID, and without the member lists of parents, which
// would take local children away from their parents (each child's own record places it). A task's
// tags are its own.
QVariantMap preparedRecord(const platform::EntityDescription* entity, const QString& uid,
                           const QJsonObject& record) {
    QVariantMap prepared = record.toVariantMap();
    prepared.insert(kUID, uid);
    // Taken out, so that the record no longer shares it: the edits below copy nothing.
    QVariantMap contents = prepared.take(kContents).toMap();
    for (const platform::RelationshipDescription* relationship : entity->relationships())
        if (relationship->isToMany() && relationship->name() != kTags) contents.remove(relationship->name());
    // The notes' own record links them to their task.
    if (entity->name() == QLatin1String("Task")) contents.remove(QStringLiteral("notes"));
    prepared.insert(kContents, contents);
    return prepared;
}

TDError mergeError(const TDError& underlying) {
    TDError error = TDCorvaneMalformedAnswerError(underlying.description);
    error.userInfo.insert(QStringLiteral("underlyingError"), underlying.detailedDescription());
    return error;
}

}  // namespace

TDCorvaneMerge::TDCorvaneMerge(TDLibrary* library, TDCorvaneSyncType syncType, TDLibraryManager* manager)
    : m_library(library),
      m_context(TDManagedObjectContext::of(library)),
      m_syncType(syncType),
      m_manager(manager) {
}

Status TDCorvaneMerge::mergeAndCommit(const ODLCorvaneChangeSet& changes, const std::optional<QString>& token,
                                      const QList<TDCorvaneJournalEntry>& uploaded) {
    if (token && !m_library->corvaneSyncSet(false))
        return TDError::make(TDCorvaneErrorFullSyncRequired, QStringLiteral("Full sync required"),
                             QStringLiteral("The library has no sync set to keep the sync token in."));
    if (m_manager)
        if (const Status saved = p_saveMainContextFirst(); !saved) return saved;
    if (const Status checked = TDCheckCorvaneDownload(changes, m_library); !checked) return checked;
    const bool dontTrigger = m_context->dontTriggerSaveOnChange();
    m_context->setDontTriggerSaveOnChange(true);
    m_changedHere = p_uidsChangedSinceUpload(uploaded);
    m_journalled = p_journalledUIDs();
    Status result = changes.isEmpty() ? Status() : p_mergeChanges(changes);
    if (!result) {
        logWithLevel(TDLogError, "ERROR", "Could not merge the sync service's changes: %@",
                     result.error().detailedDescription());
        p_rollback();
        result = mergeError(result.error());
    } else {
        result = p_commit(token, uploaded);
    }
    m_context->setDontTriggerSaveOnChange(dontTrigger);
    return result;
}

// Local edits are saved apart from the merge, so that rolling a failed commit back undoes the merge
// and nothing else.
Status TDCorvaneMerge::p_saveMainContextFirst() {
    const bool syncOnSaveWasDisabled = m_manager->disableSyncOnSave();
    m_manager->setDisableSyncOnSave(true);
    const TDLibrarySaveOutcome outcome = m_manager->saveLibraryOrReschedule();
    m_manager->setDisableSyncOnSave(syncOnSaveWasDisabled);
    if (outcome != TDLibrarySaveOutcome::Saved || m_context->hasChanges())
        return TDError::make(
            TDErrorLibraryBusy,
            QStringLiteral("The library could not be saved before merging the sync service's changes."));
    if (platform::ManagedObjectContext* journal = m_library->corvaneSyncSetManagedObjectContext();
        journal && journal->hasChanges())
        if (const Status saved = journal->save(); !saved) return saved;
    return {};
}

QSet<QString> TDCorvaneMerge::p_uidsChangedSinceUpload(const QList<TDCorvaneJournalEntry>& uploaded) const {
    QSet<QString> changed;
    TDSyncSet* syncSet = m_library->corvaneSyncSet(false);
    if (!syncSet) return changed;
    QHash<QString, QDateTime> read;
    read.reserve(uploaded.size());
    for (const TDCorvaneJournalEntry& entry : uploaded) read.insert(entry.itemUID, entry.addedDate);
    for (TDSyncSetItem* item : syncSet->items()) {
        if (item->isDeleted()) continue;
        const auto found = read.constFind(item->itemUID());
        if (found == read.cend() || *found != item->addedDate()) changed.insert(item->itemUID());
    }
    return changed;
}

QSet<QString> TDCorvaneMerge::p_journalledUIDs() const {
    QSet<QString> journalled;
    if (TDSyncSet* syncSet = m_library->corvaneSyncSet(false))
        for (TDSyncSetItem* item : syncSet->items())
            if (!item->isDeleted()) journalled.insert(item->itemUID());
    return journalled;
}

Status TDCorvaneMerge::p_mergeChanges(const ODLCorvaneChangeSet& changes) {
    platform::UndoManager* undo = m_context->undoManager();
    m_context->processPendingChanges();
    if (undo) undo->disableUndoRegistration();
    const bool wasSyncing = m_context->isSyncingLibrary();
    m_context->setSyncingLibrary(true);
    const bool smartFoldersWereIgnoring = m_library->smartFoldersShouldIgnoreMOCChange();
    const bool quietSmartFolders = m_syncType != TDCorvaneSyncType::Incremental;
    if (quietSmartFolders) m_library->setSmartFoldersShouldIgnoreMOCChange(true);
    p_prepareLookups();
    m_downloadedTasks = &changes.changedTasks();

    const Status merged = [&]() -> Status {
        for (const QString& entityName : TDCorvaneGroupEntityNames())
            if (const Status status = p_mergeEntity(entityName, changes.changes(entityName)); !status)
                return status;
        p_relinkGroups(changes);
        p_mergeTagsWithOneTitle();
        for (const QString& entityName : {QStringLiteral("Task"), QStringLiteral("TaskNotes")})
            if (const Status status = p_mergeEntity(entityName, changes.changes(entityName)); !status)
                return status;
        p_relinkTasks(changes);
        for (TDLibraryObject* object : std::as_const(m_toDelete))
            if (!object->isDeleted()) p_deleteKeepingLocalChildren(object);
        p_sweepGroups();
        p_sweepTasksAndNotes();
        p_cleanUpRecurrences();
        return {};
    }();

    // Whatever happened, the library is left as it works outside a merge.
    m_context->destroyObjectLookupCache();
    if (quietSmartFolders) m_library->setSmartFoldersShouldIgnoreMOCChange(smartFoldersWereIgnoring);
    m_context->setSyncingLibrary(wasSyncing);
    if (merged) {
        if (quietSmartFolders) m_library->reloadAllSmartFolders();
        m_library->processModifiedObjects();
    }
    m_context->processPendingChanges();
    if (undo) undo->enableUndoRegistration();
    return merged;
}

// Records name objects by UID: the cache answers from the UID index, so that a merge looks up only the
// objects its download names, in time that does not grow with the library.
void TDCorvaneMerge::p_prepareLookups() {
    m_context->initializeObjectLookupCache();
    m_context->setObjectLookupCacheBackedByIndex({QStringLiteral("Group"), QStringLiteral("Task"),
                                                  QStringLiteral("TaskNotes"), QStringLiteral("Recurrence")});
    for (ManagedObject* object : fetchAll(m_context, QStringLiteral("Tag")))
        if (const auto* tag = dynamic_cast<const TDTag*>(object)) m_tagTitles.insert(tag->title());
}

TDLibraryObject* TDCorvaneMerge::p_cached(const QString& uid) const {
    auto* object = dynamic_cast<TDLibraryObject*>(m_context->cachedObjectForUID(uid));
    return object && !object->isDeleted() ? object : nullptr;
}

Status TDCorvaneMerge::p_mergeEntity(const QString& entityName, const QMap<QString, QJsonObject>& records) {
    const platform::EntityDescription* entity = m_context->model().entity(entityName);
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        const QString& uid = it.key();
        if (m_changedHere.contains(uid)) {
            logWithLevel(TDLogDebug, "DEBUG", "Keeping %@ %@, changed here since the upload", entityName,
                         uid);
            continue;
        }
        const bool deletion = it->contains(kDeletedTime);
        auto* existing = dynamic_cast<TDLibraryObject*>(m_context->cachedObjectForUID(uid));
        if (existing && existing->entity() != entity) {
            logWithLevel(TDLogWarning, "WARNING", "Skipping the %@ record %@: a %@ here has its UID",
                         entityName, uid, existing->entity()->name());
            continue;
        }
        QVariantMap record = preparedRecord(entity, uid, *it);
        if (entityName == QLatin1String("TaskNotes")) {
            if (existing) p_rememberNotesUIDOnServer(existing->object(QStringLiteral("task")));
            if (!deletion) {
                const QVariant taskUID = record.value(kContents).toMap().value(QStringLiteral("task"));
                if (taskUID.metaType().id() == QMetaType::QString)
                    p_rememberNotesUIDOnServer(p_cached(taskUID.toString()));
                p_settleNotesOfOneTask(uid, record);
            }
        }
        // A tag of a title already here, new or renamed, makes two of one title.
        if (entityName == QLatin1String("Tag") && !deletion) {
            const QString title = record.value(kContents).toMap().value(kTitle).toString();
            if (m_tagTitles.contains(title) &&
                !(existing && existing->primitiveValue(kTitle).toString() == title))
                m_mergeTags = true;
            m_tagTitles.insert(title);
        }
        if (existing) {
            m_applied.insert(uid);
            if (entityName == QLatin1String("Task"))
                m_taskTimesBeforeMerge.insert(
                    uid, existing->primitiveValue(QStringLiteral("modifiedDate")).toDateTime());
            // A record of an object already here may name new tasks: they are in their lists by then.
            if (!deletion) p_addNewTasksToTheirLists();
            if (deletion) {
                m_toDelete.append(existing);
                m_deletedByDownload.insert(uid);
            } else if (!existing->isDeleted())
                if (const Status updated = existing->updateFromSyncDictionaryRepresentation(record); !updated)
                    return updated;
            continue;
        }
        if (deletion) continue;
        m_applied.insert(uid);
        QVariantMap contents = record.take(kContents).toMap();
        // Parents are linked once every record of the download is in (p_relinkGroups, p_relinkTasks).
        QString listUID;
        if (entityName == QLatin1String("Task")) {
            contents.remove(kParentTask);
            // A list takes its new tasks all at once, which spares it a recount for each.
            if (const auto list = contents.constFind(kParentList);
                list != contents.cend() && list->metaType().id() == QMetaType::QString)
                listUID = contents.take(kParentList).toString();
            const QVariant recurrence = contents.value(QStringLiteral("recurrence"));
            if (recurrence.isValid() && !recurrence.isNull()) m_cleanUpRecurrences = true;
        } else if (entityName == QLatin1String("Folder")) {
            contents.remove(kParentGroup);
        }
        record.insert(kContents, contents);
        auto* created = static_cast<TDLibraryObject*>(m_context->insertObject(entityName));
        if (const Status updated = created->updateFromSyncDictionaryRepresentation(record); !updated)
            return updated;
        m_context->cacheObject(created, uid);
        if (!listUID.isEmpty())
            if (auto* task = dynamic_cast<TDTask*>(created)) {
                auto index = m_newTasksListIndex.constFind(listUID);
                if (index == m_newTasksListIndex.cend()) {
                    index = m_newTasksListIndex.insert(listUID, m_newTasksByList.size());
                    m_newTasksByList.append({listUID, {}});
                }
                m_newTasksByList[*index].second.append(task);
            }
        // Their completed tasks come apart, when asked for.
        if (m_syncType == TDCorvaneSyncType::FullMerge || m_syncType == TDCorvaneSyncType::TaskGet) {
            const QVariantMap downloadTasks{{QStringLiteral("downloadTasks"), true}};
            if (auto* task = dynamic_cast<TDTask*>(created))
                task->setLocalInfoDictionary(downloadTasks);
            else if (auto* list = dynamic_cast<TDList*>(created))
                list->setLocalInfoDictionary(downloadTasks);
        }
    }
    p_addNewTasksToTheirLists();
    return {};
}

void TDCorvaneMerge::p_addNewTasksToTheirLists() {
    for (const auto& [listUID, tasks] : std::as_const(m_newTasksByList))
        if (auto* list = dynamic_cast<TDList*>(p_cached(listUID))) list->addTasks(tasks);
    m_newTasksByList.clear();
    m_newTasksListIndex.clear();
}

// Called before the notes' record is applied. The server holds the task as its downloaded record has it,
// or else as it was here at the last sync; a task changed here since goes up anyway.
void TDCorvaneMerge::p_rememberNotesUIDOnServer(ManagedObject* object) {
    auto* task = dynamic_cast<TDTask*>(object);
    if (!task || task->isDeleted() || m_notesUIDsOnServer.contains(task)) return;
    const auto downloaded = m_downloadedTasks ? m_downloadedTasks->constFind(task->uid())
                                              : QMap<QString, QJsonObject>::const_iterator();
    const bool applied = m_downloadedTasks && downloaded != m_downloadedTasks->cend() &&
                         m_applied.contains(task->uid()) && !downloaded->contains(kDeletedTime);
    m_notesUIDsOnServer.insert(
        task, applied ? downloaded->value(kContents).toObject().value(QStringLiteral("notesUID")).toString()
                      : task->primitiveValue(QStringLiteral("notesUID")).toString());
}

// Two sides may each have given a task its notes: the notes changed last (of equal times, the larger
// UID) stay its notes on both. The other notes are deleted, and the deletion goes up, so that the server
// holds no notes that no task shows.
void TDCorvaneMerge::p_settleNotesOfOneTask(const QString& uid, QVariantMap& record) {
    QVariantMap contents = record.value(kContents).toMap();
    const QVariant taskUID = contents.value(QStringLiteral("task"));
    auto* task = taskUID.metaType().id() == QMetaType::QString
                     ? dynamic_cast<TDTask*>(p_cached(taskUID.toString()))
                     : nullptr;
    TDTaskNotes* current = task ? task->notes() : nullptr;
    if (!current || current->uid() == uid) return;
    // Writing notes stamps their task, and each notes record carries that time: both sides compare the
    // same two times.
    const QDateTime here = m_taskTimesBeforeMerge.value(taskUID.toString(), task->modifiedDate());
    const double currentTime = TDTimeIntervalSinceReferenceDate(here);
    const QVariant remote = record.value(QStringLiteral("modified_time"));
    const double incomingTime = remote.isValid() ? remote.toDouble() : -1.0e18;
    const bool incomingWins = incomingTime != currentTime ? incomingTime > currentTime : uid > current->uid();
    m_tasksWithSettledNotes.append(task);
    if (!incomingWins) {
        contents.remove(QStringLiteral("task"));
        record.insert(kContents, contents);
    } else if (!m_applied.contains(current->uid())) {
        m_displacedNotes.append(current);
    }
}

void TDCorvaneMerge::p_relinkGroups(const ODLCorvaneChangeSet& changes) {
    for (const QString& entityName : TDCorvaneGroupEntityNames()) {
        const QMap<QString, QJsonObject>& records = changes.changes(entityName);
        for (auto it = records.cbegin(); it != records.cend(); ++it) {
            if (!m_applied.contains(it.key()) || it->contains(kDeletedTime)) continue;
            auto* group = dynamic_cast<TDGroup*>(p_cached(it.key()));
            const QJsonValue wanted = it->value(kContents).toObject().value(kParentGroup);
            if (!group || !wanted.isString() || uidOf(group->parentGroup()) == wanted.toString()) continue;
            if (auto* parent = dynamic_cast<TDGroup*>(p_cached(wanted.toString())))
                group->setObject(kParentGroup, parent);
        }
    }
}

void TDCorvaneMerge::p_relinkTasks(const ODLCorvaneChangeSet& changes) {
    const QMap<QString, QJsonObject>& records = changes.changedTasks();
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        if (!m_applied.contains(it.key()) || it->contains(kDeletedTime)) continue;
        auto* task = dynamic_cast<TDTask*>(p_cached(it.key()));
        if (!task) continue;
        const QJsonObject contents = it->value(kContents).toObject();
        for (const QString& key : {kParentTask, kParentList}) {
            const QJsonValue wanted = contents.value(key);
            if (!wanted.isString() || uidOf(task->object(key)) == wanted.toString()) continue;
            if (TDLibraryObject* parent = p_cached(wanted.toString());
                parent && (key == kParentTask ? dynamic_cast<TDTask*>(parent) != nullptr
                                              : dynamic_cast<TDList*>(parent) != nullptr))
                task->setObject(key, parent);
        }
    }
}

// A deletion takes the objects the download named with it; children made or moved here in the
// meantime are taken out first and placed as the repair would.
void TDCorvaneMerge::p_deleteKeepingLocalChildren(TDLibraryObject* object) {
    p_rescueLocalChildren(object);
    m_context->deleteObject(object);
}

// Kept are the children changed here since the last sync (the server has not seen them go) and those
// the download brings live (the server keeps them); the others go with their parent, also those a full
// download left out here, so that deleted history stays deleted.
void TDCorvaneMerge::p_rescueLocalChildren(TDLibraryObject* object) {
    const auto rescue = [this](const QString& childrenKey, const QString& parentKey, ManagedObject* parent) {
        for (ManagedObject* child : parent->objectList(childrenKey)) {
            auto* libraryChild = dynamic_cast<TDLibraryObject*>(child);
            if (!libraryChild || libraryChild->isDeleted()) continue;
            const QString uid = libraryChild->uid();
            const bool broughtLive = m_applied.contains(uid) && !m_deletedByDownload.contains(uid);
            if (!broughtLive && !m_journalled.contains(uid)) {
                p_rescueLocalChildren(libraryChild);
                continue;
            }
            libraryChild->setObject(parentKey, nullptr);
            m_rescued.append(libraryChild);
        }
    };
    if (dynamic_cast<TDGroup*>(object)) rescue(kSubgroups, kParentGroup, object);
    if (dynamic_cast<TDList*>(object)) rescue(kTasks, kParentList, object);
    if (dynamic_cast<TDTask*>(object)) rescue(kSubtasks, kParentTask, object);
}

// What the download brings without a parent here (deleted here, or never known) is live on the server:
// it is kept where the repair puts it, and the new place goes up, so that both sides hold it.
void TDCorvaneMerge::p_sweepGroups() {
    TDGroup* root = m_library->rootGroup();
    for (const QString& uid : std::as_const(m_applied)) {
        auto* group = dynamic_cast<TDGroup*>(p_cached(uid));
        if (!group || group == root || group->parentGroup()) continue;
        logWithLevel(TDLogDebug, "DEBUG", "Could not find parent for folder '%@'. Keeping it.",
                     group->title());
        m_rescued.append(group);
    }
}

void TDCorvaneMerge::p_sweepTasksAndNotes() {
    qint64 orphanedNotes = 0;
    QList<TDLibraryObject*> notesToDelete;
    for (const QString& uid : std::as_const(m_applied)) {
        TDLibraryObject* object = p_cached(uid);
        if (auto* task = dynamic_cast<TDTask*>(object); task && !task->parentList() && !task->parentTask()) {
            logWithLevel(TDLogDebug, "DEBUG", "Could not find parent for task '%@'. Keeping it.",
                         task->title());
            m_rescued.append(task);
        } else if (auto* notes = dynamic_cast<TDTaskNotes*>(object); notes && !notes->task()) {
            notesToDelete.append(notes);
            ++orphanedNotes;
        }
    }
    if (orphanedNotes > 0)
        logWithLevel(TDLogInfo, "INFO", "Deleting %ld orphaned task notes...", orphanedNotes);
    // Their deletion goes up: the server would keep notes that no task shows.
    for (TDLibraryObject* notes : notesToDelete) {
        p_journal(notes);
        m_context->deleteObject(notes);
    }
    // A task's notes UID follows the notes it has.
    for (const QString& uid : std::as_const(m_applied))
        if (auto* notes = dynamic_cast<TDTaskNotes*>(p_cached(uid)))
            if (auto* task = dynamic_cast<TDTask*>(notes->task());
                task && task->primitiveValue(QStringLiteral("notesUID")) != uid)
                task->setValue(QStringLiteral("notesUID"), uid);
    for (TDTaskNotes* notes : std::as_const(m_displacedNotes)) {
        if (notes->isDeleted() || notes->task()) continue;
        p_journal(notes);
        m_context->deleteObject(notes);
    }
    for (TDTask* task : std::as_const(m_tasksWithSettledNotes)) {
        if (task->isDeleted()) continue;
        const QVariant kept = task->notes() ? QVariant(task->notes()->uid()) : QVariant();
        if (task->primitiveValue(QStringLiteral("notesUID")) != kept)
            task->setValue(QStringLiteral("notesUID"), kept);
        p_journal(task);
    }
    // Notes the download deleted, or gave to a task whose record here did not name them: the task's
    // notes UID changed here alone, and goes up so that no side points at notes that are gone.
    for (auto it = m_notesUIDsOnServer.cbegin(); it != m_notesUIDsOnServer.cend(); ++it)
        if (!it.key()->isDeleted() &&
            it.key()->primitiveValue(QStringLiteral("notesUID")).toString() != it.value())
            p_journal(it.key());

    // What lost its parent here goes where the repair puts it, and up with the next sync.
    TDGroup* root = m_library->rootGroup();
    for (TDLibraryObject* object : std::as_const(m_rescued)) {
        if (object->isDeleted()) continue;
        if (auto* group = dynamic_cast<TDGroup*>(object); group && !group->parentGroup()) {
            TDGroup* home = group->isSpecial()                         ? root
                            : (group->isTag() || group->isTagBundle()) ? m_library->tagsGroup()
                                                                       : m_library->foldersGroup();
            logWithLevel(TDLogInfo, "INFO", "Keeping group '%@' whose parent the sync deleted",
                         group->title());
            if (home && home != group)
                (void)home->orderedSubgroups()->addObject(group);  // the collection logs a refusal
        } else if (auto* task = dynamic_cast<TDTask*>(object);
                   task && !task->parentList() && !task->parentTask()) {
            logWithLevel(TDLogInfo, "INFO", "Keeping task '%@' whose parent the sync deleted", task->title());
            if (TDGroup* inbox = m_library->inboxGroup()) (void)inbox->orderedTasks()->addObject(task);
        }
        // With everything under it: the other side may have let it go with the parent meanwhile.
        p_journalTree(object);
    }
}

// Both sides keep the same tag of a title: the one with the smallest UID. Done before the tasks are
// merged, since a task's title names its tags by title.
void TDCorvaneMerge::p_mergeTagsWithOneTitle() {
    if (!m_mergeTags) return;
    QHash<QString, QList<TDTag*>> byTitle;
    for (ManagedObject* object : fetchAll(m_context, QStringLiteral("Tag")))
        if (auto* tag = dynamic_cast<TDTag*>(object); tag && !tag->isDeleted())
            byTitle[tag->title()].append(tag);
    for (QList<TDTag*>& tags : byTitle) {
        if (tags.size() < 2) continue;
        std::sort(tags.begin(), tags.end(),
                  [](const TDTag* a, const TDTag* b) { return a->uid() < b->uid(); });
        TDTag* survivor = tags.first();
        for (qsizetype i = 1; i < tags.size(); ++i) {
            logWithLevel(TDLogInfo, "INFO", "Merging tags with the same name '%@'", survivor->title());
            p_journal(tags[i]);
            for (TDTask* task : tags[i]->tasks()) p_journal(task);
            survivor->mergeWithTag(tags[i]);
            // Records of this download that name the other tag mean this one now.
            m_context->cacheObject(survivor, tags[i]->uid());
        }
        p_journal(survivor);
    }
}

// Of the recurrences with one UID, that of the most recently created task stays.
void TDCorvaneMerge::p_cleanUpRecurrences() {
    if (!m_cleanUpRecurrences) return;
    QHash<QString, QList<TDRecurrence*>> byUID;
    for (ManagedObject* object : fetchAll(m_context, QStringLiteral("Recurrence")))
        if (auto* recurrence = dynamic_cast<TDRecurrence*>(object); recurrence && !recurrence->isDeleted())
            byUID[recurrence->uid()].append(recurrence);
    const auto createdDate = [](const TDRecurrence* recurrence) {
        const TDLibraryObject* task = recurrence->task();
        return task ? task->primitiveValue(QStringLiteral("createdDate")).toDateTime() : QDateTime();
    };
    for (QList<TDRecurrence*>& recurrences : byUID) {
        if (recurrences.size() < 2) continue;
        std::stable_sort(
            recurrences.begin(), recurrences.end(),
            [&](const TDRecurrence* a, const TDRecurrence* b) { return createdDate(a) < createdDate(b); });
        for (qsizetype i = 0; i + 1 < recurrences.size(); ++i) {
            if (TDLibraryObject* task = recurrences[i]->task()) p_journal(task);
            m_context->deleteObject(recurrences[i]);
        }
    }
}

void TDCorvaneMerge::p_journalTree(TDLibraryObject* object) {
    p_journal(object);
    // The tree of folders, lists and tasks; smart folders and tags only show tasks.
    QString childrenKey;
    if (dynamic_cast<TDTask*>(object))
        childrenKey = kSubtasks;
    else if (dynamic_cast<TDList*>(object))
        childrenKey = kTasks;
    else if (auto* group = dynamic_cast<TDGroup*>(object); group && group->isFolder())
        childrenKey = kSubgroups;
    if (childrenKey.isEmpty()) return;
    for (ManagedObject* child : object->objectList(childrenKey))
        if (auto* libraryChild = dynamic_cast<TDLibraryObject*>(child); libraryChild && !child->isDeleted())
            p_journalTree(libraryChild);
}

void TDCorvaneMerge::p_journal(TDLibraryObject* object) {
    if (TDSyncSet* syncSet = m_library->corvaneSyncSet(false)) syncSet->addObject(object);
}

Status TDCorvaneMerge::p_commit(const std::optional<QString>& token,
                                const QList<TDCorvaneJournalEntry>& uploaded) {
    platform::ManagedObjectContext* journal = m_library->corvaneSyncSetManagedObjectContext();
    TDSyncSet* syncSet = m_library->corvaneSyncSet(false);
    if (token && syncSet) {
        syncSet->setLastSyncToken(*token);
        syncSet->setLastSyncDate(TDClock::currentDateTime());
        QHash<QString, QDateTime> read;
        read.reserve(uploaded.size());
        for (const TDCorvaneJournalEntry& entry : uploaded) read.insert(entry.itemUID, entry.addedDate);
        for (TDSyncSetItem* item : syncSet->items()) {
            const auto found = read.constFind(item->itemUID());
            if (found != read.cend() && *found == item->addedDate()) journal->deleteObject(item);
        }
    }
    if (m_context->hasChanges()) {
        logWithLevel(TDLogDebug, "DEBUG", "Saving library after sync...");
        Status saved = m_context->save();
        if (!saved) {
            logWithLevel(TDLogWarning, "WARNING",
                         "Could not save library after sync. Fixing library before trying to save again...");
            const bool wasSyncing = m_context->isSyncingLibrary();
            m_context->setSyncingLibrary(true);
            TDFixLibrary(m_library);
            m_context->setSyncingLibrary(wasSyncing);
            saved = m_context->save();
        }
        if (!saved) {
            logWithLevel(TDLogError, "ERROR", "Rolling back after having problem saving library after sync");
            p_rollback();
            return saved;
        }
    }
    if (journal && journal->hasChanges())
        if (const Status saved = journal->save(); !saved) {
            logWithLevel(TDLogError, "ERROR", "Could not save sync set");
            return saved;
        }
    return {};
}

void TDCorvaneMerge::p_rollback() {
    m_context->rollback();
    if (platform::ManagedObjectContext* journal = m_library->corvaneSyncSetManagedObjectContext())
        journal->rollback();
    // A rolled-back sync set object may have been one the library had cached.
    m_library->setCorvaneSyncSet(nullptr);
}

void TDCorvaneMergeMainThreadLibrary(TDLibraryManager& manager, const platform::Notification& didSave) {
    TDManagedObjectContext* context = manager.managedObjectContext();
    if (!context) return;
    const bool wasSyncing = context->isSyncingLibrary();
    context->setSyncingLibrary(true);
    platform::NotificationCenter::defaultCenter().post(TDSyncMainThreadMergeWillStart, nullptr,
                                                       didSave.userInfo);
    manager.mergeChangesFromOperationSave(didSave);
    context->setSyncingLibrary(wasSyncing);
}
