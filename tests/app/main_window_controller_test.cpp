#include "app/main_window_controller.h"
#include "app/command_bar_state.h"
#include "app/goto_controller.h"
#include "tests/app/groups_controller_fixture.h"

namespace apptest {
namespace {

class FakeMainWindow : public TDMainWindowView {
public:
    bool isWindowKey() const override { return true; }
    bool isTasksViewEditing() const override { return false; }
    bool isEditingGroupTitle() const override { return false; }
    void focusTasksView() override { ++focused; }
    void closeWindow() override { ++closed; }
    int focused = 0;
    int closed = 0;
};

// The source list, the tabs and the task list tied together by the controller, without widgets.
class MainWindowControllerTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        work = list(QStringLiteral("Work"));
        home = list(QStringLiteral("Home"));
        addTask(work, QStringLiteral("Write report"));
        addTask(home, QStringLiteral("Water plants"));
        processChanges();
        makeController();
    }
    void TearDown() override {
        controller.reset();
        tabs.reset();
        GroupsControllerTest::TearDown();
    }
    void makeController() {
        controller.reset();
        tabs = std::make_unique<TDGroupTabs>(defaults());
        controller = std::make_unique<TDMainWindowController>(*manager, *groups, *tabs, *tasks);
        controller->setView(&view);
        controller->restoreState();
    }
    QStringList tabTitles() const {
        QStringList titles;
        for (int i = 0; i < tabs->numberOfTabs(); ++i) titles << tabs->titleAtTabIndex(i);
        return titles;
    }

    TDList* work = nullptr;
    TDList* home = nullptr;
    FakeMainWindow view;
    std::unique_ptr<TDGroupTabs> tabs;
    std::unique_ptr<TDMainWindowController> controller;
};

TEST_F(MainWindowControllerTest, AFirstStartShowsTodayInOneTab) {
    EXPECT_EQ(tabs->numberOfTabs(), 1);
    EXPECT_EQ(tabs->selectedGroup(), library()->todayGroup());
    EXPECT_EQ(tasks->group(), library()->todayGroup());
    EXPECT_EQ(groups->selectedGroup(), library()->todayGroup());
}

TEST_F(MainWindowControllerTest, ChoosingAGroupShowsItsTasksAndSetsItOnTheSelectedTab) {
    ASSERT_TRUE(groups->selectGroup(work));
    EXPECT_EQ(tasks->group(), work);
    EXPECT_EQ(tabs->selectedGroup(), work);
    EXPECT_EQ(tabTitles(), QStringList{QStringLiteral("Work")});
    EXPECT_EQ(controller->selectedTabGroupUID(), work->uid());
}

TEST_F(MainWindowControllerTest, TabsShowTheirOwnGroupsWhenSwitched) {
    groups->selectGroup(work);
    groups->setEventModifiers(Qt::ControlModifier);
    groups->selectGroup(home);
    groups->setEventModifiers(Qt::NoModifier);
    ASSERT_EQ(tabTitles(), (QStringList{QStringLiteral("Work"), QStringLiteral("Home")}));
    EXPECT_EQ(tabs->selectedTabIndex(), 1);
    EXPECT_EQ(tasks->group(), home);

    controller->selectNextTab();  // wraps around
    EXPECT_EQ(tabs->selectedTabIndex(), 0);
    EXPECT_EQ(tasks->group(), work);
    EXPECT_EQ(groups->selectedGroup(), work);

    controller->selectPreviousTab();
    EXPECT_EQ(tasks->group(), home);
}

TEST_F(MainWindowControllerTest, SwitchingTabsWithCtrlHeldStaysInPlace) {
    groups->openInNewTab(home);
    ASSERT_EQ(tabs->numberOfTabs(), 2);
    // Ctrl+Tab leaves Ctrl held: the tab's group must not open a third tab.
    groups->setEventModifiers(Qt::ControlModifier);
    controller->selectNextTab();
    groups->setEventModifiers(Qt::NoModifier);
    EXPECT_EQ(tabs->numberOfTabs(), 2);
    EXPECT_EQ(tasks->group(), library()->todayGroup());
}

// Go-to open over one tab while another is selected: go-to gives the tab being left its group back
// first, so Escape afterwards changes nothing and each tab keeps its own group.
TEST_F(MainWindowControllerTest, SelectingATabClosesGotoSoEachTabKeepsItsGroup) {
    groups->selectGroup(work);
    groups->openInNewTab(home);
    controller->selectPreviousTab();
    ASSERT_EQ(tasks->group(), work);

    TDCommandBarState bar(defaults());
    controller->setCommandBar(&bar);
    TDGotoController gotoController(*groups, *tasks);
    QObject::connect(&bar, &TDCommandBarState::gotoClosing, &gotoController,
                     [&gotoController] { gotoController.windowClosesGoto(); });
    bar.openGoto();
    gotoController.viewDidOpen();
    gotoController.completionsForString(QStringLiteral("hom"));
    ASSERT_EQ(tasks->group(), home);
    ASSERT_TRUE(tasks->drawsOverlay());

    controller->selectNextTab();
    EXPECT_FALSE(bar.isGotoOpen());
    EXPECT_FALSE(tasks->drawsOverlay());
    EXPECT_EQ(tasks->group(), home);
    gotoController.cancel();  // Escape in a field that has gone
    EXPECT_EQ(tasks->group(), home);
    EXPECT_EQ(tabs->groupAtTabIndex(0), work);
    EXPECT_EQ(tabs->groupAtTabIndex(1), home);
    controller->selectPreviousTab();
    EXPECT_EQ(tasks->group(), work);
    controller->setCommandBar(nullptr);
}

TEST_F(MainWindowControllerTest, ClosingTheLastTabClosesTheWindow) {
    groups->openInNewTab(work);
    controller->closeTab();
    EXPECT_EQ(tabs->numberOfTabs(), 1);
    EXPECT_EQ(view.closed, 0);
    EXPECT_EQ(tasks->group(), library()->todayGroup());
    controller->closeTab();
    EXPECT_EQ(tabs->numberOfTabs(), 1);
    EXPECT_EQ(view.closed, 1);
}

TEST_F(MainWindowControllerTest, TabsAndTheirGroupsComeBackAfterARestart) {
    groups->selectGroup(work);
    groups->openInNewTab(home);
    controller->saveState();

    makeController();
    EXPECT_EQ(tabTitles(), (QStringList{QStringLiteral("Work"), QStringLiteral("Home")}));
    EXPECT_EQ(tabs->selectedTabIndex(), 1);
    EXPECT_EQ(tasks->group(), home);
}

TEST_F(MainWindowControllerTest, AFreshLibraryStartsFromOneTodayTab) {
    groups->openInNewTab(work);
    controller->clearTabsToToday();
    EXPECT_EQ(tabs->numberOfTabs(), 1);
    EXPECT_EQ(tasks->group(), library()->todayGroup());
}

}  // namespace
}  // namespace apptest
