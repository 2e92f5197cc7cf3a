#include "app/app_delegate.h"
#include "app/crash_marker.h"
#include "app/gui/file_dialog_library_chooser.h"
#include "app/gui/import_window_restorer.h"
#include "app/gui/message_box_prompter.h"
#include "app/gui/plain_main_window.h"
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
#include "store/gui/library_update_window_controller.h"
#include "store/library_manager.h"

#include <QApplication>
#include <QRandomGenerator>

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
    QApplication::setApplicationName(QStringLiteral("Ordello"));
    QApplication::setOrganizationName(QString());
    QApplication::setApplicationVersion(QStringLiteral(ORDELLO_VERSION));

    // The newest log before this run's own is the one a crash report would want.
    const QString previousLog = latestLogFilePath();
    pruneLogFiles(logFileNamePrefix());
    redirectStandardErrorToFile(logFilePath());
    readLogLevelDefault();
    logWithLevel(TDLogInfo, "INFO", "Starting");
    std::srand(QRandomGenerator::system()->generate());
    app.installEventFilter(new TDTooltipShortcutFilter(&app));
    TDCrashMarker crashMarker(TDCrashMarker::defaultPath());
    crashMarker.noteStart(previousLog);

    TDPlainMainWindow window;
    TDMessageBoxPrompter prompter(&window);
    TDFileDialogLibraryChooser chooser(&window);
    TDLibraryManager manager;
    TDLibraryManager::setSharedManager(&manager);
    TDMakeDataFoldersPrivate(manager.libraryPath());
    TDImportWindowRestorer restorer(manager, prompter);
    TDLibrarySyncControl syncControl(manager);
    AppDelegate delegate(manager, {prompter, chooser, window, restorer, syncControl});
    TDSetAppDelegate(&delegate);
    TDLibraryUpdateWindowController updateWindow(delegate.updateProgress());

    // Quitting saves first; a failed save may keep the program running.
    QApplication::setQuitOnLastWindowClosed(false);
    TDQuitSignalWatcher quitSignals;
    QObject::connect(&quitSignals, &TDQuitSignalWatcher::quitRequested, &delegate, &AppDelegate::terminate);
    QObject::connect(&window, &TDPlainMainWindow::closeRequested, &delegate, &AppDelegate::terminate);
    QObject::connect(&delegate, &AppDelegate::quitCancelled, &window, &TDPlainMainWindow::showMainWindow);
    QObject::connect(&delegate, &AppDelegate::exitRequested, &app, &QCoreApplication::exit);

    TDLaunchOptions options;
    options.chooseLibrary = QCoreApplication::arguments().contains(QStringLiteral("--choose-library"));
    options.isAltKeyHeld = [] { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier); };
    delegate.applicationWillFinishLaunching();
    int status = 0;
    if (const std::optional<int> ended = delegate.applicationDidFinishLaunching(options)) {
        status = *ended;
    } else {
        TDDateChangeNotifier::shared().start();
        status = QApplication::exec();
    }
    TDSetAppDelegate(nullptr);
    TDLibraryManager::setSharedManager(nullptr);
    logWithLevel(TDLogInfo, "INFO", "Quitting with status %ld", static_cast<long>(status));
    crashMarker.noteCleanQuit();
    return status;
}
