#pragma once

#include "model/library_options.h"
#include "platform/base/error.h"
#include "platform/files/atomic_save.h"
#include "platform/notifications/notification.h"
#include "store/editor_registry.h"
#include "store/library_operation.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class QTimer;
class TDLibrary;
class TDLibraryObject;
class TDManagedObjectContext;
class TDManagedObjectContextDidChangeNotificationSplitter;
class TDTaskClassifier;

namespace platform {
class FileLock;
class ObjectID;
class ObjectModel;
class OperationQueue;
class PersistentStoreCoordinator;
class UndoManager;
}  // namespace platform

// Posted on the main thread with the library as sender once a library is open and usable.
inline const QString TDLibraryDidFinishLoadingNotificationName =
    QStringLiteral("TDLibraryDidFinishLoadingNotificationName");
// Posted around replacing the open library (a restore), with the manager's library as sender.
inline const QString TDActiveLibraryWillChangeNotification =
    QStringLiteral("TDActiveLibraryWillChangeNotification");
inline const QString TDActiveLibraryDidChangeNotification =
    QStringLiteral("TDActiveLibraryDidChangeNotification");
// Posted with the manager as sender once the library has signed out of the sync service.
inline const QString TDSyncDidSignOut = QStringLiteral("TDSyncDidSignOut");

// The one open library: its package on disk ("library.sqlite3", "Info.plist", "options.plist"), the
// store stack with the main-thread context, the per-library options, saving and autosave, and the
// queues of background operations. Lives on the main thread.
class TDLibraryMigrationDelegate;

// How a save of the library ended. A store held by an operation is no failure: the save is
// rescheduled, and the changes stay in the context until the retry saves them.
enum class TDLibrarySaveOutcome { Saved, Rescheduled, Failed };

// Whether a sync may go out now: the network answers, or the service lives on this machine or the local
// network, which answer without the Internet.
bool TDSyncMaySendTo(const QString& serviceURL, bool networkReachable);

class TDLibraryManager final : public QObject, public TDLibraryOperationDelegate, public TDLibraryOptions {
    Q_OBJECT
public:
    // Opens nothing. An empty path stands for the default location.
    explicit TDLibraryManager(const QString& packagePath = {}, QObject* parent = nullptr);
    ~TDLibraryManager() override;

    // The installed manager, else one for the default location made on first use.
    static TDLibraryManager& sharedManager();
    // Not owned; nullptr goes back to the manager made on demand.
    static void setSharedManager(TDLibraryManager* manager);

    // "Ordello Library.odllibrary" in the application-support folder (the test folder in test runs).
    static QString defaultLibraryPath();
    QString libraryPath() const { return m_packagePath; }
    void setLibraryPath(const QString& packagePath);
    QString storePath() const;
    QString infoDictionaryPath() const;
    QString optionsDictionaryPath() const;
    // "library.lock": held by the process that has the library open.
    QString lockFilePath() const;

    // "library.sqlite3" exists.
    bool libraryExists() const;
    // The folder holds nothing but what a first start killed before its store moved in leaves behind:
    // the lock file and unfinished build folders. Creating there loses nothing.
    static bool holdsOnlyAnInterruptedCreation(const QString& packagePath);
    // It exists and is readable and writable.
    bool libraryIsAccessible() const;
    // No Info.plist, or one whose version is not newer than this program's.
    bool libraryIsCompatible();
    // Info.plist names an older version (a missing version counts as 0).
    bool libraryNeedsMigration();
    // Info.plist, read on first use; empty when missing or unreadable.
    QVariantMap infoDictionary();
    void setInfoDictionary(const QVariantMap& info);
    double openedLibraryVersion() const { return m_openedLibraryVersion; }

    // The stack, built by loadLibrary or createLibrary; null before and after.
    platform::PersistentStoreCoordinator* persistentStoreCoordinator() const { return m_coordinator.get(); }
    TDManagedObjectContext* managedObjectContext() const { return m_context.get(); }
    // The sync journal's context, on the same coordinator.
    TDManagedObjectContext* syncSetManagedObjectContext() const { return m_syncSetContext.get(); }
    platform::UndoManager* undoManager() const { return m_undoManager.get(); }
    TDLibrary* library() const { return m_library; }

    // Opens the library in the package and holds its lock until it is closed. Errors: 102 when the
    // store is missing, unreadable, corrupt or holds no single library; 100 when a newer Ordello saved
    // it; 103 while another process has it open; 104 when its store lost saves; 105 and 106 when its
    // folder is read-only or its disk full; 150 when it needs an upgrade this version cannot make. A
    // refused library is left as it was; a store that failed or lost saves is first copied aside,
    // and the error names the copies and the newest backup. A store left without any object by a
    // first start that was cut short is made anew.
    Result<TDLibrary*> loadLibrary();
    // Takes the package's lock ahead of loading, so that a process refused by it has changed nothing;
    // a failed load lets it go again.
    Status lockPackage() { return p_lockPackage(); }
    // Creates the package and a new library with its starter groups, and saves it. The store is built
    // in a temporary folder and takes its place only once it holds the whole new library.
    Result<TDLibrary*> createLibrary();
    // Finishes pending operations, saves and tears the stack down. When the save fails the error is
    // reported and returned and the library stays open, so nothing is lost unseen.
    Status close();
    // Tears the stack down; unsaved changes are lost.
    void closeDiscardingChanges();

    // Serial queues, made on first use.
    platform::OperationQueue* exportOperationQueue();
    platform::OperationQueue* syncOperationQueue();
    bool hasPendingOperations() const;
    // Waits until the export queue and then the sync queue are empty. On the main thread the wait
    // happens on a helper thread while the event loop runs, so operations calling back to the main
    // thread finish instead of deadlocking.
    void finishPendingOperations();
    // Waits on a background thread and then runs `then` on the main thread; returns at once.
    void finishPendingOperationsInBackground(std::function<void()> then);

    // Once per calendar day: recurring copies and smart-folder membership that depend on today.
    // `InBackground` hands the smart folders whose matches follow the day to a reload operation on the
    // sync queue, merged into the main context without an undo step; with unsaved changes in the main
    // context the reload stays synchronous, because the operation judges tasks by what the store holds.
    enum class SmartFolderReload { Synchronous, InBackground };
    void changeObjectsAfterDateChangeIfNecessary(SmartFolderReload reload = SmartFolderReload::InBackground);

    // Per-library options, kept in "options.plist". The open library is handed these options and gives
    // them to its objects.
    QVariantMap optionsDictionary();
    QVariant optionForKey(const QString& key) override;
    // An invalid value removes the key. Written at the next saveOptionsDictionary. A change is
    // announced with optionDidChange.
    void setOption(const QVariant& value, const QString& key) override;
    // Replaces the whole content; nullopt drops it so the next use reads the file again.
    void setOptionsDictionary(const std::optional<QVariantMap>& options);
    void clearOptions();
    // Copies the window and view state in, then writes the file atomically when its content changed.
    void saveOptionsDictionary() override;
    // After this the user defaults hold exactly the library's window and view state.
    void copyOptionsToUserDefaults();
    void copyOptionsFromUserDefaults();
    // True for the window and view state keys that travel with the library.
    static bool shouldCopyOptionToAndFromUserDefaults(const QString& key);
    // Drops the view options of groups that no longer exist.
    void cleanUpGroupViewOptions();

    // With the store, its save counter and identity go in too, so that an opening can tell a store
    // that lost saves.
    // After an ordinary save the record may lag behind the store after a crash (a lagging count is
    // never taken for lost saves), so it skips the folder flush there.
    static Status writeInfoDictionary(const QString& packagePath, const TDLibrary* library,
                                      const platform::PersistentStoreCoordinator* store = nullptr,
                                      platform::WriteDurability durability = platform::WriteDurability::Full);
    Status saveInfoDictionary(platform::WriteDurability durability = platform::WriteDurability::Full);

    // Ends editing, then saves the store, the sync journal, Info.plist and the options. Saved also when
    // there was nothing to save; Rescheduled while an operation holds the store; Failed once the error
    // has gone to the error handler (or an editor would not end editing).
    TDLibrarySaveOutcome saveLibraryOrReschedule();
    // False only when the save failed.
    bool saveLibrary();
    bool saveLibraryWithoutSyncing();
    // (Re)starts the one-shot autosave timer, unless the context says changes trigger no save.
    void scheduleSave();
    bool isSaveScheduled() const;
    TDEditorRegistry& editorRegistry() { return m_editors; }

    bool disableSyncOnSave() const { return m_disableSyncOnSave; }
    void setDisableSyncOnSave(bool disable) { m_disableSyncOnSave = disable; }
    bool dontTriggerSaveOnChange() const;
    void setDontTriggerSaveOnChange(bool dontTrigger);

    // Queues a rolling backup of the saved library on the export queue: export into the package's
    // "Backup" folder, gzip, pruning. A save made while an earlier backup is still being written gets
    // none of its own.
    void savePropertyListBackup();

    // With sync on: a sync after "libraryAutosaveDelay" seconds (or the given delay), each call
    // replacing the pending one.
    void scheduleSync();
    void scheduleSyncAfterDelay(double seconds);
    void cancelScheduledSync();
    // With sync on, queues one sync of the library on the sync queue; a library that never synced
    // asks the application for a full sync instead.
    void sync();
    // Cancels the queued and running operations of the sync queue.
    void cancelSync();
    bool isSyncing() const;
    // While sync is on the library syncs every ten minutes, the service having no way to wake us.
    static constexpr int kPeriodicSyncMilliseconds = 10 * 60 * 1000;
    bool isPeriodicSyncActive() const;
    // Makes the operation of one sync. The sync layer builds on this one and installs its own; without
    // one nothing is sent.
    using SyncOperationMaker =
        std::function<std::shared_ptr<TDLibraryOperation>(TDLibraryManager*, TDLibrary*)>;
    static void setSyncOperationMaker(SyncOperationMaker maker);
    // Makes the fetch of the completed tasks of a list or task, installed by the sync layer likewise.
    using TaskGetOperationMaker = std::function<std::shared_ptr<TDLibraryOperation>(
        TDLibraryManager*, TDLibrary*, const platform::ObjectID&)>;
    static void setTaskGetOperationMaker(TaskGetOperationMaker maker);
    // With sync on, queues on the sync queue a fetch of the completed tasks of the list or task.
    void fetchTasksForParentObject(const TDLibraryObject* object);
    // Switches sync off and forgets when the library last synced, so that the next sign-in begins
    // with a full sync.
    void syncSignOut();

    // Brings an operation's save into the main context (main thread), without undo and without
    // triggering a save.
    void mergeChangesFromOperationSave(const platform::Notification& didSave);

    void libraryOperationDidFailWithError(TDLibraryOperation* operation, const TDError& error) override;

    // Asked before an older library is migrated, and told the progress (not owned; none: migrate
    // without asking).
    void setMigrationDelegate(TDLibraryMigrationDelegate* delegate) { m_migrationDelegate = delegate; }

    // The next load opens a store that lost saves as it is, its save count set to what it holds, so
    // that later opens find nothing missing. Its files were already copied aside when the loss was found.
    void openLostSavesAsTheyAre() { m_openLostSavesAsTheyAre = true; }

Q_SIGNALS:
    // An option was set to a value other than the one it had (sync switched off from anywhere, say).
    void optionDidChange(const QString& key);

private:
    Status p_buildStack(const QString& storeFile);
    Result<TDLibrary*> p_loadLibrary();
    Result<TDLibrary*> p_createLibrary();
    Status p_lockPackage();
    bool p_holdsNoLibrary();
    Status p_setEmptyStoreAside();
    Status p_checkForLostSaves();
    TDError p_failedToOpen(const TDError& underlying);
    void p_removeUnfinishedBuilds();
    Status p_moveNewStoreIntoPlace(const QString& folder);
    void p_attachSyncJournal(TDLibrary* library);
    void p_installObservers();
    void p_teardown();
    void p_finishLoading();
    // Whether a save ends the editing in the editor registry first. Autosave leaves a person typing
    // alone: what is being typed reaches the model when the editing ends, and that change is saved.
    enum class EditingOnSave { End, Leave };
    Result<TDLibrarySaveOutcome> p_save(EditingOnSave editing = EditingOnSave::End);
    void p_saveTimerFired();
    void p_contextDidChange(const platform::Notification& notification);
    void p_libraryContextDidChange(const platform::Notification& notification);
    void p_afterSave(bool syncWorthy);
    bool p_isSyncEnabled();
    void p_updatePeriodicSync();
    void p_waitForQueues();

    QString m_packagePath;
    std::unique_ptr<platform::FileLock> m_packageLock;
    bool m_infoDictionaryDamaged = false;  // found unreadable: written again once the library is open
    bool m_openLostSavesAsTheyAre = false;
    std::optional<QVariantMap> m_infoDictionary;
    std::optional<QVariantMap> m_optionsDictionary;
    QByteArray m_writtenOptions;  // the bytes last written to or read from options.plist
    double m_openedLibraryVersion = 0.0;
    std::unique_ptr<platform::PersistentStoreCoordinator> m_coordinator;
    std::unique_ptr<platform::UndoManager> m_undoManager;
    std::unique_ptr<TDManagedObjectContext> m_context;
    std::unique_ptr<TDManagedObjectContext> m_syncSetContext;
    std::unique_ptr<TDManagedObjectContextDidChangeNotificationSplitter> m_splitter;
    TDLibrary* m_library = nullptr;
    std::unique_ptr<TDTaskClassifier> m_taskClassifier;
    TDLibraryMigrationDelegate* m_migrationDelegate = nullptr;
    QTimer* m_saveTimer = nullptr;
    QTimer* m_syncTimer = nullptr;
    QTimer* m_periodicSyncTimer = nullptr;
    platform::OperationQueue* m_exportQueue = nullptr;
    platform::OperationQueue* m_syncQueue = nullptr;
    TDEditorRegistry m_editors;
    bool m_disableSyncOnSave = false;
};
