#include "app/app_delegate.h"
#include "app/crash_marker.h"
#include "app/desktop_requests.h"
#include "app/gui/application_menus.h"
#include "app/gui/file_dialog_library_chooser.h"
#include "app/gui/import_window_restorer.h"
#include "app/gui/launcher_badge_sink.h"
#include "app/gui/main_window.h"
#include "app/gui/message_box_prompter.h"
#include "app/gui/option_key_watcher.h"
#include "app/quit_signal_watcher.h"
#include "app/sync_control.h"
#include "foundation/date_change_notifier.h"
#include "foundation/default_settings.h"
#include "foundation/gui/tooltip_shortcut.h"
#include "foundation/is_integer_transformer.h"
#include "foundation/log_files.h"
#include "foundation/private_folders.h"
#include "foundation/version.h"
#include "language/natural_language_value_transformers.h"
#include "model/natural_language_recurrence_rule_value_transformer.h"
#include "platform/base/local_zone.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/desktop/bus/hand_over_arguments.h"
#include "platform/desktop/bus/instance_service.h"
#include "platform/desktop/desktop_workspace.h"
#include "platform/desktop/sleep_watcher.h"
#include "platform/reachability/network_reachability.h"
#include "store/gui/library_update_window_controller.h"
#include "store/library_manager.h"
#include "sync/calendar_store_sync_manager.h"
#include "sync/corvane_sync_operation.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMenuBar>
#include <QRandomGenerator>
#include <QTimer>

#include <sys/stat.h>
#include <cstdlib>

int main(int argc, char** argv) {
    // Before anything is written: the library, its backups, the settings and the logs are the user's alone.
    umask(TDPrivateCreationMask);
    // Before any thread starts or any time is converted.
    TDAdoptSystemTimeZone();
    // Before anything reads a setting.
    registerDefaultSettings(platform::UserDefaults::standard());
    registerIntegerTransformers();
    registerNaturalLanguageValueTransformers();
    TDNaturalLanguageRecurrenceRuleValueTransformer::registerTransformer();
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("ordello"));
    QApplication::setApplicationName(QStringLiteral("Ordello"));
    QApplication::setOrganizationName(QString());
    QApplication::setApplicationVersion(QStringLiteral(ORDELLO_VERSION));

    QCommandLineParser parser;
    const QCommandLineOption chooseLibraryOption(QStringLiteral("choose-library"));
    parser.addOption(chooseLibraryOption);
    // Options of no meaning here are no reason to refuse the files.
    (void)parser.parse(QCoreApplication::arguments());
    const QStringList opened = platform::handOverArguments(parser.positionalArguments(), QDir::current());
    // A later process hands its files to the running one and ends before it writes a log of its own.
    platform::InstanceService instanceService;
    if (instanceService.claim(opened) == platform::InstanceService::Claim::HandedOver) return 0;

    // The newest log before this run's own is the one a crash report would want.
    const QString previousLog = latestLogFilePath();
    pruneLogFiles(logFileNamePrefix());
    redirectStandardErrorToFile(logFilePath());
    readLogLevelDefault();
    logWithLevel(TDLogInfo, "INFO", "Starting");
    instanceService.logUnclaimed();
    std::srand(QRandomGenerator::system()->generate());
    app.installEventFilter(new TDTooltipShortcutFilter(&app));
    app.installEventFilter(new TDOptionKeyWatcher(&app));
    TDCrashMarker crashMarker(TDCrashMarker::defaultPath());
    crashMarker.noteStart(previousLog);

    TDLibraryManager manager;
    TDLibraryManager::setSharedManager(&manager);
    platform::DesktopWorkspace workspace;
    platform::Workspace::setShared(&workspace);
    TDInstallCorvaneSyncOperation();
    // Before the library opens, so that it sees the library load.
    TDCalendarStoreSyncManager calendarSync(&manager);
    const std::unique_ptr<TDMainWindow> mainWindow = TDMakeMainWindow(manager);
    TDMainWindow& window = *mainWindow;
    TDMessageBoxPrompter prompter(&window);
    TDFileDialogLibraryChooser chooser(&window);
    TDMakeDataFoldersPrivate(manager.libraryPath());
    TDImportWindowRestorer restorer(manager, prompter);
    TDLibrarySyncControl syncControl(manager);
    TDLauncherBadgeSink badge;
    AppDelegate delegate(manager, {prompter, chooser, window, restorer, syncControl});
    TDSetAppDelegate(&delegate);
    delegate.setBadgeSink(&badge);
    TDLibraryUpdateWindowController updateWindow(delegate.updateProgress());
    TDApplicationMenus applicationMenus(window, manager, delegate, prompter, restorer,
                                        platform::UserDefaults::standard());
    QObject::connect(&window, &TDMainWindow::menusBuilt, &applicationMenus,
                     [&applicationMenus](QMenuBar* bar) { applicationMenus.install(*bar); });

    // Files, links and text from other programs wait for the library the launch opens.
    TDDesktopRequests requests(delegate, manager);
    requests.open(opened);
    QObject::connect(&instanceService, &platform::InstanceService::openRequested, &requests,
                     &TDDesktopRequests::open);
    QObject::connect(&instanceService, &platform::InstanceService::reopenRequested, &delegate,
                     &AppDelegate::showMainWindow);
    instanceService.setTaskCreationHandler(
        [&requests](const QString& text, TDDesktopRequests::TaskCreationReply reply) {
            requests.createTasksFromText(text, std::move(reply));
        });

    platform::SleepWatcher sleepWatcher;
    QObject::connect(&sleepWatcher, &platform::SleepWatcher::willSleep, &delegate,
                     &AppDelegate::systemWillSleep);
    QObject::connect(&sleepWatcher, &platform::SleepWatcher::didWake, &delegate, &AppDelegate::systemDidWake);
    const std::unique_ptr<TDNetworkReachability> reachability =
        TDNetworkReachability::reachabilityForInternetConnection();
    bool networkReachable = reachability->currentReachabilityStatus() == TDNetworkReachability::Reachable;
    QObject::connect(reachability.get(), &TDNetworkReachability::reachabilityChanged, &delegate, [&] {
        const bool reachable = reachability->currentReachabilityStatus() == TDNetworkReachability::Reachable;
        if (reachable && !networkReachable) delegate.networkBecameReachable();
        networkReachable = reachable;
    });
    reachability->startNotifier();

    // Quitting saves first; a failed save may keep the program running.
    QApplication::setQuitOnLastWindowClosed(false);
    TDQuitSignalWatcher quitSignals;
    QObject::connect(&quitSignals, &TDQuitSignalWatcher::quitRequested, &delegate, &AppDelegate::terminate);
    QObject::connect(&window, &TDMainWindow::closeRequested, &delegate, &AppDelegate::terminate);
    QObject::connect(&delegate, &AppDelegate::quitCancelled, &window, &TDMainWindow::showMainWindow);
    QObject::connect(&delegate, &AppDelegate::exitRequested, &app, &QCoreApplication::exit);

    TDLaunchOptions options;
    options.chooseLibrary = parser.isSet(chooseLibraryOption);
    options.isAltKeyHeld = [] { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier); };
    delegate.applicationWillFinishLaunching();
    int status = 0;
    if (const std::optional<int> ended = delegate.applicationDidFinishLaunching(options)) {
        status = *ended;
    } else {
        TDDateChangeNotifier::shared().start();
        // Inside the event loop: what waited may switch the library, or end the program.
        QTimer::singleShot(0, &requests, &TDDesktopRequests::launchDidFinish);
        status = QApplication::exec();
    }
    instanceService.setTaskCreationHandler(nullptr);
    delegate.setBadgeSink(nullptr);
    TDSetAppDelegate(nullptr);
    TDLibraryManager::setSharedManager(nullptr);
    platform::Workspace::setShared(nullptr);
    logWithLevel(TDLogInfo, "INFO", "Quitting with status %ld", static_cast<long>(status));
    crashMarker.noteCleanQuit();
    return status;
}
