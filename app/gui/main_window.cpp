#include "app/gui/main_window.h"
#include "auxiliary/gui/smart_folder_sheet_window_prompter.h"
#include "taskviews/gui/spelling_menu.h"

#include "app/close_shortcuts.h"

#include "app/group_tabs.h"
#include "app/groups_controller.h"
#include "app/gui/command_bar_submenu_view.h"
#include "app/gui/file_to_group_panel.h"
#include "app/gui/goto_view_controller.h"
#include "app/gui/group_tab_control.h"
#include "app/gui/groups_view.h"
#include "app/gui/hints_command_view_controller.h"
#include "app/gui/message_box_prompter.h"
#include "app/gui/source_list_pane.h"
#include "app/gui/tag_filter_view_controller.h"
#include "app/gui/toolbar_view_controller.h"
#include "app/gui/undo_menu_items.h"
#include "app/hints_strip.h"
#include "app/main_window_layout.h"
#include "controls/gui/button.h"
#include "controls/gui/function_bar.h"
#include "controls/gui/resize_grip.h"
#include "controls/menu_search.h"
#include "foundation/application_delegate.h"
#include "foundation/gui/key_event_additions.h"
#include "model/library.h"
#include "platform/defaults/user_defaults.h"
#include "store/gui/import_window_controller.h"
#include "store/library_manager.h"
#include "taskviews/gui/notes_editor.h"
#include "taskviews/gui/task_edit_menu.h"
#include "taskviews/gui/task_info_view.h"
#include "taskviews/gui/task_menu_builder.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/gui/title_editor.h"
#include "taskviews/tasks_controller.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QWheelEvent>

namespace Layout = TDMainWindowLayout;

namespace {

constexpr int kFirstSourceListWidth = 220;
// The status bar's button that brings the source list back.
constexpr int kShowSourceListButtonWidth = 31;
// Seconds the status bar takes to slide in or out.
constexpr double kStatusBarAnimationSeconds = 0.3;

platform::UserDefaults& defaults() {
    return platform::UserDefaults::standard();
}

// The funnel the filter indicator shows while a filter hides tasks.
QImage filterOnImage() {
    QImage image(QSize(9, 9) * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath funnel;
    funnel.moveTo(0, 0.5);
    funnel.lineTo(9, 0.5);
    funnel.lineTo(5.5, 4.5);
    funnel.lineTo(5.5, 8.5);
    funnel.lineTo(3.5, 7.5);
    funnel.lineTo(3.5, 4.5);
    funnel.closeSubpath();
    painter.fillPath(funnel, QColor(0x2f, 0x6f, 0xc4));
    return image;
}

// A window with a side pane: what the show-source-list button shows.
QIcon sourceListIcon() {
    QPixmap pixmap(QSize(15, 11) * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x4a, 0x4f, 0x55), 1.0));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 14, 10), 1.5, 1.5);
    painter.fillRect(QRectF(1, 1, 4.5, 9), QColor(0x4a, 0x4f, 0x55, 150));
    return QIcon(pixmap);
}

QWidget* filling(QWidget* child, QWidget* parent) {
    auto* layout = new QVBoxLayout(parent);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(child);
    return parent;
}

}  // namespace

TDMainWindow::TDMainWindow(TDLibraryManager& manager, TDAlertPrompter* prompter, QWidget* parent)
    : TDTasksWindow(parent),
      m_manager(manager),
      m_messageBoxes(prompter ? nullptr : std::make_unique<TDMessageBoxPrompter>(this)),
      m_prompter(prompter ? prompter : m_messageBoxes.get()),
      m_groups(std::make_unique<TDGroupsController>(manager)),
      m_tabs(new TDGroupTabs(defaults(), this)),
      m_mainSplit(new TDSplitView(Qt::Horizontal, this)),
      m_sourceListSide(new TDSplitViewSubview(m_mainSplit)),
      m_sourceList(new TDSourceListPane(*m_groups, m_prompter, m_sourceListSide)),
      m_tabControl(new TDGroupTabControl(*m_tabs)),
      m_tasksViewController(new TDTasksViewController(manager)) {
    setWindowTitle(QStringLiteral("Ordello"));
    setObjectName(QStringLiteral("MainWindow"));
    m_tasksViewController->setAlertPrompter(m_prompter);

    filling(m_sourceList, m_sourceListSide);
    auto* tasksSide = new TDSplitViewSubview(m_mainSplit);
    filling(p_makeTasksSide(tasksSide), tasksSide);
    m_mainSplit->setAutosaveName(QStringLiteral("MainSplitView"));
    m_mainSplit->addWidget(m_sourceListSide);
    m_mainSplit->addWidget(tasksSide);
    m_mainSplit->setStretchFactor(0, 0);
    m_mainSplit->setStretchFactor(1, 1);
    m_mainSplit->setDividerColor(QColor(0x9c, 0xa3, 0xaa));
    m_mainSplit->setDelegate(this);
    m_sourceList->splitView().setDelegate(this);
    setCentralWidget(m_mainSplit);

    m_controller = std::make_unique<TDMainWindowController>(manager, *m_groups, *m_tabs,
                                                            m_tasksViewController->tasksController());
    m_controller->setView(this);
    connect(m_controller.get(), &TDMainWindowController::statusTextChanged, this,
            [this] { m_statusLabel->setText(statusText()); });
    connect(m_controller.get(), &TDMainWindowController::taskFilterEnabledChanged, this,
            &TDMainWindow::p_taskFilterEnabledChanged);
    connect(m_controller.get(), &TDMainWindowController::syncStateChanged, this,
            &TDMainWindow::p_syncStateChanged);
    m_tabs->setTasksController(&m_tasksViewController->tasksController());
    for (auto signal : {&TDTabList::tabInserted, &TDTabList::tabRemoved})
        connect(m_tabs, signal, this, &TDMainWindow::p_updateCloseShortcuts);
    connect(m_tabs, &TDTabList::tabsReloaded, this, &TDMainWindow::p_updateCloseShortcuts);
    m_taskInfo = std::make_unique<TDTaskInfoViewController>(m_tasksViewController->tasksController());
    setInfoViewContent(new TDTaskInfoView(*m_taskInfo));
    m_groups->setPresentation(m_sourceList->groupsView());
    m_smartFolderSheets = std::make_unique<TDSmartFolderSheetWindowPrompter>(*this);
    m_groups->setSmartFolderSheetPrompter(m_smartFolderSheets.get());
    // A group clicked in the source list shows its tasks to type into.
    connect(m_sourceList->groupsView(), &TDGroupsView::focusReturnRequested, this,
            &TDMainWindow::focusTasksView);
    connect(m_groups.get(), &TDGroupsController::sourceListShowRequested, this, [this] {
        if (isSourceListHidden()) toggleSourceList();
    });
    setDelegate(this);
    setFocusProxy(&m_tasksViewController->tasksView());

    TDTasksController& tasks = m_tasksViewController->tasksController();
    m_toolbar = std::make_unique<TDToolbarViewController>(
        *m_groups, tasks, m_tasksViewController->tasksView(), m_tasksViewController);
    connect(m_toolbar.get(), &TDToolbarViewController::displayModeChosen, this,
            &TDMainWindow::toggleDisplayMode);
    connect(m_controller.get(), &TDMainWindowController::tasksModeChanged, m_toolbar.get(),
            &TDToolbarViewController::setMode);
    connect(m_controller.get(), &TDMainWindowController::toolbarLayoutNeedsUpdate, m_toolbar.get(),
            &TDToolbarViewController::updateLayout);
    m_toolbar->setMode(int(tasks.mode()));
    m_controller->setFileToGroupHandler(
        [this](const QList<TDTask*>& filed, int mode) { fileToGroupPanel().showForTasks(filed, mode); });

    m_commandBar = std::make_unique<TDCommandBarState>(defaults());
    m_commandBar->setPresentation(this);
    connect(m_commandBar.get(), &TDCommandBarState::modeChanged, this,
            &TDMainWindow::p_commandBarModeChanged);
    connect(m_commandBar.get(), &TDCommandBarState::commandWillShow, this, &TDMainWindow::p_commandWillShow);
    connect(m_commandBar.get(), &TDCommandBarState::gotoClosing, this, [this] {
        if (m_goto) m_goto->windowClosesGoto();
    });
    m_controller->setCommandBar(m_commandBar.get());
    // The title filter fields show the filter in force, however it was set or cleared.
    connect(&tasks, &TDTasksController::titleFilterChanged, this, &TDMainWindow::p_showTitleFilter);

    p_restoreLayout();
    m_controller->restoreState();
    m_statusLabel->setText(statusText());
    m_commandBar->setAnimates(false);
    m_commandBar->restore();
    m_commandBar->setAnimates(true);
}

TDMainWindow::~TDMainWindow() {
    // The bar hands the command views back before their controllers go.
    m_controller->setCommandBar(nullptr);
    m_commandBar->setPresentation(nullptr);
    m_submenuSplit->setDelegate(nullptr);
    delete m_commandBarView;
    m_gotoView.reset();
    m_goto.reset();
    m_controller->setFileToGroupHandler(nullptr);
    m_fileToGroup.reset();
    m_tagFilter.reset();
    m_hints.reset();
    m_toolbar.reset();
    setInfoViewContent(nullptr);
    m_taskInfo.reset();
    setDelegate(nullptr);
    m_mainSplit->setDelegate(nullptr);
    m_sourceList->splitView().setDelegate(nullptr);
    m_controller.reset();
    m_groups->setPresentation(nullptr);
    m_groups->setTasksController(nullptr);
    m_tabs->setTasksController(nullptr);
    // The views go before the controllers they show.
    delete m_mainSplit;
}

QWidget* TDMainWindow::p_makeTasksSide(QWidget* parent) {
    auto* side = new QWidget(parent);
    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tabControl);
    p_makeCommandBar(side);
    layout->addWidget(m_submenuSplit, 1);
    m_statusBar = new TDFunctionBar(side);
    layout->addWidget(m_statusBar);
    p_makeStatusBar();
    return side;
}

void TDMainWindow::p_makeCommandBar(QWidget* parent) {
    m_submenuSplit = new TDSplitView(Qt::Vertical, parent);
    m_submenuSplit->setObjectName(QStringLiteral("SubmenuSplitView"));
    m_submenuSplit->setAutosaveName(QStringLiteral("SubmenuSplitView"));
    auto* above = new TDSplitViewSubview(m_submenuSplit);
    filling(m_tasksViewController, above);
    auto* below = new TDSplitViewSubview(m_submenuSplit);
    m_commandBarView = new TDCommandBarSubmenuView(below);
    filling(m_commandBarView, below);
    m_submenuSplit->addWidget(above);
    m_submenuSplit->addWidget(below);
    m_submenuSplit->setStretchFactor(0, 1);
    m_submenuSplit->setStretchFactor(1, 0);
    m_submenuSplit->setAnimationDuration(0.15);
    m_submenuSplit->setDividerColor(QColor::fromRgbF(0.3, 0.3, 0.3));
    m_submenuSplit->setDelegate(this);
    m_submenuSplit->closeSubview(1, TDSplitViewEdge::MaxY, TDSplitViewAnimation::Immediate);
}

void TDMainWindow::p_makeStatusBar() {
    m_showSourceListButton = new TDButton(m_statusBar);
    m_showSourceListButton->setIcon(sourceListIcon());
    m_showSourceListButton->setIconSize(QSize(15, 11));
    m_showSourceListButton->setImagePadding(QSize(8, 6));
    m_showSourceListButton->setFixedSize(kShowSourceListButtonWidth, TDFunctionBar::kHeight);
    m_showSourceListButton->setToolTip(tr("Show Source List"));
    connect(m_showSourceListButton, &QAbstractButton::clicked, this, [this] { toggleSourceList(); });

    m_filterButton = new TDFunctionButton(m_statusBar);
    m_filterButton->setText(tr("Filter"));
    m_filterButton->setToolTip(tr("Some tasks are hidden by a filter. Click to show all tasks."));
    m_filterButton->hide();
    connect(m_filterButton, &QAbstractButton::clicked, this, [this] {
        TDTasksController& tasks = m_tasksViewController->tasksController();
        tasks.setTitleFilterString(QString());
        tasks.setFilterTags({});
    });

    m_syncErrorButton = new TDFunctionButton(m_statusBar);
    m_syncErrorButton->setText(tr("Sync Failed"));
    m_syncErrorButton->hide();
    connect(m_syncErrorButton, &QAbstractButton::clicked, this, [this] {
        if (const std::optional<TDError>& error = m_controller->syncError())
            TDAppDelegate().handleError(error, tr("Could not sync"));
    });

    // The command bar's modes, mirrored by these buttons.
    const struct {
        TDFunctionButton** button;
        QString title;
        QString toolTip;
        void (TDMainWindow::*toggle)();
    } modes[] = {
        {&m_gotoButton, tr("Go To"), tr("Go to a list, folder or tag by typing its name"),
         &TDMainWindow::toggleGotoView},
        {&m_hintsButton, tr("Actions"), tr("Show the buttons for the selected tasks"),
         &TDMainWindow::toggleTaskSubmenu},
        {&m_tagFilterButton, tr("Tags"), tr("Filter the tasks by their tags"),
         &TDMainWindow::toggleTagFilter},
    };
    for (const auto& mode : modes) {
        auto* button = new TDFunctionButton(m_statusBar);
        button->setText(mode.title);
        button->setToolTip(mode.toolTip);
        button->setCheckable(true);
        const auto toggle = mode.toggle;
        connect(button, &QAbstractButton::clicked, this, [this, toggle] {
            (this->*toggle)();
            // The bar's mode decides the buttons' states, not the click.
            p_commandBarModeChanged(m_commandBar->mode());
        });
        *mode.button = button;
    }

    m_statusLabel = new QLabel(m_statusBar);
    m_statusLabel->setAlignment(Qt::AlignCenter);
    m_statusLabel->setStyleSheet(QStringLiteral("color: #3c4147; font-size: 11px;"));

    auto* layout = new QHBoxLayout(m_statusBar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_showSourceListButton);
    layout->addWidget(m_gotoButton);
    layout->addWidget(m_hintsButton);
    layout->addWidget(m_tagFilterButton);
    layout->addWidget(m_filterButton);
    layout->addWidget(m_statusLabel, 1);
    layout->addWidget(m_syncErrorButton);
}

QString TDMainWindow::statusText() const {
    return m_controller ? m_controller->statusText() : QString();
}

TDSplitView& TDMainWindow::sourceListSplitter() const {
    return m_sourceList->splitView();
}

bool TDMainWindow::isSourceListHidden() const {
    return m_sourceListSide->isHidden() || (m_mainSplit->isVisible() && m_mainSplit->subviewLength(0) == 0);
}

void TDMainWindow::toggleSourceList() {
    const bool hide = !isSourceListHidden();
    const bool expandToRight = defaults().boolean(SourceListExpandToRightKey);
    defaults().setValue(SourceListExpandToRightKey, false);
    // A window filling the screen keeps its frame: the list takes its room from the tasks, and the
    // next show opens it inside the window too.
    const bool keepsFrame = !isVisible() || isFullScreen() || isMaximized();
    QRect frame = geometry();
    if (hide) {
        const int width = m_mainSplit->subviewLength(0);
        defaults().setValue(SourceListWidthKey, width);
        m_mainSplit->closeSubview(0, TDSplitViewEdge::MinX, TDSplitViewAnimation::Immediate);
        frame.setLeft(frame.left() + width + m_mainSplit->dividerThickness());
        if (keepsFrame) defaults().setValue(SourceListExpandToRightKey, true);
    } else {
        const int width = qMax(Layout::kMinimumSourceListWidth, defaults().integer(SourceListWidthKey));
        const int widened = m_mainSplit->width() + width + m_mainSplit->dividerThickness();
        const int splitWidth = keepsFrame || expandToRight ? m_mainSplit->width() : widened;
        m_mainSplit->openSubview(0, TDSplitViewEdge::MinX, TDSplitViewAnimation::Immediate,
                                 qMin(width, Layout::maximumSourceListWidth(splitWidth)));
        frame.setLeft(frame.left() - width - m_mainSplit->dividerThickness());
        // Near the screen's left edge the window grows to the right instead.
        if (const QScreen* screen = this->screen();
            screen && frame.left() < screen->availableGeometry().left())
            frame.moveLeft(screen->availableGeometry().left());
    }
    defaults().setValue(HideSourceListKey, hide);
    p_sourceListVisibilityChanged();
    if (!keepsFrame && !(expandToRight && !hide)) setGeometry(frame);
}

void TDMainWindow::p_sourceListVisibilityChanged() {
    m_showSourceListButton->setVisible(isSourceListHidden());
    p_updateMenuTitles();
    p_resetMinimumSize();
}

bool TDMainWindow::isInfoViewOpen() const {
    return !m_sourceList->infoPane().isHidden();
}

void TDMainWindow::toggleInfoView() {
    if (isInfoViewOpen())
        closeInfoView(true);
    else
        openInfoView(true);
}

void TDMainWindow::openInfoView(bool animated) {
    TDSplitView& split = m_sourceList->splitView();
    const int saved = int(split.savedSize(1));
    const int height = saved > 0 ? saved : kFirstInfoPaneHeight;
    split.openSubview(1, TDSplitViewEdge::MaxY,
                      animated ? TDSplitViewAnimation::Blocking : TDSplitViewAnimation::Immediate, height);
    defaults().setValue(HideInfoViewKey, false);
    p_updateMenuTitles();
}

void TDMainWindow::closeInfoView(bool animated) {
    m_sourceList->splitView().closeSubview(
        1, TDSplitViewEdge::MaxY,
        animated ? TDSplitViewAnimation::Blocking : TDSplitViewAnimation::Immediate);
    defaults().setValue(HideInfoViewKey, true);
    p_updateMenuTitles();
}

void TDMainWindow::setInfoViewContent(QWidget* content) {
    m_sourceList->setInfoViewContent(content);
}

bool TDMainWindow::isStatusBarHidden() const {
    return m_statusBar->isHidden();
}

void TDMainWindow::toggleStatusBar() {
    const bool hide = !isStatusBarHidden();
    p_slideStatusBar(hide);
    defaults().setValue(HideStatusBarKey, hide);
    p_updateMenuTitles();
}

void TDMainWindow::p_slideStatusBar(bool hide) {
    // Shift alone held slows it down, as the split views do.
    const bool slow = isShiftKeyDown() && (QGuiApplication::queryKeyboardModifiers() &
                                           kKeyEventModifierMask) == Qt::ShiftModifier;
    const int duration =
        int((slow ? TDSplitView::kSlowAnimationDuration : kStatusBarAnimationSeconds) * 1000);
    if (!isVisible() || duration <= 0) {
        m_statusBar->setHidden(hide);
        return;
    }
    // The bar sinks below the window's edge (or rises from it) while the content above takes its room.
    const int height = TDFunctionBar::kHeight;
    const QSize minimum = m_statusBar->minimumSize();
    const QSize maximum = m_statusBar->maximumSize();
    m_statusBar->setFixedHeight(hide ? height : 0);
    m_statusBar->show();
    QVariantAnimation animation;
    animation.setStartValue(hide ? height : 0);
    animation.setEndValue(hide ? 0 : height);
    animation.setDuration(duration);
    animation.setEasingCurve(QEasingCurve::InOutQuad);
    connect(&animation, &QVariantAnimation::valueChanged, m_statusBar,
            [this](const QVariant& value) { m_statusBar->setFixedHeight(value.toInt()); });
    // The caller goes on with the bar in place; input waits meanwhile.
    QEventLoop loop;
    connect(&animation, &QVariantAnimation::finished, &loop, &QEventLoop::quit);
    animation.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_statusBar->setHidden(hide);
    m_statusBar->setMinimumSize(minimum);
    m_statusBar->setMaximumSize(maximum);
}

void TDMainWindow::p_updateMenuTitles() {
    if (m_toggleSourceListAction)
        m_toggleSourceListAction->setText(isSourceListHidden() ? tr("Show Source List")
                                                               : tr("Hide Source List"));
    if (m_toggleInfoViewAction) {
        m_toggleInfoViewAction->setText(isInfoViewOpen() ? tr("Hide Info Pane") : tr("Show Info Pane"));
        // The info pane lives under the source list.
        m_toggleInfoViewAction->setEnabled(!isSourceListHidden());
    }
    if (m_toggleStatusBarAction)
        m_toggleStatusBarAction->setText(isStatusBarHidden() ? tr("Show Status Bar") : tr("Hide Status Bar"));
    if (m_toggleGotoAction && m_commandBar) {
        // As the bar's buttons: the view being opened is checked already while it slides in.
        const int mode = m_commandBar->mode();
        m_toggleGotoAction->setChecked(mode == TDCommandBarState::GotoMode);
        m_toggleTaskSubmenuAction->setChecked(mode == TDCommandBarState::HintsMode);
        m_toggleTagFilterAction->setChecked(mode == TDCommandBarState::TagFilterMode);
    }
}

void TDMainWindow::p_taskFilterEnabledChanged(bool enabled) {
    m_filterButton->setStatusImage(enabled ? filterOnImage() : QImage());
    m_filterButton->setVisible(enabled);
    m_statusBar->update();
}

void TDMainWindow::p_syncStateChanged() {
    m_syncErrorButton->setVisible(m_controller->syncError().has_value());
    if (const std::optional<TDError>& error = m_controller->syncError())
        m_syncErrorButton->setToolTip(error->description);
}

void TDMainWindow::saveLayout() {
    defaults().setValue(FrameKey, Layout::frameToString(geometry()));
    if (!isSourceListHidden()) defaults().setValue(SourceListWidthKey, m_mainSplit->subviewLength(0));
    m_mainSplit->autosave();
    m_sourceList->splitView().autosave();
    m_controller->saveState();
    m_commandBar->saveMode();
}

void TDMainWindow::p_restoreLayout() {
    const int saved = int(m_mainSplit->savedSize(0));
    const int width = saved > 0 ? saved : defaults().integer(SourceListWidthKey);
    m_pendingSourceListWidth =
        width > 0 ? qMax(Layout::kMinimumSourceListWidth, width) : kFirstSourceListWidth;
    m_mainSplit->setSizes({m_pendingSourceListWidth, 1});
    // Hidden as it was: the pane keeps the length it had.
    m_sourceListSide->setHidden(defaults().boolean(HideSourceListKey));
    m_statusBar->setHidden(defaults().boolean(HideStatusBarKey));
    p_sourceListVisibilityChanged();
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

void TDMainWindow::p_fitSourceListToWindow() {
    // Sizes given before the window has its frame would be squeezed by the minimum of the tasks side.
    if (m_sourceListSide->isHidden() || !isVisible()) return;
    const int splitWidth = m_mainSplit->width();
    const int current =
        m_pendingSourceListWidth > 0 ? m_pendingSourceListWidth : m_mainSplit->subviewLength(0);
    m_pendingSourceListWidth = 0;
    const int width = qMin(Layout::maximumSourceListWidth(splitWidth),
                           Layout::sourceListWidthAfterResize(current, splitWidth));
    m_mainSplit->setSizes({width, qMax(0, splitWidth - width - Layout::kDividerThickness)});
}

void TDMainWindow::p_resetMinimumSize() {
    setMinimumSize(Layout::minimumWindowSize(isSourceListHidden()));
}

void TDMainWindow::showMainWindow() {
    const bool appearing = !isVisible();
    if (appearing) {
        // The settings may have changed while the window was away: the library brings its own layout
        // and tabs, copied into the settings just before it opens.
        p_restoreLayout();
        m_controller->restoreState();
        p_restoreFrame();
    }
    show();
    layout()->activate();
    p_fitSourceListToWindow();
    // The info pane opens to a height within the window it now has.
    if (appearing && defaults().boolean(HideInfoViewKey) == isInfoViewOpen()) {
        if (isInfoViewOpen())
            closeInfoView(false);
        else
            openInfoView(false);
    }
    raise();
    activateWindow();
    // The task list is the window's first control: typing goes there, not to the source list.
    if (appearing) focusTasksView();
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
    m_closeTabAction = file->addAction(tr("Close Tab"), this, [this] { m_controller->closeTab(); });
    m_closeWindowAction = file->addAction(tr("Close Window"), this, [this] { close(); });
    p_updateCloseShortcuts();
    file->addSeparator();
    file->addAction(tr("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), this,
                    [this] { Q_EMIT closeRequested(); });

    QMenu* edit = bar->addMenu(tr("&Edit"));
    TDAddUndoActions(*edit, m_manager);
    edit->addSeparator();
    TDAddTaskEditActions(edit, m_tasksViewController->tasksController());
    TDAddTaskFindActions(edit, m_tasksViewController->tasksView());
    edit->addSeparator();
    TDAddSpellingMenu(*edit);

    QMenu* view = bar->addMenu(tr("&View"));
    m_toggleSourceListAction = view->addAction(QString(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S), this,
                                               [this] { toggleSourceList(); });
    m_toggleInfoViewAction = view->addAction(QString(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I), this,
                                             [this] { toggleInfoView(); });
    m_toggleStatusBarAction = view->addAction(QString(), this, [this] { toggleStatusBar(); });
    view->addAction(tr("Outline or Cards"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C), this, [this] {
        TDTasksController& tasks = m_tasksViewController->tasksController();
        tasks.setMode(tasks.mode() == 1 ? 0 : 1);
    });
    p_updateMenuTitles();
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

    view->addSeparator();
    m_toggleGotoAction = view->addAction(tr("Go To..."), QKeySequence(Qt::CTRL | Qt::Key_G), this,
                                         [this] { toggleGotoView(); });
    m_toggleTaskSubmenuAction =
        view->addAction(tr("Show Actions Bar"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_B), this,
                        [this] { toggleTaskSubmenu(); });
    m_toggleTagFilterAction =
        view->addAction(tr("Show Tag Filter"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), this,
                        [this] { toggleTagFilter(); });
    // Their check marks say which of the command bar's views is open.
    for (QAction* toggle : {m_toggleGotoAction, m_toggleTaskSubmenuAction, m_toggleTagFilterAction})
        toggle->setCheckable(true);
    connect(view, &QMenu::aboutToShow, this, &TDMainWindow::p_updateMenuTitles);
    p_updateMenuTitles();
    view->addAction(tr("Filter by Title"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F), this,
                    [this] { filterByTitle(); });

    TDTaskMenuBuilder::installMenus(*bar, m_tasksViewController->tasksController());

    QMenu* window = bar->addMenu(tr("&Window"));
    // Ctrl+Page Down and Up, the desktop's keys between tabs; the tab bar itself takes Ctrl+Tab too.
    m_selectNextTabAction =
        window->addAction(tr("Select Next Tab"), QKeySequence(Qt::CTRL | Qt::Key_PageDown), this,
                          [this] { m_controller->selectNextTab(); });
    m_selectPreviousTabAction =
        window->addAction(tr("Select Previous Tab"), QKeySequence(Qt::CTRL | Qt::Key_PageUp), this,
                          [this] { m_controller->selectPreviousTab(); });
    p_updateCloseShortcuts();
    Q_EMIT menusBuilt(bar);
}

bool TDMainWindow::closeAllWindows(bool restoring) {
    if (m_goto && m_commandBar->isGotoOpen()) m_goto->windowWillClose();
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

void TDMainWindow::showStatusNotice(const QString& text) {
    if (m_controller) m_controller->setSyncNotice(text);
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

void TDMainWindow::p_updateCloseShortcuts() {
    if (!m_closeTabAction) return;
    const TDCloseShortcuts keys =
        TDCloseShortcutsFor(defaults().boolean(QStringLiteral("commandWClosesTab")), m_tabs->numberOfTabs());
    m_closeWindowAction->setShortcut(keys.close);
    m_closeTabAction->setShortcut(keys.closeTab);
    m_closeTabAction->setEnabled(keys.closeTabEnabled);
    // Moving between tabs needs a second one.
    for (QAction* select : {m_selectNextTabAction, m_selectPreviousTabAction})
        if (select) select->setEnabled(m_tabs->numberOfTabs() > 1);
}

void TDMainWindow::wheelEvent(QWheelEvent* event) {
    const TDSwipeRecognizer::Step step = m_swipe.wheel(*event);
    if (step.deltaX != 0) m_controller->swipeWithEvent(step.deltaX);
    event->setAccepted(step.consumed);
}

bool TDMainWindow::event(QEvent* event) {
    if (event->type() == QEvent::NativeGesture) {
        if (const int deltaX = TDSwipeRecognizer::swipeDeltaX(*static_cast<QNativeGestureEvent*>(event))) {
            m_controller->swipeWithEvent(deltaX);
            return true;
        }
    }
    return TDTasksWindow::event(event);
}

bool TDMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        p_performMenuKeyEquivalent(static_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event)))
        return true;
    return TDTasksWindow::eventFilter(watched, event);
}

bool TDMainWindow::p_performMenuKeyEquivalent(QWidget* receiver, QKeyEvent* event) {
    // Once per key, where it is first delivered; never while text is typed into a field.
    if (receiver->window() != this || receiver != QApplication::focusWidget()) return false;
    if (!qobject_cast<QAbstractItemView*>(receiver)) return false;
    const QKeySequence key =
        TDUnmodifiedKeyEquivalent(event->key(), event->modifiers() & ~Qt::KeypadModifier, event->text());
    const TDSubmenuActions submenu = [](const QAction* action) {
        const QMenu* menu = action->menu();
        return menu ? menu->actions() : QList<QAction*>();
    };
    QAction* action = TDFindActionWithKeyEquivalent(menuBar()->actions(), key, submenu);
    if (!action || !action->isEnabled()) return false;
    action->trigger();
    return true;
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
    // The task list taking the keyboard ends go-to as done.
    if (changed && m_goto && m_commandBar->isGotoOpen() && responder == &m_tasksViewController->tasksView())
        m_goto->done();
    if (changed && m_commandBar->isTaskSubmenuOpen()) p_showHintsForFocus();
}

void TDMainWindow::keyDown(QKeyEvent* event) {
    if (event->key() == Qt::Key_Tab)
        m_controller->selectNextTab();
    else
        m_controller->selectPreviousTab();
}

// --- The split views

bool TDMainWindow::canCollapseSubview(TDSplitView& splitView, int index) {
    // The source list to the left, the info pane and the command bar downward.
    return (&splitView == m_mainSplit && index == 0) || (&splitView != m_mainSplit && index == 1);
}

int TDMainWindow::constrainMinCoordinate(TDSplitView& splitView, int proposed, int dividerIndex) {
    Q_UNUSED(dividerIndex)
    if (&splitView == m_mainSplit) return proposed + Layout::kMinimumSourceListWidth;
    // The command bar is never taller than what it shows.
    if (&splitView == m_submenuSplit)
        return qMax(proposed, splitView.height() - m_commandBarView->proposedMaxHeight() -
                                  splitView.dividerThickness());
    return qMax(proposed, splitView.height() - splitView.dividerThickness() - kMaximumInfoPaneHeight);
}

int TDMainWindow::constrainMaxCoordinate(TDSplitView& splitView, int proposed, int dividerIndex) {
    Q_UNUSED(dividerIndex)
    if (&splitView == m_mainSplit) return qMin(proposed, Layout::maximumSourceListWidth(splitView.width()));
    if (&splitView == m_submenuSplit)
        return qMin(proposed, splitView.height() - TDCommandBarState::kBarHeight);
    return proposed - kMinimumInfoPaneHeight - splitView.dividerThickness();
}

int TDMainWindow::constrainSplitPosition(TDSplitView& splitView, int proposed, int dividerIndex) {
    Q_UNUSED(dividerIndex)
    if (&splitView != &sourceListSplitter()) return proposed;
    const int snap = splitView.height() - splitView.dividerThickness() - kSnapInfoPaneHeight;
    return qAbs(proposed - snap) < 10 ? snap : proposed;
}

void TDMainWindow::didCloseSubviewAfterCollapsing(TDSplitView& splitView, int index) {
    Q_UNUSED(index)
    if (&splitView == m_mainSplit) {
        // Dragged shut: hidden as the menu item hides it, keeping the width it had.
        defaults().setValue(SourceListWidthKey, int(splitView.savedSize(0)));
        defaults().setValue(HideSourceListKey, true);
        // Closed inside the window: it opens there again.
        defaults().setValue(SourceListExpandToRightKey, true);
        p_sourceListVisibilityChanged();
    } else if (&splitView == m_submenuSplit) {
        defaults().setValue(QStringLiteral("hideShortcutsView"), true);
        m_commandBar->closeCommandBar();
    } else {
        defaults().setValue(HideInfoViewKey, true);
        p_updateMenuTitles();
    }
}

void TDMainWindow::didFinishResizingSubviews(TDSplitView& splitView) {
    if (&splitView == m_mainSplit && !isSourceListHidden())
        defaults().setValue(SourceListWidthKey, m_mainSplit->subviewLength(0));
}

void TDMainWindow::dividerDoubleClicked(TDSplitView& splitView, int dividerIndex) {
    Q_UNUSED(dividerIndex)
    // Never collapsed in place: the menu commands do it, remembering what they close.
    if (&splitView == m_mainSplit)
        QTimer::singleShot(0, this, [this] { toggleSourceList(); });
    else if (&splitView == m_submenuSplit)
        m_commandBar->closeCommandBar();
    else
        closeInfoView(true);
}

void TDMainWindow::didResize(TDSplitView& splitView, const QSize& oldSize) {
    Q_UNUSED(oldSize)
    if (&splitView == m_mainSplit) p_fitSourceListToWindow();
    // A short window keeps an open bar to half the room above the status bar.
    if (&splitView == m_submenuSplit && m_commandBar &&
        m_commandBar->barState() == TDCommandBarState::BarState::Open) {
        const int bar = TDCommandBarState::clampedHeight(TDCommandBarState::kBarHeight, splitView.height());
        if (splitView.subviewLength(1) != bar)
            splitView.setSizes({qMax(0, splitView.height() - bar - splitView.dividerThickness()), bar});
    }
}

QRect TDMainWindow::additionalEffectiveRect(TDSplitView& splitView, int dividerIndex) {
    Q_UNUSED(dividerIndex)
    // The grip on the source list's bar takes the main divider; the info pane's header its own.
    const QWidget* handle = nullptr;
    if (&splitView == m_mainSplit)
        handle = &m_sourceList->mainSplitViewDragHandle();
    else if (&splitView == &sourceListSplitter() && isInfoViewOpen())
        if (const auto* info = qobject_cast<const TDTaskInfoView*>(m_sourceList->infoViewContent()))
            handle = info->resizeHandle();
    if (!handle || !handle->isVisible()) return {};
    return {handle->mapTo(&splitView, QPoint(0, 0)), handle->size()};
}

// --- The command bar

TDHintsCommandViewController& TDMainWindow::hintsCommandViewController() {
    if (!m_hints) {
        m_hints = std::make_unique<TDHintsCommandViewController>();
        TDTasksController& tasks = m_tasksViewController->tasksController();
        m_hints->setTasksController(&tasks);
        connect(m_hints->searchField(), &QLineEdit::textEdited, &tasks,
                &TDTasksController::setTitleFilterString);
        p_showTitleFilter(tasks.isFilteringByTitle() ? tasks.titleFilterString() : QString());
    }
    return *m_hints;
}

TDTagFilterViewController& TDMainWindow::tagFilterController() {
    if (!m_tagFilter) {
        m_tagFilter = std::make_unique<TDTagFilterViewController>();
        TDTasksController& tasks = m_tasksViewController->tasksController();
        m_tagFilter->setTasksController(&tasks);
        connect(m_tagFilter->searchField(), &QLineEdit::textEdited, &tasks,
                &TDTasksController::setTitleFilterString);
        p_showTitleFilter(tasks.isFilteringByTitle() ? tasks.titleFilterString() : QString());
    }
    return *m_tagFilter;
}

TDGotoViewController& TDMainWindow::gotoViewController() {
    if (!m_gotoView) {
        TDTasksController& tasks = m_tasksViewController->tasksController();
        m_goto = std::make_unique<TDGotoController>(*m_groups, tasks);
        m_goto->setWindow(this);
        m_gotoView = std::make_unique<TDGotoViewController>(*m_goto);
        m_gotoView->setTasksController(&tasks);
    }
    return *m_gotoView;
}

TDFileToGroupPanel& TDMainWindow::fileToGroupPanel() {
    if (!m_fileToGroup) m_fileToGroup = std::make_unique<TDFileToGroupPanel>(*this);
    return *m_fileToGroup;
}

TDCommandViewController& TDMainWindow::p_commandController(TDCommandKind kind) {
    switch (kind) {
        case TDCommandKind::Hints:
            return hintsCommandViewController();
        case TDCommandKind::TagFilter:
            return tagFilterController();
        case TDCommandKind::Goto:
            break;
    }
    return gotoViewController();
}

void TDMainWindow::p_commandWillShow(TDCommandKind kind) {
    p_commandController(kind);
    if (kind == TDCommandKind::Hints) p_showHintsForFocus();
}

void TDMainWindow::p_commandBarModeChanged(int mode) {
    m_gotoButton->setChecked(mode == TDCommandBarState::GotoMode);
    m_hintsButton->setChecked(mode == TDCommandBarState::HintsMode);
    m_tagFilterButton->setChecked(mode == TDCommandBarState::TagFilterMode);
    p_updateMenuTitles();
    // Go-to lies on a light strip: its divider is lighter.
    const bool light = m_commandBar->isGotoOpen();
    m_submenuSplit->setDividerColor(light ? QColor::fromRgbF(0.65, 0.65, 0.65)
                                          : QColor::fromRgbF(0.3, 0.3, 0.3));
}

void TDMainWindow::showCommand(TDCommandKind kind) {
    TDCommandViewController& controller = p_commandController(kind);
    const bool shown = m_commandBarView->topCommandController() == &controller;
    m_commandBarView->setCommandController(&controller);
    // A closed bar tells the view once it has opened.
    if (!shown && m_commandBar->isOpen()) controller.viewDidMoveToSuperview();
}

void TDMainWindow::slideInCommand(TDCommandKind kind, TDCommandSlide from, bool push, bool animated) {
    m_commandBarView->transitionToCommand(&p_commandController(kind), from, push, animated && isVisible());
}

void TDMainWindow::slideBackTo(TDCommandKind uncovered, bool animated) {
    Q_UNUSED(uncovered)
    m_commandBarView->transitionBack(animated && isVisible());
}

void TDMainWindow::openBar(bool animated) {
    const auto mode =
        animated && isVisible() ? TDSplitViewAnimation::Blocking : TDSplitViewAnimation::Immediate;
    m_submenuSplit->openSubview(1, TDSplitViewEdge::MaxY, mode, TDCommandBarState::kBarHeight);
    m_commandBar->animationDidStop();
    if (TDCommandViewController* top = m_commandBarView->topCommandController())
        top->viewDidMoveToSuperview();
}

void TDMainWindow::closeBar(bool animated) {
    const auto mode =
        animated && isVisible() ? TDSplitViewAnimation::Blocking : TDSplitViewAnimation::Immediate;
    if (m_submenuSplit->isSubviewOpen(1)) m_submenuSplit->closeSubview(1, TDSplitViewEdge::MaxY, mode);
    m_commandBarView->removeAllCommands();
    m_commandBar->animationDidStop();
}

void TDMainWindow::filterByTitle() {
    // Go-to gives way first: the bar it covered, if any, takes the filter.
    if (m_commandBar->isGotoOpen()) m_commandBar->closeGoto(false);
    if (!m_commandBar->isTaskSubmenuOpen() && !m_commandBar->isTagFilterOpen()) m_commandBar->openTagFilter();
    if (QLineEdit* field = p_titleFilterField()) makeFirstResponder(field);
}

void TDMainWindow::p_showTitleFilter(const QString& text) {
    for (QLineEdit* field :
         {m_hints ? m_hints->searchField() : nullptr, m_tagFilter ? m_tagFilter->searchField() : nullptr})
        if (field && field->text() != text) field->setText(text);
}

QLineEdit* TDMainWindow::p_titleFilterField() const {
    if (m_commandBar->isTaskSubmenuOpen() && m_hints) return m_hints->searchField();
    if (m_commandBar->isTagFilterOpen() && m_tagFilter) return m_tagFilter->searchField();
    return nullptr;
}

bool TDMainWindow::isTitleFilterFieldFirstResponder() const {
    const QLineEdit* field = p_titleFilterField();
    return field && QApplication::focusWidget() == field;
}

void TDMainWindow::p_showHintsForFocus() {
    if (!m_hints) return;
    const QWidget* focus = QApplication::focusWidget();
    TDEditingFocus editing;
    editing.note = qobject_cast<const TDNotesTextView*>(focus) != nullptr;
    editing.title = qobject_cast<const TDTaskTitleTextView*>(focus) != nullptr;
    editing.editedColumn = m_tasksViewController->tasksView().editedColumn();
    switch (TDHintsStripForEditing(editing)) {
        case TDHintsStrip::NoteHelp:
            m_hints->showNoteHelp();
            break;
        case TDHintsStrip::TitleHelp:
            m_hints->showTitleHelp();
            break;
        case TDHintsStrip::DateHelp:
            m_hints->showDateHelp();
            break;
        case TDHintsStrip::EstimateHelp:
            m_hints->showEstimateHelp();
            break;
        case TDHintsStrip::MainButtons:
            m_hints->showMainButtons();
            break;
    }
}

void TDMainWindow::toggleDisplayMode(int mode) {
    m_tasksViewController->tasksController().setMode(mode);
    m_toolbar->setMode(mode);
}

std::unique_ptr<TDMainWindow> TDMakeMainWindow(TDLibraryManager& manager, TDAlertPrompter* prompter) {
    auto window = std::make_unique<TDMainWindow>(manager, prompter);
    window->buildMenus();
    return window;
}
