#include "platform/base/log.h"
#include "foundation/date_change_notifier.h"
#include "foundation/default_settings.h"
#include "foundation/gui/tooltip_shortcut.h"
#include "foundation/is_integer_transformer.h"
#include "foundation/log_files.h"
#include "foundation/version.h"
#include "language/natural_language_value_transformers.h"
#include "platform/defaults/user_defaults.h"

#include <QApplication>
#include <QMainWindow>
#include <QRandomGenerator>

#include <cstdlib>
#include <sys/stat.h>

int main(int argc, char** argv) {
    // Before anything reads a setting.
    registerDefaultSettings(platform::UserDefaults::standard());
    registerIntegerTransformers();
    umask(022);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ordello"));
    QApplication::setOrganizationName(QString());
    QApplication::setApplicationVersion(QStringLiteral(ORDELLO_VERSION));
    registerNaturalLanguageValueTransformers();

    pruneLogFiles(logFileNamePrefix());
    redirectStandardErrorToFile(logFilePath());
    readLogLevelDefault();
    logWithLevel(TDLogInfo, "INFO", "Starting");
    std::srand(QRandomGenerator::system()->generate());
    app.installEventFilter(new TDTooltipShortcutFilter(&app));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Ordello"));
    window.resize(900, 600);
    window.show();
    TDDateChangeNotifier::shared().start();
    return QApplication::exec();
}
