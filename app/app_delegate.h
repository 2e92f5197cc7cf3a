#pragma once

#include "foundation/application_delegate.h"
#include "store/library_migration_delegate.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class TDAlertPrompter;
class TDBackupRestorer;
class TDBadgeSink;
class TDLibrary;
class TDLibraryLocationChooser;
class TDLibraryManager;
class TDLibraryUpdateProgress;
class TDMainWindowHost;
class TDStandardLibraryMigrationDelegate;
class TDSyncControl;
class TDTask;

// Posted (sender nil) just before the library is saved at quit, so a running timer punches out first.
inline const QString TDApplicationWillSaveBeforeTerminating =
    QStringLiteral("TDApplicationWillSaveBeforeTerminating");

// How launching was asked for.
struct TDLaunchOptions {
    // "--choose-library": ask for the library as if Alt were held.
    bool chooseLibrary = false;
    // Whether either Alt key is held; asked anew at each attempt to open a library. None: never held.
    std::function<bool()> isAltKeyHeld;
};

// The answer to a request to quit.
enum class TDTerminateReply { Cancel, Now, Later };

// Whom the delegate asks; none is owned and all outlive it.
struct TDAppDelegateServices {
    TDAlertPrompter& prompter;
    TDLibraryLocationChooser& locationChooser;
    TDMainWindowHost& mainWindow;
    TDBackupRestorer& backupRestorer;
    TDSyncControl& syncControl;
    // The sync alert panel, where important sync errors are shown; none: the prompter shows them.
    TDAlertPrompter* syncAlerts = nullptr;
};

// The application delegate: it finds, chooses, creates, migrates and opens the library at launch,
// presents every error that must reach the user (from any thread), carries out recovery options, quits
// without losing an edit, and answers the desktop's events. Lives on the main thread.
class AppDelegate final : public QObject, public TDApplicationDelegate, private TDLibraryMigrationDelegate {
    Q_OBJECT
public:
    // Calls made after a delay (sync scheduling, the checks after waking): tests run them at once.
    using DelayedCallScheduler = std::function<void(double seconds, std::function<void()> call)>;

    AppDelegate(TDLibraryManager& manager, const TDAppDelegateServices& services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Observes the library, date and settings changes.
    void applicationWillFinishLaunching();
    // Opens, creates or migrates the library and shows the main window. The exit status when the
    // program must end instead (the user quit, or the library could not be upgraded).
    std::optional<int> applicationDidFinishLaunching(const TDLaunchOptions& options);

    // Starts the quit sequence; the program ends through exitRequested, or stays (quitCancelled).
    void terminate();
    TDTerminateReply applicationShouldTerminate();
    // Ends a quit answered Later: true goes on to the end, false stays.
    void replyToApplicationShouldTerminate(bool shouldTerminate);
    // Records the settings a clean quit leaves and saves the library options.
    void applicationWillTerminate();
    bool isTerminating() const { return m_terminating; }

    void handleError(const std::optional<TDError>& error, const QString& message) override;
    TDErrorPresentation presentError(const TDError& error, const QString& message) override;
    bool attemptRecoveryFromError(const TDError& error, int optionIndex) override;
    // The five lines logged before each presentation.
    void applicationWillPresentError(const TDError& error);

    // A sync has finished (any thread): skipped objects are logged, an important error is shown once,
    // not again at each periodic sync that fails the same way until a sync succeeds or the user signs
    // out or asks to try again.
    void syncDidFinish(const std::optional<TDError>& syncError, const QStringList& skippedObjectIDs);
    // Where every important sync error reaches the user.
    void showSyncError(const TDError& error);
    // The library has no last sync date: says once per library, in the log and the status bar, that a
    // full sync is needed.
    void fullSync() override;

    // For the desktop service: files and links handed over from outside.
    bool isLibraryOpen() const;
    // Saves and closes the open library, then opens the one at the path. False (nothing changed)
    // when it is the library already open; a library that fails to open is presented and ends the
    // program with status 1.
    bool switchToLibraryAtPath(const QString& path);
    // Asks "Restore from backup?" and restores the open library from the backup on "Restore".
    bool restoreFromBackupAtPath(const QString& path);
    // A task for each file (a mail message becomes a mail task), at the top of the Inbox when no list
    // takes it. The tasks made.
    QList<TDTask*> createTasksFromFiles(const QStringList& paths);

    // The desktop's events.
    void systemWillSleep();
    void systemDidWake();
    void syncPostWakeFromSleepAfterDelay(double delay);
    void networkBecameReachable();
    void dateChanged();
    void localeChanged();

    // Not owned; null: no badge.
    void setBadgeSink(TDBadgeSink* sink);
    void setDelayedCallScheduler(DelayedCallScheduler scheduler) { m_scheduleCall = std::move(scheduler); }

    // Opens the help pages installed with the program in the desktop's browser.
    void showHelpForAnchor(const QString& anchor) override;

    // Does nothing after the user chose to upgrade Ordello or while a full-sync window is open.
    void showMainWindow();
    // A restore, or a full sync, which replaces the library as a restore does.
    bool isRestoringLibrary() const;
    bool isLaunching() const { return m_launching; }
    // A quit asked for while the launch still asks: no question is asked or acted on after it, and the
    // launch ends with status 0 once the question up is dismissed.
    void quitWhileLaunching() { m_launchExitStatus = 0; }
    bool isUpgradingAfterLibraryLoadError() const { return m_upgradingAfterLibraryLoadError; }
    // The migration progress window's state.
    TDLibraryUpdateProgress& updateProgress() { return *m_updateProgress; }

Q_SIGNALS:
    // The program should end with this status.
    void exitRequested(int status);
    // A quit was cancelled; the windows closed for it may show again.
    void quitCancelled();
    // A library has been opened and loaded: at launch, after a switch, or after a restore.
    void libraryDidOpen();

private:
    // Launch.
    std::optional<QString> p_libraryURL();
    std::optional<QString> p_createOrLocateLibrary();
    Status p_openLibraryAtURL(const QString& path);
    bool p_createLibraryAtURL(const QString& path);
    // Offers the newest backup beside "Quit" for a library that failed to open or lost saves.
    TDError p_offeringBackupRestore(const TDError& error) const;
    bool p_restoreAtLaunch(const QString& backupPath);
    // Another process holds the library: says so and ends the launch, without a window.
    void p_refuseLibraryInUse(const TDError& error);
    void p_requestQuit(int status);

    // Quit.
    void p_finishPendingOperationsBeforeTermination();
    bool p_quitAnyway();
    void p_endProgram(int status);

    // Library events.
    void p_libraryDidFinishLoading(TDLibrary* library);
    void p_resumeTiming(TDTask* task);
    void p_activeLibraryWillChange();
    void p_activeLibraryDidChange();
    void p_updateBadge();
    void p_scheduleSync(double seconds);
    void p_cancelScheduledSync();
    void p_afterDelay(double seconds, std::function<void()> call);

    // Migration.
    bool shouldMigratePersistentStore(double fromVersion, double toVersion, int stepCount) override;
    void willRunMigration(const platform::MigrationManager& manager, const QString& fromModelName,
                          const QString& toModelName) override;
    void migrationProgressChanged(double progress) override;
    void didRunMigration(const platform::MigrationManager& manager, const QString& fromModelName,
                         const QString& toModelName) override;
    void didFinishMigratingPersistentStore() override;
    void failedMigratingPersistentStore() override;

    TDLibraryManager& m_manager;
    TDAppDelegateServices m_services;
    TDLibraryUpdateProgress* m_updateProgress;
    std::unique_ptr<TDStandardLibraryMigrationDelegate> m_migration;
    TDBadgeSink* m_badgeSink = nullptr;
    DelayedCallScheduler m_scheduleCall;
    TDLibrary* m_observedLibrary = nullptr;
    // The code of the important sync error shown last, until a sync succeeds.
    std::optional<int> m_shownSyncErrorCode;
    bool m_showingSyncError = false;
    bool m_fullSyncNoticeGiven = false;
    int m_badgeObservation = 0;
    int m_syncGeneration = 0;  // a scheduled sync runs only while no later scheduling replaced it
    bool m_launching = false;
    std::optional<int> m_launchExitStatus;
    // Backups whose restore failed in this launch: not offered again.
    QStringList m_failedRestores;
    bool m_migrationDeclined = false;
    bool m_migrationFailed = false;
    bool m_restoringLibrary = false;
    bool m_upgradingAfterLibraryLoadError = false;
    bool m_terminating = false;
    bool m_exitRequested = false;
};
