#include "app/gui/main_window.h"
#include "app/group_tabs.h"
#include "app/gui/group_tab_control.h"
#include "app/gui/groups_view.h"
#include "app/gui/source_list_pane.h"
#include "controls/gui/function_bar.h"
#include "controls/gui/resize_grip.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "taskviews/gui/task_info_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"
#include "tests/app/groups_controller_fixture.h"
#include "tests/support/gui/touchpad.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSplitter>
#include <QTest>

namespace apptest {
namespace {

// The whole main window over a small library: folders and lists with tasks, and a few tags.
class MainWindowTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        // The window brings its own controllers.
        groups.reset();
        tasks.reset();
        TDFolder* projects = folder(QStringLiteral("Clients"));
        work = list(QStringLiteral("Website Redesign"), projects);
        home = list(QStringLiteral("Household"));
        for (const char* title : {"Draft the home page", "Pick the colours", "Review with Anna"})
            addTask(work, QString::fromLatin1(title));
        for (const char* title : {"Water the plants", "Call the plumber"})
            addTask(home, QString::fromLatin1(title));
        addTask(library()->inboxGroup(), QStringLiteral("Renew passport"));
        tag(QStringLiteral("errands"));
        processChanges();
        openWindow();
        mainWindow->groupsController().expandGroup(projects);
    }
    void TearDown() override {
        mainWindow.reset();
        GroupsControllerTest::TearDown();
    }
    // A window with a saved frame takes it; a first one is sized here, the test screen being small.
    void openWindow(bool firstOpen = true) {
        mainWindow = TDMakeMainWindow(*manager);
        mainWindow->showMainWindow();
        if (firstOpen) mainWindow->resize(1000, 680);
        QApplication::setActiveWindow(mainWindow.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mainWindow.get()));
        QCoreApplication::processEvents();
    }

    TDTasksController& tasksController() const { return mainWindow->tasksViewController().tasksController(); }
    TDGroupTabs& tabs() const { return mainWindow->controller().tabs(); }

    // The task titles the outline shows, top to bottom.
    QStringList outlineTasks() const {
        QStringList titles;
        const QAbstractItemModel& model = mainWindow->tasksViewController().treeModel();
        std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
            for (int row = 0; row < model.rowCount(parent); ++row) {
                const QModelIndex index = model.index(row, 0, parent);
                if (auto* task = index.data(TDTaskTreeModel::TaskRole).value<TDTask*>())
                    titles << task->title();
                walk(index);
            }
        };
        walk({});
        return titles;
    }

    void clickInSourceList(TDGroup* group, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        TDGroupsView* view = mainWindow->sourceListPane().groupsView();
        const QModelIndex index = mainWindow->groupsController().model()->indexForGroup(group);
        ASSERT_TRUE(index.isValid());
        const QRect rect = view->visualRect(index);
        ASSERT_TRUE(view->viewport()->rect().contains(rect.center()));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, rect.center());
        QCoreApplication::processEvents();
    }

    void clickTab(int index) {
        TDGroupTabControl& control = mainWindow->tabControl();
        QTest::mouseClick(&control, Qt::LeftButton, {}, control.tabRect(index).center().toPoint());
        QCoreApplication::processEvents();
    }

    // Drags by `dx` in the window: the handle moves along, so each point is taken from the screen.
    void dragDivider(int dx) {
        QSplitterHandle* handle = mainWindow->mainSplitter().handle(1);
        const QPoint start = handle->mapToGlobal(handle->rect().center());
        auto send = [&](QEvent::Type type, int offset, Qt::MouseButtons buttons) {
            const QPoint global = start + QPoint(offset, 0);
            QMouseEvent event(type, handle->mapFromGlobal(global), global, Qt::LeftButton, buttons,
                              Qt::NoModifier);
            QApplication::sendEvent(handle, &event);
        };
        send(QEvent::MouseButtonPress, 0, Qt::LeftButton);
        send(QEvent::MouseMove, dx / 2, Qt::LeftButton);
        send(QEvent::MouseMove, dx, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, dx, Qt::NoButton);
        QCoreApplication::processEvents();
    }

    int sourceListWidth() const { return mainWindow->mainSplitter().sizes().value(0); }

    // Takes the widget at its middle and drags it by `by`; it may move along, so each point is taken
    // from the screen.
    static void dragWidget(QWidget* widget, const QPoint& by) {
        const QPoint start = widget->mapToGlobal(widget->rect().center());
        QTest::mousePress(widget, Qt::LeftButton, {}, widget->mapFromGlobal(start));
        QTest::mouseMove(widget, widget->mapFromGlobal(start + by / 2));
        QTest::mouseMove(widget, widget->mapFromGlobal(start + by));
        QTest::mouseRelease(widget, Qt::LeftButton, {}, widget->mapFromGlobal(start + by));
        QCoreApplication::processEvents();
    }

    TDList* work = nullptr;
    TDList* home = nullptr;
    std::unique_ptr<TDMainWindow> mainWindow;
};

TEST_F(MainWindowTest, OpensOnTodayWithTheSourceListLeftAndTabsAboveTheOutline) {
    EXPECT_EQ(tasksController().group(), library()->todayGroup());
    EXPECT_EQ(tabs().numberOfTabs(), 1);
    const QRect list = mainWindow->sourceListPane().geometry();
    const QRect tabBar(mainWindow->tabControl().mapTo(mainWindow.get(), QPoint(0, 0)),
                       mainWindow->tabControl().size());
    const QRect outline(mainWindow->tasksViewController().mapTo(mainWindow.get(), QPoint(0, 0)),
                        mainWindow->tasksViewController().size());
    EXPECT_GE(list.width(), 185);
    EXPECT_GT(tabBar.left(), list.right());
    EXPECT_EQ(tabBar.left(), outline.left());
    EXPECT_LE(tabBar.bottom(), outline.top());
    EXPECT_EQ(mainWindow->minimumSize(), QSize(756, 550));
}

TEST_F(MainWindowTest, ClickingAListShowsItsTasksAndTheTabFollows) {
    clickInSourceList(work);
    EXPECT_EQ(tasksController().group(), work);
    // Typing goes to the tasks just shown.
    EXPECT_EQ(QApplication::focusWidget(), &mainWindow->tasksViewController().tasksView());
    EXPECT_EQ(outlineTasks(),
              (QStringList{QStringLiteral("Draft the home page"), QStringLiteral("Pick the colours"),
                           QStringLiteral("Review with Anna")}));
    EXPECT_EQ(tabs().titleAtTabIndex(0), QStringLiteral("Website Redesign"));

    // Ctrl-click opens the list in a new tab; clicking the first tab brings its list back.
    clickInSourceList(home, Qt::ControlModifier);
    ASSERT_EQ(tabs().numberOfTabs(), 2);
    EXPECT_EQ(tabs().selectedTabIndex(), 1);
    EXPECT_EQ(outlineTasks(),
              (QStringList{QStringLiteral("Water the plants"), QStringLiteral("Call the plumber")}));

    clickTab(0);
    EXPECT_EQ(tabs().selectedTabIndex(), 0);
    EXPECT_EQ(tasksController().group(), work);
    EXPECT_EQ(mainWindow->groupsController().selectedGroup(), work);

    // Ctrl+Tab goes to the next tab.
    QTest::keyClick(&mainWindow->tasksViewController().tasksView(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs().selectedTabIndex(), 1);
    EXPECT_EQ(tasksController().group(), home);
}

TEST_F(MainWindowTest, TheDividerMovesWithinItsLimitsAndIsRemembered) {
    const int before = sourceListWidth();
    dragDivider(60);
    // Within the few points by which the grab area's centre lies off the divider.
    EXPECT_NEAR(sourceListWidth(), before + 60, 2);

    // The tasks side keeps at least half the window; the list never gets narrower than 185.
    dragDivider(600);
    EXPECT_EQ(sourceListWidth(), 1000 - 1000 / 2 - 1);
    dragDivider(165 - sourceListWidth());
    EXPECT_EQ(sourceListWidth(), 185);

    dragDivider(40);
    const int chosen = sourceListWidth();
    mainWindow->resize(880, 600);
    const QRect frame = mainWindow->geometry();
    mainWindow->saveLayout();
    mainWindow.reset();
    openWindow(false);
    EXPECT_EQ(sourceListWidth(), chosen);
    EXPECT_EQ(mainWindow->geometry().size(), frame.size());
}

TEST_F(MainWindowTest, DraggingTheDividerShutHidesTheSourceList) {
    const int before = sourceListWidth();
    dragDivider(-before);
    EXPECT_TRUE(mainWindow->isSourceListHidden());
    EXPECT_EQ(mainWindow->minimumSize(), QSize(570, 550));
    mainWindow->toggleSourceList();
    EXPECT_FALSE(mainWindow->isSourceListHidden());
    EXPECT_GE(sourceListWidth(), 185);
}

TEST_F(MainWindowTest, HidingTheSourceListIsRemembered) {
    mainWindow->toggleSourceList();
    EXPECT_TRUE(mainWindow->isSourceListHidden());
    EXPECT_EQ(mainWindow->minimumSize(), QSize(570, 550));
    mainWindow->saveLayout();
    mainWindow.reset();
    openWindow();
    EXPECT_TRUE(mainWindow->isSourceListHidden());
    mainWindow->toggleSourceList();
    EXPECT_FALSE(mainWindow->isSourceListHidden());
    EXPECT_GE(sourceListWidth(), 185);
}

TEST_F(MainWindowTest, HidingTheSourceListNarrowsTheWindowAndShowingWidensItAgain) {
    const int list = sourceListWidth();
    const QRect frame = mainWindow->geometry();
    mainWindow->toggleSourceList();
    QCoreApplication::processEvents();
    // The tasks keep their place on the screen and their width.
    EXPECT_EQ(mainWindow->geometry(), frame.adjusted(list + 1, 0, 0, 0));
    mainWindow->toggleSourceList();
    QCoreApplication::processEvents();
    EXPECT_EQ(mainWindow->geometry(), frame);
    EXPECT_EQ(sourceListWidth(), list);

    // Dragged shut, the list opens inside the window the next time.
    dragDivider(-list);
    ASSERT_TRUE(mainWindow->isSourceListHidden());
    EXPECT_TRUE(defaults().boolean(TDMainWindow::SourceListExpandToRightKey));
    mainWindow->toggleSourceList();
    QCoreApplication::processEvents();
    EXPECT_EQ(mainWindow->geometry(), frame);
    EXPECT_EQ(sourceListWidth(), list);
    EXPECT_FALSE(defaults().boolean(TDMainWindow::SourceListExpandToRightKey));
}

TEST_F(MainWindowTest, TheViewMenuShowsAndHidesTheInfoPaneAndTheStatusBar) {
    // The info pane starts closed; it opens to its first height and shows what it is given.
    EXPECT_FALSE(mainWindow->isInfoViewOpen());
    QAction* info = mainWindow->toggleInfoViewAction();
    EXPECT_EQ(info->text(), QStringLiteral("Show Info Pane"));
    info->trigger();
    EXPECT_TRUE(mainWindow->isInfoViewOpen());
    EXPECT_EQ(mainWindow->sourceListSplitter().subviewLength(1), TDMainWindow::kFirstInfoPaneHeight);
    EXPECT_EQ(info->text(), QStringLiteral("Hide Info Pane"));
    EXPECT_FALSE(defaults().boolean(TDMainWindow::HideInfoViewKey));
    auto* content = new QLabel(QStringLiteral("Inspector"));
    mainWindow->setInfoViewContent(content);
    QCoreApplication::processEvents();
    EXPECT_TRUE(content->isVisible());
    EXPECT_EQ(content->height(), TDMainWindow::kFirstInfoPaneHeight);
    info->trigger();
    EXPECT_FALSE(mainWindow->isInfoViewOpen());
    EXPECT_TRUE(defaults().boolean(TDMainWindow::HideInfoViewKey));

    // The info pane lives under the source list: without it there is nothing to show it in.
    mainWindow->toggleSourceList();
    EXPECT_FALSE(info->isEnabled());
    mainWindow->toggleSourceList();
    EXPECT_TRUE(info->isEnabled());

    QAction* statusBar = mainWindow->toggleStatusBarAction();
    EXPECT_EQ(statusBar->text(), QStringLiteral("Hide Status Bar"));
    const int outlineHeight = mainWindow->tasksViewController().height();
    statusBar->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(mainWindow->statusBar().isHidden());
    EXPECT_EQ(mainWindow->tasksViewController().height(), outlineHeight + TDFunctionBar::kHeight);
    EXPECT_EQ(statusBar->text(), QStringLiteral("Show Status Bar"));
    EXPECT_TRUE(defaults().boolean(TDMainWindow::HideStatusBarKey));
    statusBar->trigger();
    EXPECT_FALSE(mainWindow->statusBar().isHidden());
}

// The heights a widget is given, in order.
class HeightRecorder final : public QObject {
public:
    explicit HeightRecorder(QWidget& widget) { widget.installEventFilter(this); }
    QList<int> heights;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize) heights << static_cast<QWidget*>(watched)->height();
        return false;
    }
};

// In a shown window the status bar sinks out of sight and rises again through the heights between;
// a window not on screen just drops it.
TEST_F(MainWindowTest, TheStatusBarSlidesOutAndBackIn) {
    TDFunctionBar& bar = mainWindow->statusBar();
    ASSERT_TRUE(bar.isVisible());
    const int outlineHeight = mainWindow->tasksViewController().height();
    auto between = [](const QList<int>& heights) {
        return std::count_if(heights.cbegin(), heights.cend(),
                             [](int height) { return height > 0 && height < TDFunctionBar::kHeight; });
    };
    {
        HeightRecorder recorder(bar);
        mainWindow->toggleStatusBar();
        EXPECT_TRUE(bar.isHidden());
        EXPECT_GT(between(recorder.heights), 1);
        EXPECT_TRUE(std::is_sorted(recorder.heights.crbegin(), recorder.heights.crend())) << "only sinks";
        QCoreApplication::processEvents();
        EXPECT_EQ(mainWindow->tasksViewController().height(), outlineHeight + TDFunctionBar::kHeight);
    }
    {
        HeightRecorder recorder(bar);
        mainWindow->toggleStatusBar();
        EXPECT_FALSE(bar.isHidden());
        EXPECT_GT(between(recorder.heights), 1);
        EXPECT_TRUE(std::is_sorted(recorder.heights.cbegin(), recorder.heights.cend())) << "only rises";
        QCoreApplication::processEvents();
        EXPECT_EQ(bar.height(), TDFunctionBar::kHeight);
        EXPECT_EQ(mainWindow->tasksViewController().height(), outlineHeight);
    }
    mainWindow->hide();
    HeightRecorder recorder(bar);
    mainWindow->toggleStatusBar();
    EXPECT_TRUE(bar.isHidden());
    EXPECT_EQ(between(recorder.heights), 0);
}

TEST_F(MainWindowTest, TheInfoPaneDividerSnapsAndStaysWithinItsLimits) {
    mainWindow->openInfoView(false);
    TDSplitView& split = mainWindow->sourceListSplitter();
    QSplitterHandle* handle = split.handle(1);
    const auto dragTo = [&](int paneHeight) {
        const int delta = split.subviewLength(1) - paneHeight;
        const QPoint start = handle->mapToGlobal(handle->rect().center());
        const QPoint end = start + QPoint(0, delta);
        QMouseEvent press(QEvent::MouseButtonPress, handle->mapFromGlobal(start), start, Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent move(QEvent::MouseMove, handle->mapFromGlobal(end), end, Qt::LeftButton, Qt::LeftButton,
                         Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, handle->mapFromGlobal(end), end, Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(handle, &press);
        QApplication::sendEvent(handle, &move);
        QApplication::sendEvent(handle, &release);
        return split.subviewLength(1);
    };
    const struct {
        int wanted;
        int expected;
    } cases[] = {
        {200, 200},
        {175, TDMainWindow::kSnapInfoPaneHeight},  // within 10 points of the snap height
        {192, TDMainWindow::kSnapInfoPaneHeight},
        {300, TDMainWindow::kMaximumInfoPaneHeight},
        {120, 120},
        {80, TDMainWindow::kMinimumInfoPaneHeight + 1},  // at least the limit and the divider
    };
    for (const auto& entry : cases) EXPECT_EQ(dragTo(entry.wanted), entry.expected) << entry.wanted;

    // Dragged well below its limit the pane closes, and remembers that it is closed.
    dragTo(10);
    EXPECT_FALSE(mainWindow->isInfoViewOpen());
    EXPECT_TRUE(defaults().boolean(TDMainWindow::HideInfoViewKey));
}

TEST_F(MainWindowTest, ASidewaysSwipeOverTheListGoesBackAndForwardThroughTheGroupsSeen) {
    clickInSourceList(work);
    clickInSourceList(home);
    QWidget* outline = mainWindow->tasksViewController().tasksView().viewport();
    // The outline has nothing to scroll sideways: the gesture reaches the window.
    testsupport::touchpadScroll(outline, 80);
    EXPECT_EQ(tasksController().group(), work);
    testsupport::touchpadScroll(outline, -80);
    EXPECT_EQ(tasksController().group(), home);

    // A mouse's sideways wheel, a short or an up-and-down stroke go nowhere.
    testsupport::mouseWheelSideways(outline, 3);
    testsupport::touchpadScroll(outline, 30);
    testsupport::touchpadScroll(outline, 70, 160);
    EXPECT_EQ(tasksController().group(), home);
}

TEST_F(MainWindowTest, TheGripOfTheSourceListBarAndTheInfoPaneHeaderDragTheirDividers) {
    QWidget* grip = &mainWindow->sourceListPane().mainSplitViewDragHandle();
    ASSERT_TRUE(grip->isVisible());
    const int before = sourceListWidth();
    dragWidget(grip, QPoint(50, 0));
    EXPECT_EQ(sourceListWidth(), before + 50);
    // The divider's own limits: half the window for the tasks, 185 for the list.
    dragWidget(grip, QPoint(600, 0));
    EXPECT_EQ(sourceListWidth(), 1000 - 1000 / 2 - 1);
    dragWidget(grip, QPoint(165 - sourceListWidth(), 0));
    EXPECT_EQ(sourceListWidth(), 185);

    mainWindow->openInfoView(false);
    TDSplitView& split = mainWindow->sourceListSplitter();
    auto* info = qobject_cast<TDTaskInfoView*>(mainWindow->sourceListPane().infoViewContent());
    ASSERT_NE(info, nullptr);
    QWidget* header = info->resizeHandle();
    const struct {
        int by;
        int expected;
    } drags[] = {
        {-50, TDMainWindow::kFirstInfoPaneHeight + 50},
        {-200, TDMainWindow::kMaximumInfoPaneHeight},
        {50, TDMainWindow::kSnapInfoPaneHeight},          // 189 is within 10 points of the snap height
        {100, TDMainWindow::kMinimumInfoPaneHeight + 1},  // at least the limit and the divider
    };
    ASSERT_EQ(split.subviewLength(1), TDMainWindow::kFirstInfoPaneHeight);
    for (const auto& drag : drags) {
        dragWidget(header, QPoint(0, drag.by));
        EXPECT_EQ(split.subviewLength(1), drag.expected) << drag.by;
    }
}

TEST_F(MainWindowTest, TheStatusBarShowsTheSummaryAndAFilterIndicatorWhileTasksAreFiltered) {
    clickInSourceList(home);
    EXPECT_EQ(mainWindow->statusText(), QStringLiteral("2 actions"));
    EXPECT_TRUE(mainWindow->filterIndicator().isHidden());

    tasksController().setTitleFilterString(QStringLiteral("plants"));
    EXPECT_FALSE(mainWindow->filterIndicator().isHidden());
    EXPECT_FALSE(mainWindow->filterIndicator().statusImage().isNull());
    EXPECT_EQ(mainWindow->statusText(), QStringLiteral("1 of 2 actions"));
    EXPECT_EQ(outlineTasks(), QStringList{QStringLiteral("Water the plants")});

    // The indicator ends the filter.
    QTest::mouseClick(&mainWindow->filterIndicator(), Qt::LeftButton);
    EXPECT_TRUE(mainWindow->filterIndicator().isHidden());
    EXPECT_EQ(outlineTasks().size(), 2);
    EXPECT_EQ(mainWindow->statusText(), QStringLiteral("2 actions"));
}

TEST_F(MainWindowTest, ASecondStartShowsTheSameWindowTabsAndGroupFromTheLibraryOptions) {
    clickInSourceList(work);
    clickInSourceList(home, Qt::ControlModifier);
    dragDivider(30);
    mainWindow->openInfoView(false);
    mainWindow->resize(900, 640);
    QCoreApplication::processEvents();
    const int listWidth = sourceListWidth();
    const int infoHeight = mainWindow->sourceListSplitter().subviewLength(1);
    const QSize size = mainWindow->size();

    // Quitting saves the window into the settings, and the library carries them in its options.
    ASSERT_TRUE(mainWindow->closeAllWindows(false));
    manager->saveOptionsDictionary();
    mainWindow.reset();

    // The next start makes the window while the settings know nothing of it (another machine, a
    // deleted settings file); the library's options come into the settings when it opens.
    for (const QString& key : defaults().storedKeys())
        if (TDLibraryManager::shouldCopyOptionToAndFromUserDefaults(key)) defaults().removeValue(key);
    mainWindow = TDMakeMainWindow(*manager);
    manager->copyOptionsToUserDefaults();
    mainWindow->showMainWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mainWindow.get()));
    QCoreApplication::processEvents();

    EXPECT_EQ(mainWindow->size(), size);
    EXPECT_EQ(sourceListWidth(), listWidth);
    EXPECT_TRUE(mainWindow->isInfoViewOpen());
    EXPECT_EQ(mainWindow->sourceListSplitter().subviewLength(1), infoHeight);
    ASSERT_EQ(tabs().numberOfTabs(), 2);
    EXPECT_EQ(tabs().selectedTabIndex(), 1);
    EXPECT_EQ(tabs().titleAtTabIndex(0), QStringLiteral("Website Redesign"));
    EXPECT_EQ(tasksController().group(), home);
    EXPECT_EQ(mainWindow->groupsController().selectedGroup(), home);
}

TEST_F(MainWindowTest, APlainKeyThatIsAMenuShortcutRunsItsItemBeforeTheOutlineSeesIt) {
    // An item whose shortcut the window's own shortcuts do not cover (it belongs to its menu alone).
    QMenu* view = mainWindow->menuBar()->actions().at(1)->menu();
    ASSERT_TRUE(view);
    QMenu* submenu = view->addMenu(QStringLiteral("Display"));
    QAction* item = submenu->addAction(QStringLiteral("Show Dates"));
    item->setShortcut(QKeySequence(Qt::Key_D));
    item->setShortcutContext(Qt::WidgetShortcut);
    int runs = 0;
    QObject::connect(item, &QAction::triggered, item, [&runs] { ++runs; });

    TDTasksView& outline = mainWindow->tasksViewController().tasksView();
    mainWindow->makeFirstResponder(&outline);
    QTest::keyClick(&outline, Qt::Key_D);
    EXPECT_EQ(runs, 1);
    // With Ctrl the key is not a plain one; a disabled item does not run.
    QTest::keyClick(&outline, Qt::Key_D, Qt::ControlModifier);
    item->setEnabled(false);
    QTest::keyClick(&outline, Qt::Key_D);
    EXPECT_EQ(runs, 1);
}

TEST_F(MainWindowTest, RevealingATaskFindsTheTabThatShowsItOrOpensOne) {
    TDTask* plants = addTask(home, QStringLiteral("Feed the cat"));
    processChanges();
    clickInSourceList(work);

    // No tab shows the task: one opens with its list.
    mainWindow->controller().revealTask(plants);
    ASSERT_EQ(tabs().numberOfTabs(), 2);
    EXPECT_EQ(tabs().selectedTabIndex(), 1);
    EXPECT_EQ(tasksController().group(), home);
    EXPECT_EQ(tasksController().selection(), QList<TDTask*>{plants});

    // A tab that shows it is chosen again.
    clickTab(0);
    mainWindow->controller().revealTask(plants);
    EXPECT_EQ(tabs().numberOfTabs(), 2);
    EXPECT_EQ(tabs().selectedTabIndex(), 1);
    EXPECT_EQ(tasksController().selection(), QList<TDTask*>{plants});

    // A group already in a tab is shown there.
    mainWindow->controller().revealGroup(work);
    EXPECT_EQ(tabs().numberOfTabs(), 2);
    EXPECT_EQ(tabs().selectedTabIndex(), 0);
}

TEST_F(MainWindowTest, Screenshot) {
    defaults().setValue(QStringLiteral("showIncompleteTaskCount"), true);
    clickInSourceList(work);
    clickInSourceList(home, Qt::ControlModifier);
    clickInSourceList(library()->inboxGroup(), Qt::ControlModifier);
    clickTab(0);
    mainWindow->sourceListPane().groupsView()->doItemsLayout();
    QCoreApplication::processEvents();
    const QImage picture = mainWindow->grab().toImage();
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(picture.save(QDir(folder).filePath(QStringLiteral("main_window.png"))));

    // The info pane under the source list, its header the grip of its divider.
    mainWindow->openInfoView(false);
    QCoreApplication::processEvents();
    EXPECT_TRUE(mainWindow->grab().toImage().save(
        QDir(folder).filePath(QStringLiteral("main_window_info_pane.png"))));
    mainWindow->closeInfoView(false);

    // The other arrangement: the source list hidden, a filter on, the status bar's buttons showing.
    mainWindow->toggleSourceList();
    tasksController().setTitleFilterString(QStringLiteral("the"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(
        mainWindow->grab().toImage().save(QDir(folder).filePath(QStringLiteral("main_window_filtered.png"))));
}

}  // namespace
}  // namespace apptest
