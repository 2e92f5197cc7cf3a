#include "sync/calendar_store_sync_operation.h"

#include "foundation/timing.h"
#include "model/calendar_store_sync_settings.h"
#include "model/group.h"
#include "model/library.h"
#include "model/task.h"
#include "model/task_notes_text.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/calendarstore/calendar_store.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/undo/undo_manager.h"
#include "sync/calendar_store_sync_manager.h"

#include <QElapsedTimer>
#include <QScopeGuard>

#include <time.h>

namespace {

const QString kUID = QStringLiteral("uid");
const QString kCalendarStoreUID = QStringLiteral("calendarStoreUID");
const QString kDontSync = QStringLiteral("dontSync");
const QString kTitle = QStringLiteral("titleForCalTask");
const QString kNotes = QStringLiteral("notes");
const QString kPriority = QStringLiteral("priority");
const QString kCompletedDate = QStringLiteral("completedDate");
const QString kDueDate = QStringLiteral("dueDate");

QString normalizedText(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

bool sameText(const QString& a, const QString& b) {
    // A missing text and an empty one are the same to a calendar, which keeps no empty property.
    return normalizedText(a) == normalizedText(b);
}

bool sameSecond(const QDateTime& a, const QDateTime& b) {
    if (!a.isValid() || !b.isValid()) return a.isValid() == b.isValid();
    return a.toSecsSinceEpoch() == b.toSecsSinceEpoch();
}

// A sync date behind the fetch by a safe margin: file times come from a coarse clock that may lag the
// one read here, and a file renamed into place may carry a time from before the fetch. A task stamped
// within the margin and taken in by the pass is remembered with its stamp (knownStamps), so it is not
// taken for a newer change next time.
constexpr qint64 kFetchMarginMilliseconds = 1000;

QDateTime fetchDate() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return QDateTime::fromMSecsSinceEpoch(
        qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000 - kFetchMarginMilliseconds, Qt::UTC);
}

// New files a first fill writes between two hops: enough that the folder flush and the hop cost little
// per file, few enough that the hop that links them stays far below a frame.
constexpr int kCreateBatchSize = 64;

// Only the fields a calendar task holds: the task's whole property-list form would cost a pass over
// thousands of tasks far more and compare nothing more.
QVariantMap taskRecord(TDTask* task) {
    QVariantMap record{{kUID, task->uid()}};
    const QString linked = task->primitiveValue(kCalendarStoreUID).toString();
    if (!linked.isEmpty()) record.insert(kCalendarStoreUID, linked);
    if (!task->shouldSyncToCalendarStore()) {
        record.insert(kDontSync, true);
        return record;
    }
    record.insert(kTitle, task->titleForCalTask());
    if (const QString notes = TDTaskNotesString(task); !notes.isNull()) record.insert(kNotes, notes);
    record.insert(kPriority, task->priority());
    if (const QDateTime completed = task->completedDate(); completed.isValid())
        record.insert(kCompletedDate, completed);
    if (const QDateTime due = task->dueDate(); due.isValid()) record.insert(kDueDate, due);
    return record;
}

// Copies the record's fields into the calendar task; true when any differed.
bool fillCalTask(platform::CalendarTask& calTask, const QVariantMap& record) {
    bool changed = false;
    const QString title = record.value(kTitle).toString();
    if (!sameText(title, calTask.title())) calTask.setTitle(title), changed = true;
    const QString notes = record.value(kNotes).toString();
    if (!sameText(notes, calTask.notes())) calTask.setNotes(notes), changed = true;
    const int priority = int(record.value(kPriority).toLongLong());
    if (priority != calTask.priority()) calTask.setPriority(priority), changed = true;
    const QDateTime completed = record.value(kCompletedDate).toDateTime();
    if (!sameSecond(completed, calTask.completedDate())) calTask.setCompletedDate(completed), changed = true;
    const QDateTime due = record.value(kDueDate).toDateTime();
    if (!sameSecond(due, calTask.dueDate())) calTask.setDueDate(due), changed = true;
    return changed;
}

}  // namespace

TDCalendarStoreSyncOperation::TDCalendarStoreSyncOperation(TDCalendarStoreSyncManager* manager)
    : m_manager(manager),
      m_library(manager->library()),
      m_generation(manager->libraryGeneration()),
      m_rootPath(platform::CalendarStore::defaultStore().rootPath()),
      m_observer(manager->passObserver()) {
}

void TDCalendarStoreSyncOperation::main() {
    if (!isCancelled()) performOperation();
}

bool TDCalendarStoreSyncOperation::p_onMainThread(const std::function<void()>& step) {
    bool ran = false;
    TDPerformOnMainThreadAndWait([&] {
        if (isCancelled() || !m_manager->isCurrentLibrary(m_library, m_generation)) return;
        QElapsedTimer timer;
        timer.start();
        step();
        ran = true;
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (seconds > m_longestHopSeconds.load()) m_longestHopSeconds.store(seconds);
    });
    if (!ran) cancel();
    return ran;
}

void TDCalendarStoreSyncOperation::p_changeLibrary(const std::function<void()>& change) {
    platform::ManagedObjectContext* context = m_library->managedObjectContext();
    platform::UndoManager* undo = context->undoManager();
    context->processPendingChanges();
    if (undo) undo->disableUndoRegistration();
    change();
    m_manager->setIgnoreManagedObjectContextChange(true);
    context->processPendingChanges();
    m_manager->setIgnoreManagedObjectContextChange(false);
    if (undo) undo->enableUndoRegistration();
}

bool TDCalendarStoreSyncOperation::isTaskPlistRepresentation(const QVariantMap& record,
                                                             const platform::CalendarTask& calTask) {
    return record.value(kCalendarStoreUID).toString() == calTask.uid() &&
           sameText(record.value(kTitle).toString(), calTask.title()) &&
           sameText(record.value(kNotes).toString(), calTask.notes()) &&
           TDTask::calTaskPriorityFromPriority(record.value(kPriority).toLongLong()) == calTask.priority() &&
           sameSecond(record.value(kCompletedDate).toDateTime(), calTask.completedDate()) &&
           sameSecond(record.value(kDueDate).toDateTime(), calTask.dueDate());
}

bool TDCalendarStoreSyncOperation::p_isNewer(const CalendarWork& work,
                                             const platform::CalendarTask& calTask) const {
    const QDateTime stamp = calTask.dateStamp();
    if (!stamp.isValid()) return false;
    if (work.lastSyncDate.isValid() && stamp <= work.lastSyncDate) return false;
    // Written or taken in by the last pass: no change of another program's since.
    const auto known = work.previous.knownStamps.constFind(calTask.uid());
    return known == work.previous.knownStamps.cend() || *known != stamp;
}

void TDCalendarStoreSyncOperation::p_noteKnownStamp(CalendarWork& work,
                                                    const platform::CalendarTask& calTask) {
    // Older stamps are behind the new sync date anyway.
    const QDateTime stamp = calTask.dateStamp();
    if (stamp.isValid() && stamp > work.fetchedAt.addMSecs(-kFetchMarginMilliseconds))
        work.next.knownStamps.insert(calTask.uid(), stamp);
}

void TDCalendarStoreSyncOperation::p_tellObserver(TDCalendarStoreSyncManager::PassStep step,
                                                  const QString& calendarUid) {
    if (!m_observer) return;
    TDPerformOnMainThreadAndWait([&] { m_observer(step, calendarUid); });
}

TDTask* TDCalendarStoreSyncOperation::p_taskWithUID(const QString& uid) const {
    TDTask* task = m_tasksByUID.value(uid);
    if (task && !task->isDeleted()) return task;
    return m_library->taskWithUID(uid);
}

void TDCalendarStoreSyncOperation::performOperation() {
    pushTimestamp();
    logWithLevel(TDLogDebug, "DEBUG", "Starting Calendar Store Sync");
    QList<platform::Calendar> calendars;
    QSet<QString> enabledCalendars;
    bool master = false;
    QHash<QString, QDateTime> syncDates;
    QHash<QString, TDCalendarStoreSyncMemory> memories;
    // What the pass gathered is freed on this thread once its last hop is over: freed with the
    // operation on the main thread, its memory would go back to the system there, in one long stretch.
    const auto releaseGathered = qScopeGuard([this] {
        m_handledTaskUIDs = {};
        m_tasksByUID = {};
        m_archivedGroups = {};
    });
    // The main thread's store leaves the folder alone while this pass writes into it; the changes of
    // other programs are looked for once the pass is over.
    platform::CalendarStore* heldStore = nullptr;
    const auto releaseHeldStore = qScopeGuard([&heldStore] {
        if (heldStore) TDPerformOnMainThreadAndWait([heldStore] { heldStore->releaseChecks(); });
    });
    if (!m_library || !p_onMainThread([&] {
            heldStore = &platform::CalendarStore::defaultStore();
            heldStore->holdChecks();
            const TDCalendarStoreSyncSettings settings = m_library->calendarStoreSyncSettings();
            settings.upgradeDefaultsIfNecessary();
            calendars = settings.orderedCalendars();
            master = settings.isSyncingEnabled();
            for (const platform::Calendar& calendar : std::as_const(calendars))
                if (settings.isSyncingEnabledForCalendar(calendar.uid()))
                    enabledCalendars.insert(calendar.uid());
            syncDates = TDCalendarStoreSyncSettings::calendarSyncDates();
            memories = TDCalendarStoreSyncMemory::load();
        })) {
        popElapsedSeconds();
        return;
    }
    if (calendars.isEmpty()) {
        popElapsedSeconds();
        return;
    }
    m_store = std::make_unique<platform::CalendarStore>(m_rootPath);

    for (const platform::Calendar& calendar : std::as_const(calendars)) {
        if (isCancelled()) break;
        CalendarWork work;
        work.calendar = calendar;
        work.enabled = master && enabledCalendars.contains(calendar.uid());
        work.lastSyncDate = syncDates.value(calendar.uid());
        work.previous = memories.value(calendar.uid());
        // Without a new sync date the stamps of the last writes still matter.
        if (!work.enabled) work.next.knownStamps = work.previous.knownStamps;
        if (!gatherLocalItemsOnMainThreadForCalendar(work) || isCancelled()) break;
        p_tellObserver(TDCalendarStoreSyncManager::PassStep::Gathered, calendar.uid());
        work.fetchedAt = fetchDate();
        if (!gatherRemoteTasksForCalendar(work) || isCancelled()) break;
        p_tellObserver(TDCalendarStoreSyncManager::PassStep::Fetched, calendar.uid());
        if (!p_syncLinkedTasks(work) || isCancelled()) break;
        if (!p_syncUnlinkedCalendarTasks(work) || isCancelled()) break;
        if (work.enabled) {
            if (!p_syncUnlinkedTasks(work) || isCancelled()) break;
            syncDates.insert(calendar.uid(), work.fetchedAt);
        }
        memories.insert(calendar.uid(), work.next);
    }
    if (isCancelled()) {
        popElapsedSeconds();
        return;
    }

    p_onMainThread([&] {
        TDCalendarStoreSyncSettings settings = m_library->calendarStoreSyncSettings();
        for (TDGroup* group : std::as_const(m_archivedGroups))
            if (!group->isDeleted()) settings.removeGroup(group);
        TDCalendarStoreSyncSettings::setCalendarSyncDates(syncDates);
        TDCalendarStoreSyncMemory::save(memories);
    });
    m_store.reset();
    logWithLevel(TDLogDebug, "DEBUG", "Syncing with Calendar Store took %lf seconds", popElapsedSeconds());
}

bool TDCalendarStoreSyncOperation::gatherLocalItemsOnMainThreadForCalendar(CalendarWork& work) {
    return p_onMainThread([&] {
        m_tasksByUID.clear();
        const TDCalendarStoreSyncSettings settings = m_library->calendarStoreSyncSettings();
        for (TDGroup* group : settings.groupsSyncingToCalendar(work.calendar.uid(), m_library)) {
            if (group->isArchived() && !m_archivedGroups.contains(group)) m_archivedGroups.append(group);
            for (TDTask* task : group->allTasksInTree()) {
                const QString uid = task->uid();
                if (uid.isEmpty() || task->isDeleted()) continue;
                m_tasksByUID.insert(uid, task);
                const QVariantMap record = taskRecord(task);
                const QString linked = record.value(kCalendarStoreUID).toString();
                if (linked.isEmpty())
                    work.localTasksWithoutCalendarStoreUIDs.append(record);
                else
                    work.localTasks.insert(linked, record);
            }
        }
    });
}

bool TDCalendarStoreSyncOperation::gatherRemoteTasksForCalendar(CalendarWork& work) {
    QStringList skipped;
    Result<QList<platform::CalendarTask>> tasks = m_store->tasksInCalendar(work.calendar, &skipped);
    if (!tasks) {
        logWithLevel(TDLogError, "ERROR", "Got exception while trying to fetch tasks from calendar store: %@",
                     tasks.error().description);
        cancel();
        return false;
    }
    work.hasUnreadableFiles = !skipped.isEmpty();
    work.remoteTasks.reserve(tasks->size());
    for (platform::CalendarTask& task : *tasks) work.remoteTasks.insert(task.uid(), std::move(task));
    return true;
}

bool TDCalendarStoreSyncOperation::p_syncLinkedTasks(CalendarWork& work) {
    for (auto it = work.localTasks.cbegin(); it != work.localTasks.cend(); ++it) {
        if (isCancelled()) return false;
        const QString& calendarTaskUid = it.key();
        const QVariantMap& record = it.value();
        const QString taskUid = record.value(kUID).toString();
        // Synced with an earlier calendar: its calendar task here stays for the unlinked ones.
        if (m_handledTaskUIDs.contains(taskUid)) continue;
        const auto calTask = work.remoteTasks.constFind(calendarTaskUid);
        const bool hasCalTask = calTask != work.remoteTasks.cend();
        if (work.enabled && !record.value(kDontSync).toBool()) {
            if (hasCalTask) {
                work.next.linked.insert(calendarTaskUid);
                if (isTaskPlistRepresentation(record, *calTask)) {
                    p_noteKnownStamp(work, *calTask);
                } else if (p_isNewer(work, *calTask)) {
                    if (!p_onMainThread([&] { updateTaskOnMainThreadWithCalTask(*calTask, &record, work); }))
                        return false;
                } else if (!p_updateCalTask(*calTask, record, work)) {
                    return false;
                }
            } else if (work.hasUnreadableFiles) {
                // A file that cannot be read now may be this task half written: no duplicate of it.
                work.next.linked.insert(calendarTaskUid);
            } else if (!p_createCalTasks({record}, work)) {
                return false;
            }
            m_handledTaskUIDs.insert(taskUid);
        } else if (hasCalTask) {
            QString removedPath;
            const bool removed = p_removeCalTask(calendarTaskUid, &removedPath);
            if (!removed) work.next.linked.insert(calendarTaskUid);
            if (removed && !p_onMainThread([&] {
                    platform::CalendarStore::defaultStore().takeNoteOfWrites({}, {removedPath});
                    setCalendarTaskUIDOnMainThread(QString(), taskUid);
                }))
                return false;
        }
        work.remoteTasks.remove(calendarTaskUid);
    }
    return true;
}

bool TDCalendarStoreSyncOperation::p_syncUnlinkedCalendarTasks(CalendarWork& work) {
    for (auto it = work.remoteTasks.cbegin(); it != work.remoteTasks.cend(); ++it) {
        if (isCancelled()) return false;
        const platform::CalendarTask& calTask = it.value();
        if (p_isNewer(work, calTask)) {
            if (!p_onMainThread([&] { updateTaskOnMainThreadWithCalTask(calTask, nullptr, work); }))
                return false;
            if (work.previous.linked.contains(calTask.uid())) work.next.linked.insert(calTask.uid());
        } else if (work.enabled && work.previous.linked.contains(calTask.uid())) {
            // Linked by this engine earlier, and no task of the mapped groups claims it any more.
            QString removedPath;
            if (!p_removeCalTask(calTask.uid(), &removedPath)) continue;
            if (!p_onMainThread([&] {
                    platform::CalendarStore::defaultStore().takeNoteOfWrites({}, {removedPath});
                    p_changeLibrary([&] {
                        if (TDTask* task = m_library->taskWithCalendarStoreUID(calTask.uid()))
                            task->setValue(kCalendarStoreUID, QVariant());
                    });
                }))
                return false;
        } else if (work.previous.linked.contains(calTask.uid())) {
            work.next.linked.insert(calTask.uid());
        }
    }
    return true;
}

bool TDCalendarStoreSyncOperation::p_syncUnlinkedTasks(CalendarWork& work) {
    QList<QVariantMap> batch;
    const auto flush = [&] {
        if (batch.isEmpty()) return true;
        const bool handedOver = p_createCalTasks(batch, work);
        batch.clear();
        return handedOver;
    };
    for (const QVariantMap& record : std::as_const(work.localTasksWithoutCalendarStoreUIDs)) {
        if (isCancelled()) return false;
        if (record.value(kDontSync).toBool()) continue;
        batch.append(record);
        m_handledTaskUIDs.insert(record.value(kUID).toString());
        if (batch.size() >= kCreateBatchSize && !flush()) return false;
    }
    return flush();
}

void TDCalendarStoreSyncOperation::updateTaskOnMainThreadWithCalTask(const platform::CalendarTask& calTask,
                                                                     const QVariantMap* gathered,
                                                                     CalendarWork& work) {
    p_changeLibrary([&] {
        TDTask* task = m_library->taskWithCalendarStoreUID(calTask.uid());
        if (!task) {
            m_library->createTaskFromCalTask(calTask);
            return;
        }
        platform::CalendarTask incoming = calTask;
        if (gathered) {
            // Fields the user changed after the gathering keep the user's value; the next pass writes
            // them to the calendar.
            const QVariantMap now = taskRecord(task);
            const auto changed = [&](const QString& key) { return now.value(key) != gathered->value(key); };
            if (changed(kTitle)) incoming.setTitle(now.value(kTitle).toString());
            if (changed(kNotes)) incoming.setNotes(now.value(kNotes).toString());
            if (changed(kPriority)) incoming.setPriority(int(now.value(kPriority).toLongLong()));
            if (changed(kCompletedDate)) incoming.setCompletedDate(now.value(kCompletedDate).toDateTime());
            if (changed(kDueDate)) incoming.setDueDate(now.value(kDueDate).toDateTime());
        }
        task->updateFromCalTask(incoming);
    });
    p_noteKnownStamp(work, calTask);
}

bool TDCalendarStoreSyncOperation::p_updateCalTask(const platform::CalendarTask& fetched,
                                                   const QVariantMap& record, CalendarWork& work) {
    // Only the fields the local task changed go onto the file as it stands now, so that another
    // program's change made since the fetch stays.
    platform::CalendarTask changed = fetched;
    if (!fillCalTask(changed, record)) return true;
    std::optional<platform::CalendarTask> current = m_store->taskWithUid(fetched.uid());
    if (!current) return true;  // gone meanwhile: the next pass makes it anew
    const bool untouchedSinceFetch = current->dateStamp() == fetched.dateStamp();
    platform::CalendarTask writing = *current;
    if (!sameText(changed.title(), fetched.title())) writing.setTitle(changed.title());
    if (!sameText(changed.notes(), fetched.notes())) writing.setNotes(changed.notes());
    if (changed.priority() != fetched.priority()) writing.setPriority(changed.priority());
    if (!sameSecond(changed.completedDate(), fetched.completedDate()))
        writing.setCompletedDate(changed.completedDate());
    if (!sameSecond(changed.dueDate(), fetched.dueDate())) writing.setDueDate(changed.dueDate());
    writing.setCalendarUid(work.calendar.uid());
    if (const Status saved = m_store->saveTask(writing); !saved) {
        logWithLevel(TDLogError, "ERROR", "Error while saving task to calendar store: %@",
                     saved.error().description);
        return true;
    }
    // A file another program changed since the fetch holds its change too: the next pass takes it in.
    if (untouchedSinceFetch) work.next.knownStamps.insert(writing.uid(), writing.dateStamp());
    return p_onMainThread([&] { platform::CalendarStore::defaultStore().takeNoteOfWrites({writing}, {}); });
}

bool TDCalendarStoreSyncOperation::p_createCalTasks(const QList<QVariantMap>& records, CalendarWork& work) {
    QList<platform::CalendarTask> written;
    QList<QPair<QString, QString>> links;  // calendar task uid, task uid
    for (const QVariantMap& record : records) {
        platform::CalendarTask calTask;
        calTask.setCalendarUid(work.calendar.uid());
        fillCalTask(calTask, record);
        // The folder is flushed once for the whole batch, below.
        if (const Status saved = m_store->saveTask(calTask, platform::WriteDurability::ContentsOnly);
            !saved) {
            logWithLevel(TDLogError, "ERROR", "Error while saving task to calendar store: %@",
                         saved.error().description);
            continue;
        }
        links.append({calTask.uid(), record.value(kUID).toString()});
        written.append(std::move(calTask));
    }
    if (written.isEmpty()) return true;
    if (const Status synced = m_store->syncCalendarFolder(work.calendar.uid()); !synced)
        logWithLevel(TDLogWarning, "WARNING", "Could not flush the calendar's folder: %@",
                     synced.error().description);
    const bool handedOver = p_onMainThread([&] {
        platform::CalendarStore::defaultStore().takeNoteOfWrites(written, {});
        p_changeLibrary([&] {
            for (const auto& [calendarTaskUid, taskUid] : std::as_const(links))
                if (TDTask* task = p_taskWithUID(taskUid)) task->setValue(kCalendarStoreUID, calendarTaskUid);
        });
    });
    if (!handedOver) {
        for (const platform::CalendarTask& calTask : std::as_const(written))
            (void)m_store->removeTask(calTask);
        return false;
    }
    for (const platform::CalendarTask& calTask : std::as_const(written)) {
        work.next.knownStamps.insert(calTask.uid(), calTask.dateStamp());
        work.next.linked.insert(calTask.uid());
    }
    return true;
}

bool TDCalendarStoreSyncOperation::p_removeCalTask(const QString& uid, QString* removedPath) {
    if (uid.isEmpty()) return false;
    const std::optional<platform::CalendarTask> calTask = m_store->taskWithUid(uid);
    if (!calTask) {
        logWithLevel(TDLogWarning, "WARNING",
                     "Tried to delete CalTask %@ but could not find it in the Calendar Store", uid);
        return false;
    }
    if (const Status removed = m_store->removeTask(*calTask); !removed) {
        logWithLevel(TDLogError, "ERROR", "Could not delete task from Calendar Store: %@",
                     removed.error().description);
        return false;
    }
    *removedPath = calTask->filePath();
    return true;
}

void TDCalendarStoreSyncOperation::setCalendarTaskUIDOnMainThread(const QString& calendarTaskUid,
                                                                  const QString& taskUid) {
    p_changeLibrary([&] {
        if (TDTask* task = p_taskWithUID(taskUid))
            task->setValue(kCalendarStoreUID,
                           calendarTaskUid.isEmpty() ? QVariant() : QVariant(calendarTaskUid));
    });
}
