#include "app/app_delegate.h"

#include "app/backup_restorer.h"
#include "app/badge_sink.h"
#include "app/help_pages.h"
#include "app/library_location_chooser.h"
#include "app/main_window_host.h"
#include "app/sync_control.h"
#include "foundation/alert.h"
#include "foundation/date_change_notifier.h"
#include "foundation/timing.h"
#include "foundation/version.h"
#include "model/group.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/sync_set.h"
#include "model/task.h"
#include "model/task_timer_window.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/files/workspace.h"
#include "platform/notifications/notification_center.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/undo/undo_manager.h"
#include "store/import_progress.h"
#include "store/library_manager.h"
#include "store/library_opening_errors.h"
#include "store/library_update_progress.h"
#include "store/property_list_library_restore_operation.h"
#include "store/standard_library_migration_delegate.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_sync_operation.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <cstdio>

using platform::NotificationCenter;
using platform::UserDefaults;

namespace {

// Sync errors the delegate recovers from.
constexpr int kSyncErrorWrongCredentials = 602;
constexpr int kSyncErrorFullSyncRequired = 605;

// After waking, the network is looked for at doubling intervals while they stay below this.
constexpr double kWakeRetryLimitSeconds = 300.0;
constexpr std::chrono::milliseconds kBusyStoreRetryInterval{100};

QString tr(const char* text) {
    return QCoreApplication::translate("AppDelegate", text);
}

QString storeFilePath(const QString& packagePath) {
    return QDir(packagePath).filePath(QStringLiteral("library.sqlite3"));
}

// The store a stored location must have to be used without asking.
// Why the library at the path cannot be opened, for the log; nothing when it can.
std::optional<QString> whyStoreIsUnusable(const QString& packagePath) {
    const QFileInfo store(storeFilePath(packagePath));
    if (!store.exists()) return QStringLiteral("it holds no store");
    if (store.isDir()) return QStringLiteral("its store '%1' is a folder").arg(store.filePath());
    if (!store.isReadable() || !store.isWritable())
        return QStringLiteral("its store '%1' cannot be read and written").arg(store.filePath());
    return std::nullopt;
}

void storeLibraryLocation(const QString& packagePath) {
    UserDefaults::standard().setValue(QStringLiteral("libraryURL"),
                                      QUrl::fromLocalFile(packagePath).toString());
    // Written at once: a later process started while this one runs must find the same library.
    UserDefaults::standard().synchronize();
}

QString restoreBackupOption() {
    return tr("Restore Backup");
}

// Errors of opening a library, whose "Quit" ends the program.
bool isLibraryOpeningError(const TDError& error) {
    switch (error.code) {
        case TDErrorLibraryCannotOpen:
        case TDErrorLibraryInUse:
        case TDErrorLibraryLostSaves:
        case TDErrorLibraryFolderReadOnly:
        case TDErrorLibraryDiskFull:
        case TDErrorMigrationFailed:
            return true;
        default:
            return false;
    }
}

QString samePathKey(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

}  // namespace

AppDelegate::AppDelegate(TDLibraryManager& manager, const TDAppDelegateServices& services, QObject* parent)
    : QObject(parent),
      m_manager(manager),
      m_services(services),
      m_updateProgress(new TDLibraryUpdateProgress(this)),
      m_migration(
          std::make_unique<TDStandardLibraryMigrationDelegate>(services.prompter, *m_updateProgress)) {
}

AppDelegate::~AppDelegate() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

// ---------------------------------------------------------------------------------------------------
// Launch

void AppDelegate::applicationWillFinishLaunching() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, TDLibraryDidFinishLoadingNotificationName, nullptr,
                       [this](const platform::Notification& notification) {
                           auto* library = notification.senderAs<TDLibrary>();
                           if (QThread::currentThread() == thread())
                               p_libraryDidFinishLoading(library);
                           else
                               QMetaObject::invokeMethod(
                                   this, [this, library] { p_libraryDidFinishLoading(library); },
                                   Qt::QueuedConnection);
                       });
    center.addObserver(this, TDActiveLibraryWillChangeNotification, nullptr,
                       [this](const platform::Notification&) { p_activeLibraryWillChange(); });
    center.addObserver(this, TDActiveLibraryDidChangeNotification, nullptr,
                       [this](const platform::Notification&) { p_activeLibraryDidChange(); });
    center.addObserver(this, TDDateChangedNotification, nullptr,
                       [this](const platform::Notification&) { dateChanged(); });
    // Posted on the sync thread; syncDidFinish moves to the main thread itself.
    center.addObserver(this, TDSyncDidFinish, nullptr, [this](const platform::Notification& notification) {
        const QVariant error = notification.userInfo.value(TDSyncError);
        QStringList skipped;
        const auto ids = notification.userInfo.value(QStringLiteral("skippedObjectIDs"))
                             .value<QList<platform::ObjectID>>();
        for (const platform::ObjectID& id : ids) skipped << id.uriString();
        syncDidFinish(
            error.canConvert<TDError>() ? std::optional<TDError>(error.value<TDError>()) : std::nullopt,
            skipped);
    });
    center.addObserver(this, TDSyncDidSignOut, nullptr, [this](const platform::Notification&) {
        // A later sign-in starts afresh: its errors and its full sync are told again.
        m_shownSyncErrorCode.reset();
        m_fullSyncNoticeGiven = false;
    });
    connect(&UserDefaults::standard(), &UserDefaults::valueChanged, this, [this](const QString& key) {
        if (key == QStringLiteral("dockBadgeMode") && m_manager.library())
            m_manager.library()->recalculateTransientProperties();
    });
}

std::optional<int> AppDelegate::applicationDidFinishLaunching(const TDLaunchOptions& options) {
    pushTimestamp();
    m_launching = true;
    m_launchExitStatus.reset();
    m_failedRestores.clear();
    bool creationAttempted = false;
    bool mustAsk = false;
    std::optional<QString> retryPath;
    while (!m_manager.library() && !m_launchExitStatus) {
        QString path;
        if (retryPath) {
            path = *retryPath;
            retryPath.reset();
        } else {
            const bool altHeld = options.chooseLibrary || (options.isAltKeyHeld && options.isAltKeyHeld());
            const std::optional<QString> stored = p_libraryURL();
            const std::optional<QString> location =
                (altHeld || mustAsk || !stored) ? p_createOrLocateLibrary() : stored;
            if (!location) break;
            path = *location;
            mustAsk = false;
        }
        // Before asking whether a library is there: a restore cut short may have moved it aside.
        TDRecoverFromInterruptedRestore(path);
        if (QFileInfo::exists(storeFilePath(path))) {
            const Status opened = p_openLibraryAtURL(path);
            if (opened.ok()) break;
            if (m_migrationDeclined) {
                m_launchExitStatus = 0;
                break;
            }
            if (m_migrationFailed) {
                m_launchExitStatus = 1;
                break;
            }
            if (opened.error().isInDomain(TDErrorLibraryInUse)) {
                p_refuseLibraryInUse(opened.error());
                m_launchExitStatus = 1;
                break;
            }
            const TDErrorPresentation answer =
                presentError(p_offeringBackupRestore(opened.error()), QString());
            // A restored package is opened again without asking where it is.
            if (answer.recovered) retryPath = path;
        } else if (TDLibraryManager::holdsOnlyAnInterruptedCreation(path)) {
            // The creation clears the unfinished build under the lock and takes the lock file over.
            logWithLevel(TDLogWarning, "WARNING",
                         "'%@' holds only what an interrupted first start left; the library is made there",
                         path);
            creationAttempted = true;
            if (!p_createLibraryAtURL(path)) mustAsk = true;
        } else if (QFileInfo::exists(path)) {
            // Whatever stands there without a store is not ours to build over.
            logWithLevel(TDLogWarning, "WARNING", "'%@' exists but holds no library; it is left as it is",
                         path);
            mustAsk = true;
        } else {
            creationAttempted = true;
            if (!p_createLibraryAtURL(path)) mustAsk = true;
        }
    }
    m_launching = false;
    if (m_launchExitStatus) return m_launchExitStatus;

    showMainWindow();
    m_services.mainWindow.buildMenus();
    if (creationAttempted) m_services.mainWindow.expandSourceList();
    logWithLevel(TDLogInfo, "INFO", "Launching the app took %lf seconds", popElapsedSeconds());
    return std::nullopt;
}

std::optional<QString> AppDelegate::p_libraryURL() {
    UserDefaults& defaults = UserDefaults::standard();
    if (defaults.boolean(QStringLiteral("firstLaunch"))) return TDLibraryManager::defaultLibraryPath();
    QString path;
    const QUrl stored(defaults.string(QStringLiteral("libraryURL")));
    if (stored.isLocalFile()) path = stored.toLocalFile();
    if (path.isEmpty()) path = TDLibraryManager::defaultLibraryPath();
    // A first start killed before its store moved in is finished by the loop.
    if (TDLibraryManager::holdsOnlyAnInterruptedCreation(path)) return path;
    if (const std::optional<QString> unusable = whyStoreIsUnusable(path)) {
        logWithLevel(TDLogWarning, "WARNING", "The library at '%@' cannot be opened: %@", path, *unusable);
        return std::nullopt;
    }
    return path;
}

std::optional<QString> AppDelegate::p_createOrLocateLibrary() {
    TDAlert alert;
    alert.messageText = tr("Choose Ordello Library");
    alert.informativeText =
        tr("Ordello needs a library to continue. You may choose an existing library or create a new one");
    alert.buttons = {tr("Choose Library..."), tr("Create Library..."), tr("Quit")};
    while (!m_launchExitStatus) {
        std::optional<QString> chosen;
        const int answer = m_services.prompter.runModal(alert);
        if (m_launchExitStatus) break;
        switch (answer) {
            case 0:
                chosen = m_services.locationChooser.chooseExistingLibrary();
                break;
            case 1:
                chosen = m_services.locationChooser.chooseNewLibraryLocation();
                break;
            case 2:
                // At once: there is nothing to save yet.
                m_launchExitStatus = 0;
                return std::nullopt;
            default:
                break;
        }
        if (chosen && !chosen->isEmpty()) {
            const QString path = QFileInfo(*chosen).absoluteFilePath();
            storeLibraryLocation(path);
            return path;
        }
    }
    return std::nullopt;
}

Status AppDelegate::p_openLibraryAtURL(const QString& path) {
    m_migrationDeclined = false;
    m_migrationFailed = false;
    m_manager.setLibraryPath(path);
    m_manager.setMigrationDelegate(this);
    // A library open in another process: its settings and window are left as they are.
    if (const Status locked = m_manager.lockPackage();
        !locked.ok() && locked.error().isInDomain(TDErrorLibraryInUse))
        return locked.error();
    m_manager.copyOptionsToUserDefaults();
    // The window stands while a library that needs nothing first is read.
    if (m_manager.libraryIsAccessible() && m_manager.libraryIsCompatible() &&
        !m_manager.libraryNeedsMigration())
        showMainWindow();
    const Result<TDLibrary*> loaded = m_manager.loadLibrary();
    if (!loaded.ok()) return loaded.error();
    logWithLevel(TDLogInfo, "INFO", "Opened library at '%@'", path);
    storeLibraryLocation(path);
    return {};
}

bool AppDelegate::p_createLibraryAtURL(const QString& path) {
    UserDefaults& defaults = UserDefaults::standard();
    // The tabs of another library mean nothing in a new one.
    for (const char* key :
         {"TDTabControl %@ objects", "TDTabControl %@ userInfo", "TDTabControl %@ selected index"})
        defaults.removeValue(formatString(key, QStringLiteral("tabs")));
    showMainWindow();
    m_services.mainWindow.clearOptions();
    logWithLevel(TDLogInfo, "INFO", "Creating new library at '%@'", path);
    m_manager.setLibraryPath(path);
    m_manager.setMigrationDelegate(this);
    m_manager.clearOptions();
    const Result<TDLibrary*> created = m_manager.createLibrary();
    if (!created.ok()) {
        presentError(created.error(), QStringLiteral("Could not create library"));
        return false;
    }
    storeLibraryLocation(path);
    return true;
}

TDError AppDelegate::p_offeringBackupRestore(const TDError& error) const {
    if (!error.userInfo.contains(TDNewestBackupKey) ||
        error.recoveryOptions.contains(restoreBackupOption()) ||
        m_failedRestores.contains(error.userInfo.value(TDNewestBackupKey).toString()))
        return error;
    TDError offering = error;
    offering.recoveryOptions.append(restoreBackupOption());
    const QDateTime made = error.userInfo.value(TDNewestBackupDateKey).toDateTime().toLocalTime();
    offering.recoverySuggestion +=
        tr(" You may restore the library as it was on %1 from its newest backup that reads back, \"%2\".")
            .arg(QLocale().toString(made, QLocale::LongFormat),
                 QFileInfo(error.userInfo.value(TDNewestBackupKey).toString()).fileName());
    return offering;
}

bool AppDelegate::p_restoreAtLaunch(const QString& backupPath) {
    logWithLevel(TDLogInfo, "INFO", "Restoring the library from '%@'", backupPath);
    m_restoringLibrary = true;
    TDImportProgress* progress = m_services.backupRestorer.restoreLibraryFromBackupAtPath(backupPath);
    if (progress && progress->isShown()) {
        // Before the event loop runs: the restore's calls to the main thread are served here.
        QEventLoop loop;
        connect(progress, &TDImportProgress::shownChanged, &loop, [&loop](bool shown) {
            if (!shown) loop.quit();
        });
        loop.exec();
    }
    m_restoringLibrary = false;
    if (progress && !progress->restoreFailed()) return true;
    // Its failure was presented: the next question offers what remains.
    m_failedRestores.append(backupPath);
    return false;
}

void AppDelegate::p_refuseLibraryInUse(const TDError& error) {
    // Only a process that found no desktop service to hand over to gets here while another runs,
    // typically one started from a terminal: it says so there, not in a window over the running one's.
    const QString notice =
        tr("Ordello is already running with this library. %1").arg(error.recoverySuggestion);
    logWithLevel(TDLogError, "ERROR", "%@", notice);
    std::fprintf(stdout, "%s\n", notice.toUtf8().constData());
    std::fflush(stdout);
}

void AppDelegate::p_requestQuit(int status) {
    if (m_launching) {
        m_launchExitStatus = status;
        return;
    }
    terminate();
}

void AppDelegate::showMainWindow() {
    if (m_upgradingAfterLibraryLoadError || m_services.syncControl.isFullSyncing()) return;
    m_services.mainWindow.showMainWindow();
}

// ---------------------------------------------------------------------------------------------------
// Migration: the user is asked first; declining or failing ends the launch.

bool AppDelegate::shouldMigratePersistentStore(double fromVersion, double toVersion, int stepCount) {
    const bool migrate = m_migration->shouldMigratePersistentStore(fromVersion, toVersion, stepCount);
    m_migrationDeclined = !migrate;
    return migrate;
}

void AppDelegate::willRunMigration(const platform::MigrationManager& manager, const QString& fromModelName,
                                   const QString& toModelName) {
    m_migration->willRunMigration(manager, fromModelName, toModelName);
}

void AppDelegate::migrationProgressChanged(double progress) {
    m_migration->migrationProgressChanged(progress);
}

void AppDelegate::didRunMigration(const platform::MigrationManager& manager, const QString& fromModelName,
                                  const QString& toModelName) {
    m_migration->didRunMigration(manager, fromModelName, toModelName);
}

void AppDelegate::didFinishMigratingPersistentStore() {
    m_migration->didFinishMigratingPersistentStore();
}

void AppDelegate::failedMigratingPersistentStore() {
    m_migrationFailed = true;
    m_migration->failedMigratingPersistentStore();
}

// ---------------------------------------------------------------------------------------------------
// Quit

void AppDelegate::terminate() {
    if (m_terminating || m_exitRequested) return;
    m_terminating = true;
    switch (applicationShouldTerminate()) {
        case TDTerminateReply::Cancel:
            replyToApplicationShouldTerminate(false);
            break;
        case TDTerminateReply::Now:
            replyToApplicationShouldTerminate(true);
            break;
        case TDTerminateReply::Later:
            break;
    }
}

TDTerminateReply AppDelegate::applicationShouldTerminate() {
    if (!m_services.mainWindow.closeAllWindows(isRestoringLibrary())) return TDTerminateReply::Cancel;
    NotificationCenter::defaultCenter().post(TDApplicationWillSaveBeforeTerminating);
    if (m_manager.library()) {
        switch (m_manager.saveLibraryOrReschedule()) {
            case TDLibrarySaveOutcome::Failed:
                return p_quitAnyway() ? TDTerminateReply::Now : TDTerminateReply::Cancel;
            case TDLibrarySaveOutcome::Rescheduled:
                logWithLevel(TDLogInfo, "INFO", "The library is busy; saving again before quitting");
                break;
            case TDLibrarySaveOutcome::Saved:
                break;
        }
    }
    p_finishPendingOperationsBeforeTermination();
    return TDTerminateReply::Later;
}

void AppDelegate::p_finishPendingOperationsBeforeTermination() {
    // The wait runs on a helper thread, so operations that need the main thread (an error to show, a
    // save to merge) still finish.
    m_manager.finishPendingOperationsInBackground([this] {
        if (m_manager.library()) {
            // Changes whose save an operation held up are saved now that the store is free.
            switch (m_manager.saveLibraryOrReschedule()) {
                case TDLibrarySaveOutcome::Failed:
                    replyToApplicationShouldTerminate(p_quitAnyway());
                    return;
                case TDLibrarySaveOutcome::Rescheduled:
                    // Held by something outside the operation queues: wait for it to let go.
                    QTimer::singleShot(kBusyStoreRetryInterval, this,
                                       [this] { p_finishPendingOperationsBeforeTermination(); });
                    return;
                case TDLibrarySaveOutcome::Saved:
                    break;
            }
        }
        replyToApplicationShouldTerminate(true);
    });
}

void AppDelegate::replyToApplicationShouldTerminate(bool shouldTerminate) {
    if (shouldTerminate) {
        p_endProgram(0);
        return;
    }
    m_terminating = false;
    Q_EMIT quitCancelled();
}

bool AppDelegate::p_quitAnyway() {
    TDAlert alert;
    alert.messageText = tr("Could not save changes");
    alert.informativeText = tr("Could not save changes while quitting. Quit anyway?");
    alert.buttons = {tr("Quit Anyway"), tr("Cancel")};
    if (m_services.prompter.runModal(alert) != 0) return false;
    m_manager.closeDiscardingChanges();
    return true;
}

void AppDelegate::p_endProgram(int status) {
    if (m_exitRequested) return;
    m_exitRequested = true;
    applicationWillTerminate();
    Q_EMIT exitRequested(status);
}

void AppDelegate::applicationWillTerminate() {
    UserDefaults& defaults = UserDefaults::standard();
    if (defaults.boolean(QStringLiteral("firstLaunch")))
        defaults.setValue(QStringLiteral("firstLaunch"), false);
    defaults.setValue(QStringLiteral("version"), QStringLiteral(ORDELLO_BUILD_NUMBER));
    if (TDLibrary* library = m_manager.library()) {
        defaults.setValue(QStringLiteral("library"), library->uid());
        m_manager.saveOptionsDictionary();
    }
    defaults.synchronize();
}

// ---------------------------------------------------------------------------------------------------
// Errors

void AppDelegate::handleError(const std::optional<TDError>& error, const QString& message) {
    if (!error) return;
    presentError(*error, message);
}

TDErrorPresentation AppDelegate::presentError(const TDError& error, const QString& message) {
    if (QThread::currentThread() != thread()) {
        // The main thread never blocks on a worker (it waits in event loops), so it gets to this.
        TDErrorPresentation answer;
        QMetaObject::invokeMethod(
            this, [this, &answer, &error, &message] { answer = presentError(error, message); },
            Qt::BlockingQueuedConnection);
        return answer;
    }
    // The presented error itself is logged below; a missing message adds no line of its own.
    if (!message.isEmpty()) logWithLevel(TDLogError, "ERROR", "%@", message);
    // A quit during the launch ends it: nothing more is asked or done.
    if (m_launching && m_launchExitStatus) return {};
    applicationWillPresentError(error);
    TDErrorPresentation answer;
    answer.optionIndex = m_services.prompter.runModal(alertWithOrdelloError(error));
    if (m_launching && m_launchExitStatus) return answer;
    if (error.recoveryAttempter && answer.optionIndex >= 0 &&
        answer.optionIndex < error.recoveryOptions.size())
        answer.recovered = error.recoveryAttempter->attemptRecovery(error, answer.optionIndex);
    return answer;
}

void AppDelegate::applicationWillPresentError(const TDError& error) {
    // Written whatever the log level: the log of a report must show what the user saw.
    const QByteArray rule(93, '-');
    std::fprintf(stderr, "%s\nApplication presenting error:\n%s\n%s\n%s\n", rule.constData(),
                 rule.constData(), error.detailedDescription().toUtf8().constData(), rule.constData());
    std::fflush(stderr);
}

bool AppDelegate::attemptRecoveryFromError(const TDError& error, int optionIndex) {
    if (error.domain != TDErrorDomain) return false;
    const QString option = error.recoveryOptions.value(optionIndex);
    if (error.code == TDErrorLibraryNewerVersion) {
        if (optionIndex == 0) {
            // Upgrades come from the package manager: say so, then quit.
            m_upgradingAfterLibraryLoadError = true;
            TDAlert alert;
            alert.messageText = tr("A newer Ordello is needed");
            alert.informativeText =
                tr("This library was saved by a newer version of Ordello. Install the newest Ordello with "
                   "your package manager, then open the library again.");
            alert.buttons = {tr("Quit")};
            m_services.prompter.runModal(alert);
        }
        p_requestQuit(0);
        return optionIndex == 0;
    }
    if (isLibraryOpeningError(error)) {
        if (option == restoreBackupOption()) {
            const QString backup = error.userInfo.value(TDNewestBackupKey).toString();
            return m_launching ? p_restoreAtLaunch(backup) : restoreFromBackupAtPath(backup);
        }
        if (option == TDOpenAsItIsOption()) {
            // The caller opens the library again, which then takes the store as it is.
            m_manager.openLostSavesAsTheyAre();
            return true;
        }
        p_requestQuit(0);
        return false;
    }
    if (error.code == kSyncErrorWrongCredentials) {
        m_services.syncControl.signOut();
        if (optionIndex == 0) m_services.syncControl.showSyncPreferences();
        return true;
    }
    if (error.code == kSyncErrorFullSyncRequired) {
        if (optionIndex == 0)
            m_services.syncControl.showSyncPreferences();
        else
            m_services.syncControl.signOut();
        return true;
    }
    logWithLevel(TDLogError, "ERROR", "Attempting recovery from unrecoverable error: %@",
                 error.detailedDescription());
    return false;
}

bool AppDelegate::isRestoringLibrary() const {
    return m_restoringLibrary || m_services.syncControl.isFullSyncing();
}

void AppDelegate::syncDidFinish(const std::optional<TDError>& syncError,
                                const QStringList& skippedObjectIDs) {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, syncError, skippedObjectIDs] { syncDidFinish(syncError, skippedObjectIDs); },
            Qt::QueuedConnection);
        return;
    }
    // Until the sync windows exist the skipped objects are only listed in the log.
    if (!skippedObjectIDs.isEmpty())
        logWithLevel(TDLogWarning, "WARNING", "Sync skipped %ld objects: %@",
                     static_cast<long>(skippedObjectIDs.size()), skippedObjectIDs.join(QStringLiteral(", ")));
    if (!skippedObjectIDs.isEmpty())
        QTimer::singleShot(0, this, [this, skippedObjectIDs] {
            m_services.syncControl.showSkippedObjects(skippedObjectIDs);
        });
    if (!syncError) {
        m_shownSyncErrorCode.reset();
        return;
    }
    // A full-sync window tells of its own failure; nothing is taken as shown.
    if (!isImportantSyncError(*syncError) || m_services.syncControl.isFullSyncing()) return;
    // The periodic sync fails the same way every few minutes: the user hears of it once.
    if (m_showingSyncError || m_shownSyncErrorCode == syncError->code) {
        logWithLevel(TDLogInfo, "INFO", "Sync failed again with error %ld, already shown",
                     static_cast<long>(syncError->code));
        return;
    }
    m_shownSyncErrorCode = syncError->code;
    m_showingSyncError = true;
    showSyncError(*syncError);
    m_showingSyncError = false;
}

void AppDelegate::showSyncError(const TDError& error) {
    if (m_services.syncControl.isFullSyncing()) return;
    TDAlert alert = alertWithOrdelloError(error);
    TDAlertPrompter& panel = m_services.syncAlerts ? *m_services.syncAlerts : m_services.prompter;
    if (error.recoveryAttempter) {
        const int chosen = panel.runModal(alert);
        error.recoveryAttempter->attemptRecovery(error, chosen);
        return;
    }
    if (error.recoveryOptions.isEmpty()) alert.buttons = {tr("Try Again"), tr("Cancel")};
    if (panel.runModal(alert) != 0) return;
    // Asked for: a failure of this sync is shown again.
    m_shownSyncErrorCode.reset();
    m_services.syncControl.sync();
}

void AppDelegate::fullSync() {
    if (m_fullSyncNoticeGiven) return;
    m_fullSyncNoticeGiven = true;
    logWithLevel(TDLogWarning, "WARNING",
                 "The library has not synced with this account yet: it syncs again after a full sync");
    m_services.mainWindow.showStatusNotice(tr("Full sync needed"));
}

// ---------------------------------------------------------------------------------------------------
// Files and links from outside

bool AppDelegate::isLibraryOpen() const {
    return m_manager.library() != nullptr;
}

bool AppDelegate::switchToLibraryAtPath(const QString& path) {
    if (!m_manager.library()) return false;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (samePathKey(absolute) == samePathKey(m_manager.libraryPath())) return false;
    logWithLevel(TDLogInfo, "INFO", "Switching to library at '%@'", absolute);
    NotificationCenter::defaultCenter().post(TDActiveLibraryWillChangeNotification, m_manager.library());
    if (const Status closed = m_manager.close(); !closed.ok()) {
        // The library stays open with its changes: nothing is lost.
        presentError(closed.error(), QStringLiteral("Could not save library"));
        NotificationCenter::defaultCenter().post(TDActiveLibraryDidChangeNotification, m_manager.library());
        return false;
    }
    const Status opened = p_openLibraryAtURL(absolute);
    if (!opened.ok()) {
        logWithLevel(TDLogError, "ERROR", "Could not open library (d52hVP)");
        presentError(opened.error(), QString());
        p_endProgram(1);
        return false;
    }
    NotificationCenter::defaultCenter().post(TDActiveLibraryDidChangeNotification, m_manager.library());
    return true;
}

void AppDelegate::showHelpForAnchor(const QString& anchor) {
    const QString executables = QCoreApplication::applicationDirPath();
    const QUrl url = TDHelpURL(executables, anchor);
    if (!url.isValid()) {
        logWithLevel(TDLogError, "ERROR", "The help pages are not installed in '%@'",
                     TDHelpFolder(executables));
        return;
    }
    if (platform::Workspace* workspace = platform::Workspace::shared()) workspace->openURL(url);
}

bool AppDelegate::restoreFromBackupAtPath(const QString& path) {
    TDAlert alert;
    alert.messageText = tr("Restore from backup?");
    alert.informativeText = tr("The backup \"%1\" will replace your current library and your current library "
                               "will be moved to the Trash.")
                                .arg(QFileInfo(path).fileName());
    alert.buttons = {tr("Restore"), tr("Cancel")};
    if (m_services.prompter.runModal(alert) != 0) return false;
    m_restoringLibrary = true;
    if (!m_services.backupRestorer.restoreLibraryFromBackupAtPath(path)) {
        m_restoringLibrary = false;
        return false;
    }
    return true;
}

QList<TDTask*> AppDelegate::createTasksFromFiles(const QStringList& paths) {
    QList<TDTask*> tasks;
    TDLibrary* library = m_manager.library();
    if (!library) return tasks;
    for (const QString& path : paths) {
        TDTask* task = library->createTaskFromFilepath(path);
        if (!task) {
            logWithLevel(TDLogWarning, "WARNING", "Could not make a task from '%@'", path);
            continue;
        }
        if (!task->parentList() && !task->parentTask()) {
            if (TDGroup* inbox = library->inboxGroup()) {
                const Status placed = inbox->orderedTasks()->insertObject(task, 0);
                if (!placed.ok())
                    handleError(placed.error(), QStringLiteral("Could not put the task in the Inbox"));
            }
        }
        tasks.append(task);
    }
    return tasks;
}

// ---------------------------------------------------------------------------------------------------
// Library events

void AppDelegate::p_libraryDidFinishLoading(TDLibrary* library) {
    if (!library || library != m_manager.library()) return;
    // The time log survived the last run: the timer takes the task up again where it stood.
    if (TDTask* task = library->activeTask()) p_resumeTiming(task);
    if (m_observedLibrary != library) {
        m_observedLibrary = library;
        m_badgeObservation = library->addObserver(QStringLiteral("dockBadgeCount"), this,
                                                  [this](const auto&) { p_updateBadge(); });
    }
    p_updateBadge();
    p_scheduleSync(0.5);
    m_updateProgress->close();
    Q_EMIT libraryDidOpen();
}

void AppDelegate::p_resumeTiming(TDTask* task) {
    TDTaskTimerWindow* timer = TDTaskTimerWindow::shared();
    if (!timer) {
        task->setTiming(true);
        return;
    }
    // Resuming is bookkeeping, not a step to undo.
    platform::ManagedObjectContext* context = task->managedObjectContext();
    platform::UndoManager* undo = context ? context->undoManager() : nullptr;
    if (context) context->processPendingChanges();
    if (undo) undo->disableUndoRegistration();
    timer->setTask(task);
    if (!platform::UserDefaults::standard().boolean(QStringLiteral("timerWindowHidden"))) timer->showWindow();
    timer->startTiming();
    if (context) context->processPendingChanges();
    if (undo) undo->enableUndoRegistration();
}

void AppDelegate::p_activeLibraryWillChange() {
    // Another library has its own account and sync state.
    m_shownSyncErrorCode.reset();
    m_fullSyncNoticeGiven = false;
    if (m_observedLibrary && m_observedLibrary == m_manager.library())
        m_observedLibrary->removeObserver(m_badgeObservation);
    m_observedLibrary = nullptr;
    m_services.mainWindow.activeLibraryWillChange();
    if (m_manager.library()) {
        m_manager.finishPendingOperations();
        m_manager.saveOptionsDictionary();
    }
}

void AppDelegate::p_activeLibraryDidChange() {
    if (m_launching) return;  // the launch opens the restored library itself
    if (!m_manager.library()) {
        // A restore replaced the package: read the new one.
        m_manager.copyOptionsToUserDefaults();
        const Result<TDLibrary*> loaded = m_manager.loadLibrary();
        if (!loaded.ok()) {
            presentError(loaded.error(), QStringLiteral("Could not open the restored library"));
            p_endProgram(1);
            return;
        }
    }
    m_services.mainWindow.showMainWindow();
    m_services.mainWindow.expandSourceList();
    m_restoringLibrary = false;
}

void AppDelegate::setBadgeSink(TDBadgeSink* sink) {
    m_badgeSink = sink;
    p_updateBadge();
}

void AppDelegate::p_updateBadge() {
    if (!m_badgeSink) return;
    const TDLibrary* library = m_manager.library();
    m_badgeSink->setBadgeCount(library ? static_cast<int>(library->dockBadgeCount()) : 0);
}

void AppDelegate::dateChanged() {
    TDLibrary* library = m_manager.library();
    if (!library) return;
    m_manager.changeObjectsAfterDateChangeIfNecessary();
    m_services.mainWindow.reloadAfterDateChange();
    library->recalculateTransientProperties();
}

void AppDelegate::localeChanged() {
    m_services.mainWindow.redisplay();
}

// ---------------------------------------------------------------------------------------------------
// Sleep, wake and the network

void AppDelegate::systemWillSleep() {
    TDLibrary* library = m_manager.library();
    if (!library) return;
    m_manager.saveLibrary();
    if (!m_manager.optionForKey(QStringLiteral("corvaneSyncEnabled")).toBool()) return;
    const TDSyncSet* syncSet = library->corvaneSyncSet(false);
    if (!syncSet || syncSet->items().isEmpty()) return;
    logWithLevel(TDLogInfo, "INFO", "Syncing before sleep");
    m_services.syncControl.sync();
}

void AppDelegate::systemDidWake() {
    syncPostWakeFromSleepAfterDelay(0.5);
}

void AppDelegate::syncPostWakeFromSleepAfterDelay(double delay) {
    logWithLevel(TDLogDebug, "DEBUG", "syncPostWakeFromSleepAfterDelay: %lf", delay);
    p_afterDelay(delay, [this, delay] {
        if (m_services.syncControl.isNetworkReachable()) {
            if (m_manager.library()) m_manager.saveLibrary();
            p_cancelScheduledSync();
            logWithLevel(TDLogDebug, "DEBUG", "  Network reachable. Scheduling sync after 1 second");
            p_scheduleSync(1.0);
        } else if (delay < kWakeRetryLimitSeconds) {
            logWithLevel(TDLogDebug, "DEBUG", "  Network NOT reachable.");
            syncPostWakeFromSleepAfterDelay(delay * 2);
        }
    });
}

void AppDelegate::networkBecameReachable() {
    if (m_manager.library()) m_manager.saveLibrary();
    logWithLevel(TDLogDebug, "DEBUG", "  Schedule sync because network is now reachable");
    p_cancelScheduledSync();
    p_scheduleSync(1.0);
}

void AppDelegate::p_scheduleSync(double seconds) {
    const int generation = ++m_syncGeneration;
    p_afterDelay(seconds, [this, generation] {
        if (generation == m_syncGeneration && m_manager.library()) m_services.syncControl.sync();
    });
}

void AppDelegate::p_cancelScheduledSync() {
    ++m_syncGeneration;
}

void AppDelegate::p_afterDelay(double seconds, std::function<void()> call) {
    if (m_scheduleCall) {
        m_scheduleCall(seconds, std::move(call));
        return;
    }
    QTimer::singleShot(std::chrono::milliseconds(static_cast<qint64>(seconds * 1000)), this, std::move(call));
}
