#include "app/gui/application_menus.h"

#include "app/app_delegate.h"
#include "app/backup_restorer.h"
#include "app/group_menu.h"
#include "app/groups_controller.h"
#include "app/gui/group_menu_actions.h"
#include "app/gui/main_window.h"
#include "app/library_backup_now.h"
#include "foundation/alert.h"
#include "foundation/paths.h"
#include "foundation/version.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/files/workspace.h"
#include "store/import_progress.h"
#include "store/library_maintenance.h"
#include "store/library_manager.h"
#include "sync/gui/sync_windows.h"
#include "sync/sync_now_progress.h"
#include "taskviews/gui/print_renderer.h"
#include "taskviews/gui/tasks_print_dialog.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/task_presentation.h"
#include "taskviews/tasks_controller.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>

namespace {

const QString kShowIncompleteTaskCount = QStringLiteral("showIncompleteTaskCount");
const QString kEnableDebugMenu = QStringLiteral("enableDebugMenu");

QMenu* menuTitled(QMenuBar& bar, const QString& title) {
    for (QAction* action : bar.actions())
        if (action->menu() && action->text().remove(QLatin1Char('&')) == title) return action->menu();
    return nullptr;
}

// Before the File menu's Quit, which stays last.
QAction* quitItem(QMenu& file) {
    const QList<QAction*> items = file.actions();
    for (qsizetype i = items.size() - 1; i >= 0; --i)
        if (items.at(i)->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_Q))
            return i > 0 && items.at(i - 1)->isSeparator() ? items.at(i - 1) : items.at(i);
    return nullptr;
}

TDApplicationFileQuestions fileDialogs(QWidget* parent) {
    return {[parent](const QString& title, const QString& suggested,
                     const QString& filter) -> std::optional<QString> {
                const QString path = QFileDialog::getSaveFileName(parent, title, suggested, filter);
                return path.isEmpty() ? std::nullopt : std::optional(path);
            },
            [parent](const QString& title, const QString& folder,
                     const QString& filter) -> std::optional<QString> {
                const QString path = QFileDialog::getOpenFileName(parent, title, folder, filter);
                return path.isEmpty() ? std::nullopt : std::optional(path);
            }};
}

}  // namespace

TDApplicationMenus::TDApplicationMenus(TDMainWindow& window, TDLibraryManager& manager, AppDelegate& delegate,
                                       TDAlertPrompter& prompter, TDBackupRestorer& restorer,
                                       platform::UserDefaults& defaults, QObject* parent)
    : QObject(parent),
      m_window(window),
      m_manager(manager),
      m_delegate(delegate),
      m_prompter(prompter),
      m_restorer(restorer),
      m_defaults(defaults),
      m_files(fileDialogs(&window)) {
    // The count's check mark follows the setting, however it changes.
    connect(&m_defaults, &platform::UserDefaults::valueChanged, this, [this](const QString& key) {
        if (key == kShowIncompleteTaskCount && m_taskCountAction)
            m_taskCountAction->setChecked(m_defaults.boolean(kShowIncompleteTaskCount));
    });
}

TDApplicationMenus::~TDApplicationMenus() = default;

QAction* TDApplicationMenus::action(TDApplicationCommand command) const {
    for (const auto& [made, action] : m_actions)
        if (made == command) return action;
    return nullptr;
}

void TDApplicationMenus::install(QMenuBar& bar) {
    // The window's menus are built anew, and with them these items.
    m_actions.clear();
    m_taskCountAction = nullptr;
    m_groupMenu = nullptr;
    if (QMenu* file = menuTitled(bar, tr("File"))) {
        QMenu items;
        p_addCommand(items, TDApplicationCommand::Print, tr("Print…"), [this] {
            print();
        })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
        items.addSeparator();
        p_addCommand(items, TDApplicationCommand::BackupLibrary, tr("Back Up Now…"),
                     [this] { backupLibrary(); });
        p_addCommand(items, TDApplicationCommand::RestoreLibrary, tr("Restore from Backup…"),
                     [this] { restoreLibrary(); });
        p_addCommand(items, TDApplicationCommand::Sync, tr("Sync Now"), [this] { sync(); });
        p_addCommand(items, TDApplicationCommand::FullSync, tr("Full Sync…"), [this] { fullSync(); });
        p_addCommand(items, TDApplicationCommand::FixLibrary, tr("Fix Library"), [this] { fixLibrary(); });
        p_addCommand(items, TDApplicationCommand::RevealLibrary, tr("Show Library in File Manager"),
                     [this] { revealLibrary(); });
        file->insertActions(quitItem(*file), items.actions());
        for (QAction* item : items.actions()) item->setParent(file);
        connect(file, &QMenu::aboutToShow, this, &TDApplicationMenus::validate);
    }
    if (QMenu* edit = menuTitled(bar, tr("Edit")); edit && m_windows.showPreferences) {
        edit->addSeparator();
        p_addCommand(*edit, TDApplicationCommand::Preferences, tr("Preferences…"), [this] {
            m_windows.showPreferences();
        })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    }
    if (QMenu* view = menuTitled(bar, tr("View"))) {
        view->addSeparator();
        m_taskCountAction =
            p_addCommand(*view, TDApplicationCommand::ToggleTaskCount, tr("Show Incomplete Task Count"),
                         [this] { m_window.groupsController().toggleTaskCount(); });
        m_taskCountAction->setCheckable(true);
        p_addCommand(*view, TDApplicationCommand::FullScreen, QString(), [this] {
            toggleFullScreen();
        })->setShortcut(QKeySequence(Qt::Key_F11));
        p_updateFullScreenTitle();
        connect(view, &QMenu::aboutToShow, this, &TDApplicationMenus::validate);
        // The source list's commands follow the View menu.
        m_groupMenu = new QMenu(tr("&Lists"), &bar);
        TDFillGroupMenu(*m_groupMenu, m_window.groupsController(), TDGroupMenuEntries(), true);
        const QList<QAction*> menus = bar.actions();
        const qsizetype viewIndex = menus.indexOf(view->menuAction());
        bar.insertMenu(menus.value(viewIndex + 1), m_groupMenu);
    }
    QMenu* help = bar.addMenu(tr("&Help"));
    p_addCommand(*help, TDApplicationCommand::Help, tr("Ordello Help"), [this] {
        showHelp(QString());
    })->setShortcut(QKeySequence::HelpContents);
    help->addSeparator();
    const struct {
        QString title;
        TDWebPage page;
    } pages[] = {{tr("Release Notes"), TDWebPage::ReleaseNotes},
                 {tr("Frequently Asked Questions"), TDWebPage::FrequentlyAskedQuestions},
                 {tr("User Forum"), TDWebPage::UserForum},
                 {tr("Ordello Website"), TDWebPage::Website}};
    for (const auto& page : pages) {
        const TDWebPage target = page.page;
        p_addCommand(*help, TDApplicationCommand::WebPage, page.title,
                     [this, target] { openWebPage(target); });
    }
    if (m_windows.showSupport) {
        help->addSeparator();
        p_addCommand(*help, TDApplicationCommand::Support, tr("Contact Support…"),
                     [this] { m_windows.showSupport(); });
    }
    if (m_windows.showAbout) {
        help->addSeparator();
        p_addCommand(*help, TDApplicationCommand::About, tr("About Ordello"),
                     [this] { m_windows.showAbout(); });
    }
    connect(help, &QMenu::aboutToShow, this, &TDApplicationMenus::validate);
    if (m_defaults.boolean(kEnableDebugMenu)) p_installDebugMenu(bar);
    validate();
}

QAction* TDApplicationMenus::p_addCommand(QMenu& menu, TDApplicationCommand command, const QString& title,
                                          std::function<void()> perform) {
    QAction* action = menu.addAction(title);
    connect(action, &QAction::triggered, this, [this, command, perform = std::move(perform)] {
        // A shortcut may fire while the menu's look is older than the state.
        if (p_isEnabled(command)) perform();
    });
    m_actions.append({command, action});
    return action;
}

TDApplicationMenuState TDApplicationMenus::menuState() const {
    TDApplicationMenuState state;
    state.upgradingAfterLibraryLoadError = m_delegate.isUpgradingAfterLibraryLoadError();
    state.mainWindowKey = m_window.isActiveWindow();
    state.mainWindowVisible = m_window.isVisible();
    state.sheetInFront = QApplication::activeModalWidget() != nullptr;
    state.restoringLibrary = m_delegate.isRestoringLibrary() || (m_importing && m_importing->isShown());
    state.syncEnabled =
        m_manager.library() && m_manager.optionForKey(QStringLiteral("corvaneSyncEnabled")).toBool();
    state.syncing = m_manager.isSyncing();
    const TDTaskPresentation* shown = m_window.tasksViewController().tasksController().presentation();
    state.tasksShown = shown && shown->numberOfRealRows() > 0;
    return state;
}

bool TDApplicationMenus::p_isEnabled(TDApplicationCommand command) const {
    return TDIsApplicationCommandEnabled(command, menuState());
}

void TDApplicationMenus::validate() {
    const TDApplicationMenuState state = menuState();
    for (const auto& [command, action] : m_actions) {
        action->setEnabled(TDIsApplicationCommandEnabled(command, state));
        if (command == TDApplicationCommand::Sync)
            action->setText(state.syncing ? tr("Syncing…") : tr("Sync Now"));
    }
    if (m_taskCountAction) m_taskCountAction->setChecked(m_defaults.boolean(kShowIncompleteTaskCount));
    p_updateFullScreenTitle();
}

void TDApplicationMenus::print() {
    m_printing = m_window.tasksViewController().makePrintRenderer(m_defaults);
    TDRunPrintDialog(*m_printing, &m_window);
    m_printing.reset();
}

void TDApplicationMenus::backupLibrary() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested = QDir(folder).filePath(TDBackupNowFileName(TDClock::currentDateTime().date()));
    const std::optional<QString> path =
        m_files.saveFile(tr("Backup Database"), suggested, tr("Ordello backups (*.odlbackup)"));
    if (!path) return;
    QString target = *path;
    if (!target.endsWith(QStringLiteral(".odlbackup"))) target += QStringLiteral(".odlbackup");
    if (!TDBackupLibraryNow(m_manager, target, this,
                            [this](bool written) { Q_EMIT backupFinished(written); }))
        Q_EMIT backupFinished(false);
}

void TDApplicationMenus::restoreLibrary() {
    const std::optional<QString> path = m_files.openFile(tr("Restore from Backup"), applicationSupportPath(),
                                                         tr("Ordello backups (*.odlbackup)"));
    if (path) m_delegate.restoreFromBackupAtPath(*path);
}

void TDApplicationMenus::sync() {
    if (!m_manager.saveLibrary()) return;
    if (!m_syncProgress) {
        m_syncProgress = new TDSyncNowProgress(this);
        connect(m_syncProgress, &TDSyncNowProgress::statusChanged, &m_window,
                &TDMainWindow::showStatusNotice);
        connect(m_syncProgress, &TDSyncNowProgress::failed, this,
                [this](const TDError& error, bool important) {
                    // The application shows the important ones itself.
                    if (!important && m_syncWindows) m_syncWindows->runModal(alertWithOrdelloError(error));
                });
    }
    m_syncProgress->follow();
    m_manager.sync();
}

void TDApplicationMenus::fullSync() {
    if (m_syncWindows) m_syncWindows->fullSync(&m_window);
}

void TDApplicationMenus::fixLibrary() {
    m_delegate.showMainWindow();
    TDLibrary* library = m_manager.library();
    if (!library) return;
    const quint64 fixed = TDFixLibrary(library);
    TDAlert alert;
    if (fixed > 0) {
        alert.messageText = tr("Fixed problems in task library");
        alert.informativeText = tr("%1 problems fixed.").arg(fixed);
    } else {
        alert.messageText = tr("No problems found in task library");
    }
    alert.buttons = {tr("OK")};
    m_prompter.runModal(alert);
}

void TDApplicationMenus::revealLibrary() {
    const QString package = m_manager.libraryPath();
    if (package.isEmpty()) return;
    if (platform::Workspace* workspace = platform::Workspace::shared()) workspace->showInFileManager(package);
}

void TDApplicationMenus::toggleFullScreen() {
    if (m_window.isFullScreen())
        m_window.showNormal();
    else
        m_window.showFullScreen();
    p_updateFullScreenTitle();
}

void TDApplicationMenus::p_updateFullScreenTitle() {
    if (QAction* fullScreen = action(TDApplicationCommand::FullScreen))
        fullScreen->setText(m_window.isFullScreen() ? tr("Exit Full Screen") : tr("Enter Full Screen"));
}

void TDApplicationMenus::showHelp(const QString& anchor) {
    m_delegate.showHelpForAnchor(anchor);
}

void TDApplicationMenus::openWebPage(TDWebPage page) {
    const QUrl url = TDWebPageURL(m_defaults, page, QStringLiteral(ORDELLO_VERSION));
    if (!url.isValid()) {
        logWithLevel(TDLogError, "ERROR", "The setting '%@' holds no web address", TDWebPageSettingKey(page));
        return;
    }
    if (platform::Workspace* workspace = platform::Workspace::shared()) workspace->openURL(url);
}
