#include "app/crash_marker.h"
#include "app/desktop_requests.h"
#include "app/gui/ordello_composition.h"
#include "app/quit_signal_watcher.h"
#include "auxiliary/gui/scripting_bus.h"
#include "foundation/default_settings.h"
#include "foundation/log_files.h"
#include "foundation/private_folders.h"
#include "foundation/version.h"
#include "platform/base/local_zone.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/desktop/bus/hand_over_arguments.h"
#include "platform/desktop/bus/instance_service.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
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
    TDRegisterValueTransformers();
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("ordello"));
    QApplication::setApplicationName(QStringLiteral("Ordello"));
    QApplication::setOrganizationName(QString());
    QApplication::setApplicationVersion(QStringLiteral(ORDELLO_VERSION));

    QCommandLineParser parser;
    const QCommandLineOption chooseLibraryOption(QStringLiteral("choose-library"));
    parser.addOption(chooseLibraryOption);
    // For the desktop's own shortcut settings: toggles quick entry in the running Ordello.
    const QCommandLineOption quickEntryOption(QStringLiteral("quick-entry"));
    const QCommandLineOption quickEntryContextOption(QStringLiteral("quick-entry-context"));
    parser.addOption(quickEntryOption);
    parser.addOption(quickEntryContextOption);
    // Options of no meaning here are no reason to refuse the files.
    (void)parser.parse(QCoreApplication::arguments());
    const QStringList opened = platform::handOverArguments(parser.positionalArguments(), QDir::current());
    // A later process hands its files to the running one and ends before it writes a log of its own.
    platform::InstanceService instanceService;
    const bool quickEntry = parser.isSet(quickEntryOption) || parser.isSet(quickEntryContextOption);
    const QString activationToken = platform::activationTokenFromEnvironment();
    if (quickEntry)
        instanceService.setQuickEntryRequest(parser.isSet(quickEntryContextOption), activationToken);
    if (instanceService.claim(opened) == platform::InstanceService::Claim::HandedOver) return 0;

    // The newest log before this run's own is the one a crash report would want.
    const QString previousLog = latestLogFilePath();
    pruneLogFiles(logFileNamePrefix());
    redirectStandardErrorToFile(logFilePath());
    readLogLevelDefault();
    logWithLevel(TDLogInfo, "INFO", "Starting");
    instanceService.logUnclaimed();
    std::srand(QRandomGenerator::system()->generate());
    TDCrashMarker crashMarker(TDCrashMarker::defaultPath());
    crashMarker.noteStart(previousLog);

    TDOrdelloComposition ordello;
    TDDesktopRequests& requests = ordello.requests();
    requests.open(opened);
    QObject::connect(&instanceService, &platform::InstanceService::openRequested, &requests,
                     &TDDesktopRequests::open);
    QObject::connect(&instanceService, &platform::InstanceService::reopenRequested, &ordello.delegate(),
                     &AppDelegate::showMainWindow);
    QObject::connect(&instanceService, &platform::InstanceService::quickEntryRequested, &requests,
                     &TDDesktopRequests::toggleQuickEntry);
    // Started for quick entry with no Ordello running: it opens once the library is.
    if (quickEntry) requests.toggleQuickEntry(parser.isSet(quickEntryContextOption), activationToken);
    instanceService.setTaskCreationHandler(
        [&requests](const QString& text, TDDesktopRequests::TaskCreationReply reply) {
            requests.createTasksFromText(text, std::move(reply));
        });
    // Scripts reach the library on the service's bus while this process serves it.
    TDScriptingBus scripting(ordello.scriptingHost(), instanceService);
    TDQuitSignalWatcher quitSignals;
    QObject::connect(&quitSignals, &TDQuitSignalWatcher::quitRequested, &ordello,
                     &TDOrdelloComposition::quit);
    QObject::connect(&ordello, &TDOrdelloComposition::exitRequested, &app, &QCoreApplication::exit);

    TDLaunchOptions options;
    options.chooseLibrary = parser.isSet(chooseLibraryOption);
    options.isAltKeyHeld = [] { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier); };
    int status = 0;
    if (const std::optional<int> ended = ordello.launch(options))
        status = *ended;
    else
        status = QApplication::exec();
    instanceService.setTaskCreationHandler(nullptr);
    logWithLevel(TDLogInfo, "INFO", "Quitting with status %ld", static_cast<long>(status));
    crashMarker.noteCleanQuit();
    return status;
}
