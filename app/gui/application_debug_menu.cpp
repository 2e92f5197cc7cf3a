// The Debug menu: commands for looking into a library and the program, shown while "enableDebugMenu"
// is on.
#include "app/app_delegate.h"
#include "app/backup_restorer.h"
#include "app/debug_library_commands.h"
#include "app/groups_controller.h"
#include "app/gui/application_menus.h"
#include "app/gui/groups_view.h"
#include "app/gui/main_window.h"
#include "app/gui/source_list_pane.h"
#include "controls/menu_shortcut_text.h"
#include "foundation/date_change_notifier.h"
#include "foundation/paths.h"
#include "model/group.h"
#include "platform/base/log.h"
#include "platform/notifications/notification_center.h"
#include "platform/operations/operation_queue.h"
#include "platform/plist/property_list.h"
#include "store/anonymized_library_operation.h"
#include "store/import_progress.h"
#include "store/library_maintenance.h"
#include "store/library_manager.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/task_menus.h"
#include "taskviews/tasks_controller.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

namespace {

// The depth of a menu below the menu bar: 0 for the bar's own menus.
void printShortcutRows(const QList<QAction*>& items, int level, QString& rows) {
    for (const QAction* item : items) {
        const QString title =
            item->text().remove(QLatin1Char('&')).replace(QStringLiteral("…"), QStringLiteral("..."));
        if (title == QStringLiteral("Debug")) continue;
        if (const QMenu* submenu = item->menu()) {
            QString below;
            printShortcutRows(submenu->actions(), level + 1, below);
            if (below.isEmpty()) continue;
            rows += QStringLiteral("\n<tr class=\"%1\"><td colspan=\"3\">%2 menu shortcuts</td></tr>\n")
                        .arg(level == 0 ? QStringLiteral("h2") : QStringLiteral("h3"), title);
            rows += below;
            continue;
        }
        if (item->shortcut().isEmpty()) continue;
        const TDKeyEquivalent equivalent = TDKeyEquivalentOf(item->shortcut()[0]);
        if (equivalent.key.isEmpty()) continue;
        rows += QStringLiteral("<tr class=\"lev%1\"><td>%2</td><td>%3</td><td>%4</td></tr>\n")
                    .arg(level)
                    .arg(title, TDKeyEquivalentDescription(equivalent),
                         TDKeyEquivalentShortDescription(equivalent));
    }
}

// What the trace commands write before they act: a rule and where they are.
void logTraceLines(const char* function, int line) {
    logWithLevel(TDLogDebug, "DEBUG", "%@", QString(61, QLatin1Char('-')));
    logWithLevel(TDLogDebug, "DEBUG", "%@ (Line %@)\n", QString::fromLatin1(function), line);
}

const QString kPropertyListFilter = QStringLiteral("Property lists (*.xml *.plist *.plist.gz *.gz)");

}  // namespace

void TDApplicationMenus::p_installDebugMenu(QMenuBar& bar) {
    QMenu* debug = bar.addMenu(QStringLiteral("Debug"));
    const auto add = [this, debug](const QString& title, std::function<void()> perform) {
        p_addCommand(*debug, TDApplicationCommand::Debug, title, std::move(perform));
    };
    add(QStringLiteral("Validate Library"), [this] { validateLibrary(); });
    add(QStringLiteral("Retrain Task Classifier"), [this] { retrainTaskClassifier(); });
    add(QStringLiteral("Print Menu Shortcuts"), [this, &bar] { printMenuShortcuts(bar); });
    debug->addSeparator();
    p_addCommand(*debug, TDApplicationCommand::ImportXML, QStringLiteral("Import XML…"),
                 [this] { importXML(); });
    add(QStringLiteral("Import from Plist XML…"), [this] { importFromPlistXML(); });
    add(QStringLiteral("Export Group to Plist XML…"), [this] { exportGroupToPlist(); });
    add(QStringLiteral("Save Anonymized Library…"), [this] { saveAnonymizedLibrary(); });
    add(QStringLiteral("Log First Responder"), [this] { logFirstResponder(); });
    add(QStringLiteral("Capture View"), [this] { captureView(); });
    add(QStringLiteral("Simulate Date Change"), [this] { simulateDateChange(); });
    add(QStringLiteral("Make Recurring Tasks"), [this] { makeRecurringTasks(); });
    debug->addSeparator();
    // The tasks' display orders, through the Task menu's validation like its own items.
    for (const auto& [title, action] :
         {std::pair{"Fix Display Order", "fixDisplayOrder"},
          std::pair{"Check Display Order", "checkDisplayOrder"}, std::pair{"Log Item Info", "logItemInfo"}}) {
        TDTaskMenuItem item;
        item.action = QString::fromLatin1(action);
        add(QString::fromLatin1(title),
            [this, item] { m_window.tasksViewController().tasksController().perform(item, false); });
    }
    debug->addSeparator();
    add(QStringLiteral("Raise Exception"), [this] { raiseException(); });
}

void TDApplicationMenus::validateLibrary() {
    // A library with problems has logged each of them already.
    if (TDLibrary* library = m_manager.library(); library && TDValidateLibrary(library))
        logWithLevel(TDLogInfo, "INFO", "No problems found with library");
}

void TDApplicationMenus::retrainTaskClassifier() {
    TDLibrary* library = m_manager.library();
    if (!library) return;
    if (const Status retrained = TDRetrainTaskClassifier(library); !retrained)
        m_delegate.handleError(retrained.error(), QStringLiteral("Could not retrain the task classifier"));
}

void TDApplicationMenus::importXML() {
    const std::optional<QString> path =
        m_files.openFile(QStringLiteral("Import XML"), applicationSupportPath(), kPropertyListFilter);
    // The restore says itself why a file cannot be read, and leaves the library as it was.
    if (path) m_importing = m_restorer.restoreLibraryFromBackupAtPath(*path);
}

void TDApplicationMenus::importFromPlistXML() {
    TDLibrary* library = m_manager.library();
    if (!library) return;
    const std::optional<QString> path = m_files.openFile(QStringLiteral("Import from Plist XML"),
                                                         applicationSupportPath(), kPropertyListFilter);
    if (!path) return;
    if (const Result<TDGroup*> imported = TDImportGroupFromPropertyList(library, *path); !imported)
        m_delegate.handleError(imported.error(), QStringLiteral("Could not import the group"));
}

void TDApplicationMenus::printMenuShortcuts(QMenuBar& bar) const {
    QString rows;
    printShortcutRows(bar.actions(), 0, rows);
    std::fputs(rows.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void TDApplicationMenus::exportGroupToPlist() {
    const TDGroup* group = m_window.groupsController().selectedGroup();
    if (!group) return;
    const QVariantMap form = group->propertyListRepresentationForCopying();
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const std::optional<QString> path = m_files.saveFile(
        QStringLiteral("Export Group"), QDir(folder).filePath(group->title() + QStringLiteral(".plist")),
        QStringLiteral("Property lists (*.plist)"));
    if (!path) return;
    if (const Result<QByteArray> xml = platform::writePropertyList(form); xml.ok())
        logWithLevel(TDLogDebug, "DEBUG", "plist: %@", QString::fromUtf8(*xml));
    if (const Status written = platform::writePropertyListFile(*path, form); !written.ok())
        logWithLevel(TDLogError, "ERROR", "Could not write plist xml file to \"%@\"", *path);
}

void TDApplicationMenus::saveAnonymizedLibrary() {
    const std::optional<QString> path =
        m_files.saveFile(QStringLiteral("Save Anonymized Library"),
                         QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                             .filePath(QStringLiteral("Anonymized.odllibrary")),
                         QStringLiteral("Ordello libraries (*.odllibrary)"));
    if (!path || !m_manager.saveLibrary()) return;
    // Copying and scrambling a library takes a while: never on the main thread.
    m_manager.exportOperationQueue()->addOperation(
        std::make_shared<TDAnonymizedLibraryOperation>(m_manager.libraryPath(), *path));
}

void TDApplicationMenus::captureView() const {
    logTraceLines(__func__, __LINE__);
    m_window.sourceListPane().groupsView()->viewport()->update();
}

void TDApplicationMenus::logFirstResponder() const {
    for (const QObject* responder = QApplication::focusWidget(); responder; responder = responder->parent())
        logWithLevel(
            TDLogInfo, "INFO", "Responder: %@",
            QStringLiteral("%1 \"%2\"")
                .arg(QString::fromLatin1(responder->metaObject()->className()), responder->objectName()));
}

void TDApplicationMenus::simulateDateChange() const {
    platform::NotificationCenter::defaultCenter().post(TDDateChangedNotification);
}

void TDApplicationMenus::makeRecurringTasks() {
    TDMakeRecurringTasks(m_manager.library());
}

void TDApplicationMenus::raiseException() const {
    // Ends the program as a crash would, leaving the crash marker for the next start to find; nothing
    // is thrown through the event loop.
    logWithLevel(TDLogError, "ERROR", "Test Exception: This is a test exception");
    std::abort();
}
