#pragma once

#include "platform/calendarstore/calendar.h"
#include "platform/calendarstore/calendar_store.h"
#include "platform/calendarstore/calendar_task.h"
#include "store/library_operation.h"
#include "sync/calendar_store_sync_manager.h"
#include "sync/calendar_store_sync_memory.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>

class TDGroup;
class TDLibrary;
class TDTask;

// One pass over every calendar: the tasks of the groups mapped to a calendar and the calendar's tasks
// are compared record by record and the newer side wins. Runs on the manager's serial queue. The
// calendar folder is read and written on the pass's own thread, through a store of its own; every touch
// of the library is a synchronous hop to the main thread, which first checks that the pass is not
// cancelled and that its library is still the open one; otherwise the pass ends there. The hop after a
// write hands over what changed: the links of the tasks, and the files for the main thread's store, which
// would otherwise take them for another program's changes. A first fill writes its new files in
// batches, each with one flush of the folder and one hop for its links.
class TDCalendarStoreSyncOperation : public TDLibraryOperation {
public:
    // Made on the main thread, for the library the manager has open now.
    explicit TDCalendarStoreSyncOperation(TDCalendarStoreSyncManager* manager);

    void performOperation();

    // The task record and the calendar task agree on every exchanged field: dates to the second, texts
    // with their line ends made alike.
    static bool isTaskPlistRepresentation(const QVariantMap& record, const platform::CalendarTask& calTask);

    // The longest single main-thread step of the pass so far, in seconds.
    double longestMainThreadHop() const { return m_longestHopSeconds; }

protected:
    void main() override;

private:
    // What a pass knows of the calendar it works on.
    struct CalendarWork {
        platform::Calendar calendar;
        bool enabled = false;
        QDateTime lastSyncDate;
        QDateTime fetchedAt;
        TDCalendarStoreSyncMemory previous;
        TDCalendarStoreSyncMemory next;
        QHash<QString, QVariantMap> localTasks;  // calendarStoreUID -> record
        QList<QVariantMap> localTasksWithoutCalendarStoreUIDs;
        QHash<QString, platform::CalendarTask> remoteTasks;  // uid -> calendar task
        bool hasUnreadableFiles = false;
    };

    // False, and the pass is cancelled, when it may not touch the library any more.
    bool p_onMainThread(const std::function<void()>& step);
    // Inside a hop: the library changes the engine makes itself schedule no pass and leave no undo step.
    void p_changeLibrary(const std::function<void()>& change);
    bool p_isNewer(const CalendarWork& work, const platform::CalendarTask& calTask) const;
    // Remembers a stamp the pass has taken in, when a later pass could take it for a newer change.
    static void p_noteKnownStamp(CalendarWork& work, const platform::CalendarTask& calTask);

    bool gatherLocalItemsOnMainThreadForCalendar(CalendarWork& work);
    bool gatherRemoteTasksForCalendar(CalendarWork& work);
    bool p_syncLinkedTasks(CalendarWork& work);
    bool p_syncUnlinkedCalendarTasks(CalendarWork& work);
    bool p_syncUnlinkedTasks(CalendarWork& work);

    // Writes of the pass's own thread, each followed by the hop that hands it over; false when the hop
    // was refused (a write that failed is logged and skipped). New files whose links cannot be handed
    // over are taken back, so that no calendar task is left that no task knows.
    bool p_updateCalTask(const platform::CalendarTask& fetched, const QVariantMap& record,
                         CalendarWork& work);
    bool p_createCalTasks(const QList<QVariantMap>& records, CalendarWork& work);
    // Removes the calendar task's file; `removedPath` is where it was.
    bool p_removeCalTask(const QString& uid, QString* removedPath);

    // Main-thread steps.
    void updateTaskOnMainThreadWithCalTask(const platform::CalendarTask& calTask, const QVariantMap* gathered,
                                           CalendarWork& work);
    void setCalendarTaskUIDOnMainThread(const QString& calendarTaskUid, const QString& taskUid);
    TDTask* p_taskWithUID(const QString& uid) const;
    void p_tellObserver(TDCalendarStoreSyncManager::PassStep step, const QString& calendarUid);

    TDCalendarStoreSyncManager* m_manager;
    TDLibrary* m_library;
    quint64 m_generation;
    QString m_rootPath;
    std::unique_ptr<platform::CalendarStore> m_store;  // the pass's own, made and used on its thread
    QList<TDGroup*> m_archivedGroups;
    QSet<QString> m_handledTaskUIDs;       // tasks synced with a calendar earlier in the pass
    QHash<QString, TDTask*> m_tasksByUID;  // the gathered tasks; read in hops only
    std::atomic<double> m_longestHopSeconds{0.0};
    TDCalendarStoreSyncManager::PassObserver m_observer;
};
