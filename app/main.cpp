#include "app/gui/message_box_prompter.h"
#include "app/library_session.h"
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
#include "store/library_manager.h"

#include <QApplication>
#include <QMainWindow>
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

    pruneLogFiles(logFileNamePrefix());
    redirectStandardErrorToFile(logFilePath());
    readLogLevelDefault();
    logWithLevel(TDLogInfo, "INFO", "Starting");
    std::srand(QRandomGenerator::system()->generate());
    app.installEventFilter(new TDTooltipShortcutFilter(&app));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Ordello"));
    window.resize(900, 600);

    TDMessageBoxPrompter prompter(&window);
    TDLibraryManager manager;
    TDLibraryManager::setSharedManager(&manager);
    TDMakeDataFoldersPrivate(manager.libraryPath());
    TDLibrarySession session(manager, prompter);
    if (!session.openOrCreateLibrary()) return 1;

    // Quitting saves first; a failed save may keep the program running.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &session, [&session, &window] {
        if (!session.quit()) window.show();
    });
    QObject::connect(&session, &TDLibrarySession::quitCancelled, &window, &QWidget::show);
    window.show();
    TDDateChangeNotifier::shared().start();
    const int status = QApplication::exec();
    TDLibraryManager::setSharedManager(nullptr);
    return status;
}
