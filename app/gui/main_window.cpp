#include "app/gui/main_window.h"

#include "app/group_tabs.h"
#include "app/groups_controller.h"
#include "app/gui/group_tab_control.h"
#include "app/gui/groups_view.h"
#include "app/gui/message_box_prompter.h"
#include "app/gui/source_list_pane.h"
#include "app/main_window_layout.h"
#include "model/library.h"
#include "platform/defaults/user_defaults.h"
#include "store/gui/import_window_controller.h"
#include "store/library_manager.h"
#include "taskviews/gui/task_edit_menu.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/tasks_controller.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>

namespace Layout = TDMainWindowLayout;

namespace {

constexpr int kFirstSourceListWidth = 220;

platform::UserDefaults& defaults() {
    return platform::UserDefaults::standard();
}

}  // namespace

TDMainWindow::TDMainWindow(TDLibraryManager& manager, QWidget* parent)
    : TDTasksWindow(parent),
      m_manager(manager),
      m_prompter(std::make_unique<TDMessageBoxPrompter>(this)),
      m_groups(std::make_unique<TDGroupsController>(manager)),
      m_tabs(new TDGroupTabs(defaults(), this)),
      m_mainSplit(new QSplitter(Qt::Horizontal, this)),
      m_sourceList(new TDSourceListPane(*m_groups, m_prompter.get(), m_mainSplit)),
      m_tabControl(new TDGroupTabControl(*m_tabs)),
      m_tasksViewController(new TDTasksViewController(manager)) {
    setWindowTitle(QStringLiteral("Ordello"));
    setObjectName(QStringLiteral("MainWindow"));

    auto* tasksSide = new QWidget(m_mainSplit);
    auto* tasksLayout = new QVBoxLayout(tasksSide);
    tasksLayout->setContentsMargins(0, 0, 0, 0);
    tasksLayout->setSpacing(0);
    tasksLayout->addWidget(m_tabControl);
    tasksLayout->addWidget(m_tasksViewController, 1);

    m_sourceList->setMinimumWidth(Layout::kMinimumSourceListWidth);
    m_mainSplit->setHandleWidth(Layout::kDividerThickness);
    m_mainSplit->setChildrenCollapsible(false);
    m_mainSplit->setCollapsible(0, true);
    m_mainSplit->setStretchFactor(0, 0);
    m_mainSplit->setStretchFactor(1, 1);
    m_mainSplit->setStyleSheet(QStringLiteral("QSplitter::handle { background: #a8a8a8; }"));
    setCentralWidget(m_mainSplit);
    connect(m_mainSplit, &QSplitter::splitterMoved, this, &TDMainWindow::p_dividerMoved);

    m_controller = std::make_unique<TDMainWindowController>(manager, *m_groups, *m_tabs,
                                                            m_tasksViewController->tasksController());
    m_controller->setView(this);
    m_groups->setPresentation(m_sourceList->groupsView());
    setDelegate(this);
    setFocusProxy(&m_tasksViewController->tasksView());

    p_restoreLayout();
    m_controller->restoreState();
}

TDMainWindow::~TDMainWindow() {
    setDelegate(nullptr);
    m_controller.reset();
    m_groups->setPresentation(nullptr);
    m_groups->setTasksController(nullptr);
    // The views go before the controllers they show.
    delete m_mainSplit;
}

bool TDMainWindow::isSourceListHidden() const {
    return m_sourceList->isHidden() || m_mainSplit->sizes().value(0) == 0;
}

void TDMainWindow::toggleSourceList() {
    const bool hide = !isSourceListHidden();
    if (hide) {
        defaults().setValue(SourceListWidthKey, m_sourceList->width());
        m_sourceList->hide();
    } else {
        m_sourceList->show();
        const int width = qMax(Layout::kMinimumSourceListWidth, defaults().integer(SourceListWidthKey));
        const int total = m_mainSplit->width() - Layout::kDividerThickness;
        m_mainSplit->setSizes({width, qMax(0, total - width)});
    }
    defaults().setValue(HideSourceListKey, hide);
    if (m_toggleSourceListAction)
        m_toggleSourceListAction->setText(hide ? tr("Show Source List") : tr("Hide Source List"));
    p_resetMinimumSize();
}

void TDMainWindow::saveLayout() {
    defaults().setValue(FrameKey, Layout::frameToString(geometry()));
    if (!isSourceListHidden()) defaults().setValue(SourceListWidthKey, m_sourceList->width());
    QVariantList lengths;
    for (int length : m_mainSplit->sizes()) lengths.append(length);
    defaults().setValue(SplitLengthsKey, lengths);
    m_controller->saveState();
}

void TDMainWindow::p_restoreLayout() {
    const QVariantList lengths = defaults().value(SplitLengthsKey).toList();
    const int savedWidth = defaults().integer(SourceListWidthKey);
    const int width = lengths.size() == 2 ? lengths.at(0).toInt() : savedWidth;
    if (width > 0)
        m_mainSplit->setSizes({qMax(Layout::kMinimumSourceListWidth, width), 1});
    else
        m_mainSplit->setSizes({220, 1});
    if (defaults().boolean(HideSourceListKey)) m_sourceList->hide();
    p_resetMinimumSize();
}

void TDMainWindow::p_restoreFrame() {
    const QRect saved = Layout::frameFromString(defaults().string(FrameKey));
    if (saved.isValid()) {
        setGeometry(saved);
        return;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    setGeometry(Layout::firstWindowFrame(screen ? screen->availableGeometry() : QRect()));
}

void TDMainWindow::p_dividerMoved() {
    if (m_mainSplit->sizes().value(0) == 0 && m_sourceList->isVisible()) {
        // Dragged shut: hidden as the menu item would hide it, keeping the width it had.
        m_sourceList->hide();
        defaults().setValue(HideSourceListKey, true);
        if (m_toggleSourceListAction) m_toggleSourceListAction->setText(tr("Show Source List"));
        p_resetMinimumSize();
        return;
    }
    if (!isSourceListHidden()) defaults().setValue(SourceListWidthKey, m_mainSplit->sizes().value(0));
}

void TDMainWindow::p_fitSourceListToWindow() {
    // Sizes given before the window has its frame would be squeezed by the minimum of the tasks side.
    if (m_sourceList->isHidden() || !isVisible()) return;
    // The splitter must have the window's width before it takes sizes, or it squeezes them.
    layout()->activate();
    const int splitWidth = m_mainSplit->width();
    m_sourceList->setMaximumWidth(Layout::maximumSourceListWidth(splitWidth));
    const int current =
        m_pendingSourceListWidth > 0 ? m_pendingSourceListWidth : m_mainSplit->sizes().value(0);
    m_pendingSourceListWidth = 0;
    const int width = qMin(Layout::maximumSourceListWidth(splitWidth),
                           Layout::sourceListWidthAfterResize(current, splitWidth));
    m_mainSplit->setSizes({width, qMax(0, splitWidth - width - Layout::kDividerThickness)});
}

void TDMainWindow::p_resetMinimumSize() {
    setMinimumSize(Layout::minimumWindowSize(m_sourceList->isHidden()));
}

void TDMainWindow::resizeEvent(QResizeEvent* event) {
    TDTasksWindow::resizeEvent(event);
    p_fitSourceListToWindow();
}

void TDMainWindow::showMainWindow() {
    if (!isVisible()) p_restoreFrame();
    show();
    p_fitSourceListToWindow();
    raise();
    activateWindow();
    if (m_manager.library() && !m_groups->selectedGroup() && !m_groups->shownGroup())
        m_groups->selectGroup(m_manager.library()->todayGroup());
}

void TDMainWindow::expandSourceList() {
    if (TDLibrary* library = m_manager.library()) m_groups->expandGroup(library->foldersGroup());
}

void TDMainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->clear();
    QMenu* file = bar->addMenu(tr("&File"));
    file->addAction(tr("New Tab"), QKeySequence(Qt::CTRL | Qt::Key_T), this,
                    [this] { m_controller->newTab(); });
    file->addAction(tr("Close Tab"), QKeySequence(Qt::CTRL | Qt::Key_W), this,
                    [this] { m_controller->closeTab(); });
    file->addAction(tr("Close Window"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W), this,
                    [this] { close(); });
    file->addSeparator();
    file->addAction(tr("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), this,
                    [this] { Q_EMIT closeRequested(); });

    TDAddTaskEditActions(bar->addMenu(tr("&Edit")), m_tasksViewController->tasksController());

    QMenu* view = bar->addMenu(tr("&View"));
    m_toggleSourceListAction =
        view->addAction(isSourceListHidden() ? tr("Show Source List") : tr("Hide Source List"),
                        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S), this, [this] { toggleSourceList(); });
    view->addSeparator();
    const struct {
        QString title;
        int key;
        TDGroupsController::GotoTarget target;
    } gotos[] = {{tr("Go to Inbox"), Qt::Key_1, TDGroupsController::GotoInbox},
                 {tr("Go to Today"), Qt::Key_2, TDGroupsController::GotoToday},
                 {tr("Go to Upcoming"), Qt::Key_3, TDGroupsController::GotoUpcoming}};
    for (const auto& item : gotos) {
        const TDGroupsController::GotoTarget target = item.target;
        view->addAction(item.title, QKeySequence(Qt::CTRL | Qt::ALT | item.key), this,
                        [this, target] { m_groups->gotoGroup(target); });
    }

    QMenu* window = bar->addMenu(tr("&Window"));
    window->addAction(tr("Select Next Tab"), this, [this] { m_controller->selectNextTab(); });
    window->addAction(tr("Select Previous Tab"), this, [this] { m_controller->selectPreviousTab(); });
}

bool TDMainWindow::closeAllWindows(bool restoring) {
    saveLayout();
    m_closingForQuit = true;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (restoring && qobject_cast<TDImportWindowController*>(window)) continue;
        if (window->isVisible()) window->close();
    }
    m_closingForQuit = false;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) return false;
    return true;
}

void TDMainWindow::reloadAfterDateChange() {
    m_tasksViewController->tasksController().reloadAfterDateChange();
}

void TDMainWindow::redisplay() {
    for (QWidget* window : QApplication::topLevelWidgets()) window->update();
}

void TDMainWindow::closeEvent(QCloseEvent* event) {
    if (m_closingForQuit) {
        event->accept();
        return;
    }
    // The quit sequence closes the window once the library is saved.
    event->ignore();
    Q_EMIT closeRequested();
}

bool TDMainWindow::isTasksViewEditing() const {
    const TDTasksController& tasks = m_tasksViewController->tasksController();
    return tasks.isEditingTitle() || tasks.isEditingNote();
}

bool TDMainWindow::isEditingGroupTitle() const {
    return m_sourceList->groupsView()->isEditingTitle();
}

void TDMainWindow::focusTasksView() {
    makeFirstResponder(&m_tasksViewController->tasksView());
}

void TDMainWindow::windowDidSetFirstResponder(QWidget* responder, bool changed) {
    Q_UNUSED(responder)
    Q_UNUSED(changed)
}

void TDMainWindow::keyDown(QKeyEvent* event) {
    if (event->key() == Qt::Key_Tab)
        m_controller->selectNextTab();
    else
        m_controller->selectPreviousTab();
}

std::unique_ptr<TDMainWindow> TDMakeMainWindow(TDLibraryManager& manager) {
    auto window = std::make_unique<TDMainWindow>(manager);
    window->buildMenus();
    return window;
}
