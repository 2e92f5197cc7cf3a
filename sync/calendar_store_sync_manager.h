#pragma once

#include "platform/notifications/notification.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QTimer;
class TDCalendarStoreSyncOperation;
class TDLibrary;
class TDLibraryManager;

namespace platform {
class OperationQueue;
}

// Keeps the open library in step with the calendar store: a pass one second after tasks change, at
// most one pass running and one waiting; changes other programs make to the calendar folder while no
// pass runs are applied at once. Made by the program's start (before the library opens) and by tests;
// lives on the main thread.
class TDCalendarStoreSyncManager final : public QObject {
    Q_OBJECT
public:
    // Follows the libraries `libraryManager` opens (not owned; it outlives this manager).
    explicit TDCalendarStoreSyncManager(TDLibraryManager* libraryManager, QObject* parent = nullptr);
    // Cancels the passes and waits for the running one.
    ~TDCalendarStoreSyncManager() override;

    // Queues a pass unless one is already waiting. Does not look at the master switch: a pass with it
    // off takes the synced tasks out of the calendars.
    void startSync();
    void cancelSync();
    // (Re)starts the one-second timer, unless the engine itself is changing the library or syncing is off.
    void scheduleSync();
    // Waits until the queued passes are done, running the event loop so their main-thread steps run.
    void waitUntilIdle();
    platform::OperationQueue* syncQueue() const { return m_syncQueue; }
    // The pass queued last (benchmarks read its longest main-thread step).
    std::shared_ptr<TDCalendarStoreSyncOperation> lastOperation() const { return m_lastOperation; }
    bool isSyncScheduled() const;

    bool ignoreManagedObjectContextChange() const { return m_ignoreManagedObjectContextChange; }
    void setIgnoreManagedObjectContextChange(bool ignore) { m_ignoreManagedObjectContextChange = ignore; }

    // Where a pass stands when it tells the pass observer, on the main thread.
    enum class PassStep { Gathered, Fetched };
    // Tests step in at these moments of every pass (another program writing, the library switching).
    using PassObserver = std::function<void(PassStep step, const QString& calendarUid)>;
    void setPassObserver(PassObserver observer) { m_passObserver = std::move(observer); }
    const PassObserver& passObserver() const { return m_passObserver; }

    // The open library the passes work on, and whether a pass made for `library` at `generation` may
    // still touch it.
    TDLibrary* library() const { return m_library; }
    quint64 libraryGeneration() const { return m_generation; }
    bool isCurrentLibrary(const TDLibrary* library, quint64 generation) const;
    TDLibraryManager* libraryManager() const { return m_libraryManager; }

    // Changes other programs made to the calendar folder (uids of calendar tasks).
    void tasksChangedExternally(const QStringList& inserted, const QStringList& updated,
                                const QStringList& deleted);

private:
    void syncTimerFired();
    void managedObjectContextDidChange(const platform::Notification& notification);
    void groupWillDelete(const platform::Notification& notification);
    void activeLibraryWillChange();
    void libraryDidFinishLoading(const platform::Notification& notification);
    void p_stopObservingLibrary();

    TDLibrary* p_followedLibrary();

    TDLibraryManager* m_libraryManager;
    platform::OperationQueue* m_syncQueue;
    QTimer* m_syncTimer;
    TDLibrary* m_library = nullptr;
    quint64 m_generation = 0;
    bool m_updatingFromExternalChange = false;
    bool m_ignoreManagedObjectContextChange = false;
    QObject* m_libraryObserver = nullptr;
    PassObserver m_passObserver;
    std::shared_ptr<TDCalendarStoreSyncOperation>
        m_lastOperation;  // owns the observations of the open library
};
