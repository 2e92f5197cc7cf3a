#include "app/command_bar_state.h"
#include "app/gui/command_bar_submenu_view.h"
#include "app/gui/dark_button.h"
#include "app/gui/goto_view_controller.h"
#include "app/gui/hints_command_view_controller.h"
#include "app/gui/main_window.h"
#include "app/gui/tag_filter_view_controller.h"
#include "app/gui/toolbar_controls.h"
#include "app/gui/toolbar_view_controller.h"
#include "controls/gui/function_bar.h"
#include "controls/gui/pop_up_button.h"
#include "platform/defaults/user_defaults.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/tasks_controller.h"
#include "tests/app/groups_controller_fixture.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace apptest {
namespace {

// The main window with its toolbar and command bar over a library with a folder of lists, tagged
// tasks and a few more lists.
class MainWindowCommandBarTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        groups.reset();
        tasks.reset();
        clients = folder(QStringLiteral("Clients"));
        website = list(QStringLiteral("Website Redesign"), clients);
        report = list(QStringLiteral("Quarterly Report"), clients);
        work = list(QStringLiteral("Work"));
        home = list(QStringLiteral("Household"));
        TDTag* phone = tag(QStringLiteral("@phone"));
        TDTag* errands = tag(QStringLiteral("errands"));
        TDTag* waiting = tag(QStringLiteral("waiting"));
        TDTag* anna = tag(QStringLiteral("Anna"));
        TDTag* urgent = tag(QStringLiteral("urgent"));
        const struct {
            TDList* list;
            const char* title;
            QList<TDTag*> tags;
        } items[] = {
            {website, "Draft the home page", {urgent}},     {website, "Pick the colours", {anna}},
            {website, "Review with Anna", {anna, phone}},   {report, "Collect the figures", {waiting}},
            {report, "Write the summary", {urgent}},        {home, "Call the plumber", {phone, urgent}},
            {home, "Buy light bulbs", {errands}},           {home, "Water the plants", {}},
            {work, "Send the invoice", {errands, waiting}},
        };
        for (const auto& item : items)
            addTask(item.list, QString::fromLatin1(item.title))->addTags(item.tags);
        processChanges();
        mainWindow = TDMakeMainWindow(*manager);
        mainWindow->showMainWindow();
        mainWindow->resize(1000, 640);
        QApplication::setActiveWindow(mainWindow.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mainWindow.get()));
        mainWindow->groupsController().expandGroup(clients);
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        mainWindow.reset();
        GroupsControllerTest::TearDown();
    }

    TDTasksController& tasksController() const { return mainWindow->tasksViewController().tasksController(); }
    TDToolbarViewController& toolbar() const { return mainWindow->toolbarController(); }
    TDCommandBarSubmenuView& bar() const { return mainWindow->commandBarView(); }
    void show(TDGroup* group) {
        ASSERT_TRUE(mainWindow->groupsController().selectGroup(group));
        QCoreApplication::processEvents();
    }
    // Column 2's right edge in the task list's container.
    int column2RightEdge() const {
        const QHeaderView* header = mainWindow->tasksViewController().tasksView().header();
        const int right = header->sectionViewportPosition(2) + header->sectionSize(2);
        return header->viewport()->mapTo(&mainWindow->tasksViewController(), QPoint(right, 0)).x();
    }
    int rightEdgeInContainer(const QWidget* widget) const {
        return widget->mapTo(&mainWindow->tasksViewController(), QPoint(widget->width(), 0)).x();
    }
    QStringList checkedModeButtons() const {
        QStringList checked;
        for (TDFunctionButton* button :
             {&mainWindow->gotoButton(), &mainWindow->hintsButton(), &mainWindow->tagFilterButton()})
            if (button->isChecked()) checked << button->text();
        return checked;
    }
    void shoot(const QString& name) {
        QCoreApplication::processEvents();
        const QImage picture = mainWindow->grab().toImage();
        const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        EXPECT_TRUE(picture.save(QDir(folder).filePath(name)));
    }

    TDFolder* clients = nullptr;
    TDList* website = nullptr;
    TDList* report = nullptr;
    TDList* work = nullptr;
    TDList* home = nullptr;
    std::unique_ptr<TDMainWindow> mainWindow;
};

TEST_F(MainWindowCommandBarTest, TheLimitChooserEndsOnColumnTwoForEveryLimit) {
    show(clients);
    ASSERT_EQ(tasksController().displayMode(), int(TDTasksController::FolderMode));
    EXPECT_FALSE(toolbar().limitChooseView()->isHidden());
    EXPECT_TRUE(toolbar().toggleCompletedView()->isHidden());
    const struct {
        qint64 limit;
        const char* leading;
        const char* trailing;
    } cases[] = {
        {0, "Show", "tasks from each list"},
        {1, "Show top", "task from each list"},
        {5, "Show top", "tasks from each list"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        tasksController().changeGroupingLimit(c.limit);
        EXPECT_EQ(toolbar().limitLeadingLabel()->text(), QLatin1String(c.leading));
        EXPECT_EQ(toolbar().limitTrailingLabel()->text(), QLatin1String(c.trailing));
        EXPECT_EQ(toolbar().limitPopUp()->currentData().toLongLong(), c.limit);
        EXPECT_EQ(rightEdgeInContainer(toolbar().limitChooseView()), column2RightEdge());
        EXPECT_GE(toolbar().limitChooseView()->x(), toolbar().viewModeSegmentedControl()->geometry().right());
    }
    // The task column takes the window's width: a narrower window takes the chooser along.
    const int before = column2RightEdge();
    mainWindow->resize(mainWindow->width() - 80, mainWindow->height());
    QCoreApplication::processEvents();
    EXPECT_LT(column2RightEdge(), before);
    EXPECT_EQ(rightEdgeInContainer(toolbar().limitChooseView()), column2RightEdge());

    // Choosing a limit in the pop-up limits the lists.
    toolbar().limitPopUp()->setCurrentIndex(toolbar().limitPopUp()->findData(1));
    Q_EMIT toolbar().limitPopUp()->activated(toolbar().limitPopUp()->currentIndex());
    EXPECT_EQ(tasksController().groupingLimit(), 1u);
}

TEST_F(MainWindowCommandBarTest, AListShowsTheCompletedToggleAndTheHistoryEnablesTheArrows) {
    show(home);
    EXPECT_TRUE(toolbar().limitChooseView()->isHidden());
    EXPECT_FALSE(toolbar().toggleCompletedView()->isHidden());
    EXPECT_EQ(rightEdgeInContainer(toolbar().toggleCompletedView()), column2RightEdge());
    QTest::mouseClick(toolbar().toggleCompletedButton(), Qt::LeftButton);
    EXPECT_EQ(tasksController().hideOldCompletedTasks(), !toolbar().toggleCompletedButton()->isChecked());

    TDToolbarSegmentedControl* arrows = toolbar().backAndForwardSegmentedControl();
    EXPECT_TRUE(arrows->isSegmentEnabled(0));
    EXPECT_FALSE(arrows->isSegmentEnabled(1));
    QTest::mouseClick(arrows, Qt::LeftButton, {}, arrows->segmentRect(0).center());
    EXPECT_NE(tasksController().group(), home);
    EXPECT_TRUE(arrows->isSegmentEnabled(1));

    // The view-mode switch hands the mode to the tasks controller.
    TDToolbarSegmentedControl* modes = toolbar().viewModeSegmentedControl();
    QTest::mouseClick(modes, Qt::LeftButton, {}, modes->segmentRect(1).center());
    EXPECT_EQ(tasksController().mode(), 1);
    QTest::mouseClick(modes, Qt::LeftButton, {}, modes->segmentRect(0).center());
    EXPECT_EQ(tasksController().mode(), 0);
    EXPECT_EQ(modes->selectedSegment(), 0);
}

TEST_F(MainWindowCommandBarTest, GotoSlidesOverTheHintsAndGivesWayAgain) {
    mainWindow->closeCommandBar();
    EXPECT_FALSE(mainWindow->submenuSplitter().isSubviewOpen(1));
    EXPECT_TRUE(checkedModeButtons().isEmpty());

    QTest::mouseClick(&mainWindow->hintsButton(), Qt::LeftButton);
    EXPECT_TRUE(mainWindow->commandBar().isTaskSubmenuOpen());
    EXPECT_EQ(mainWindow->submenuSplitter().subviewLength(1), TDCommandBarState::kBarHeight);
    EXPECT_EQ(bar().topCommandController(), &mainWindow->hintsCommandViewController());
    EXPECT_EQ(checkedModeButtons(), QStringList{mainWindow->hintsButton().text()});

    QTest::mouseClick(&mainWindow->gotoButton(), Qt::LeftButton);
    TDGotoViewController& gotoView = mainWindow->gotoViewController();
    EXPECT_EQ(bar().commandViewControllers().size(), 2);
    EXPECT_EQ(bar().topCommandController(), &gotoView);
    EXPECT_EQ(checkedModeButtons(), QStringList{mainWindow->gotoButton().text()});
    EXPECT_TRUE(gotoView.searchField()->hasFocus());
    EXPECT_EQ(gotoView.view()->geometry(), bar().containerView()->rect());

    QTest::keyClicks(gotoView.searchField(), QStringLiteral("wrk"));
    EXPECT_EQ(tasksController().group(), work);
    QTest::keyClick(gotoView.searchField(), Qt::Key_Return);
    EXPECT_EQ(tasksController().group(), work);
    EXPECT_TRUE(mainWindow->commandBar().isTaskSubmenuOpen());
    EXPECT_EQ(bar().commandViewControllers().size(), 1);
    EXPECT_EQ(checkedModeButtons(), QStringList{mainWindow->hintsButton().text()});

    // Go-to again, cancelled with Escape: the group of before comes back.
    mainWindow->openGotoView();
    QTest::keyClicks(gotoView.searchField(), QStringLiteral("hou"));
    EXPECT_EQ(tasksController().group(), home);
    QTest::keyClick(gotoView.searchField(), Qt::Key_Escape);
    EXPECT_EQ(tasksController().group(), work);
    EXPECT_TRUE(mainWindow->commandBar().isTaskSubmenuOpen());

    // The bar's button closes it.
    QTest::mouseClick(&mainWindow->hintsButton(), Qt::LeftButton);
    EXPECT_FALSE(mainWindow->submenuSplitter().isSubviewOpen(1));
    EXPECT_EQ(platform::UserDefaults::standard().integer(TDCommandBarState::ModeKey), 0);
}

TEST_F(MainWindowCommandBarTest, FilterByTitleOpensTheTagFilterWithItsFieldReady) {
    mainWindow->closeCommandBar();
    show(home);
    mainWindow->filterByTitle();
    EXPECT_TRUE(mainWindow->commandBar().isTagFilterOpen());
    QLineEdit* field = mainWindow->tagFilterController().searchField();
    EXPECT_EQ(QApplication::focusWidget(), field);
    EXPECT_TRUE(mainWindow->controller().isTitleFilterFieldFirstResponder());
    QTest::keyClicks(field, QStringLiteral("plumb"));
    EXPECT_EQ(tasksController().titleFilterString(), QStringLiteral("plumb"));

    // With the hints open, their own field takes the keyboard.
    mainWindow->openTaskSubmenu();
    mainWindow->filterByTitle();
    EXPECT_EQ(QApplication::focusWidget(), mainWindow->hintsCommandViewController().searchField());
}

// Filter by Title while go-to browses: go-to is cancelled first (the group of before, no dimming), the
// bar it covered or the tag filter takes the typing, and the next go-to starts from what is shown then.
TEST_F(MainWindowCommandBarTest, FilterByTitleClosesGotoFirst) {
    struct Case {
        const char* name;
        bool hintsUnder;
    };
    for (const Case& c : {Case{"go-to alone", false}, Case{"go-to over the hints", true}}) {
        SCOPED_TRACE(c.name);
        mainWindow->closeCommandBar();
        if (c.hintsUnder) mainWindow->openTaskSubmenu();
        show(work);
        mainWindow->openGotoView();
        TDGotoViewController& gotoView = mainWindow->gotoViewController();
        QTest::keyClicks(gotoView.searchField(), QStringLiteral("hou"));
        ASSERT_EQ(tasksController().group(), home);
        ASSERT_TRUE(tasksController().drawsOverlay());

        mainWindow->filterByTitle();
        EXPECT_FALSE(mainWindow->commandBar().isGotoOpen());
        EXPECT_EQ(mainWindow->commandBarView().commandViewControllers().size(), 1);
        EXPECT_EQ(tasksController().group(), work);
        EXPECT_FALSE(tasksController().drawsOverlay());
        QLineEdit* field = c.hintsUnder ? mainWindow->hintsCommandViewController().searchField()
                                        : mainWindow->tagFilterController().searchField();
        EXPECT_EQ(QApplication::focusWidget(), field);
        QTest::keyClick(field, Qt::Key_Escape);

        show(home);
        mainWindow->openGotoView();
        QTest::keyClicks(gotoView.searchField(), QStringLiteral("wrk"));
        ASSERT_EQ(tasksController().group(), work);
        QTest::keyClick(gotoView.searchField(), Qt::Key_Escape);
        EXPECT_EQ(tasksController().group(), home);
        EXPECT_FALSE(tasksController().drawsOverlay());
    }
}

// The title filter fields show the filter in force: cleared by the filter indicator or by another group,
// set again by a group's saved filter.
TEST_F(MainWindowCommandBarTest, TheTitleFilterFieldsFollowTheFilter) {
    show(home);
    mainWindow->openTagFilter();
    mainWindow->hintsCommandViewController();
    QLineEdit* tagField = mainWindow->tagFilterController().searchField();
    QLineEdit* hintsField = mainWindow->hintsCommandViewController().searchField();
    mainWindow->filterByTitle();
    QTest::keyClicks(tagField, QStringLiteral("plumb"));
    ASSERT_EQ(tasksController().titleFilterString(), QStringLiteral("plumb"));
    EXPECT_EQ(hintsField->text(), QStringLiteral("plumb"));

    QTest::mouseClick(&mainWindow->filterIndicator(), Qt::LeftButton);
    EXPECT_FALSE(tasksController().isFilteringByTitle());
    EXPECT_TRUE(tagField->text().isEmpty());
    EXPECT_TRUE(hintsField->text().isEmpty());

    tasksController().setTitleFilterString(QStringLiteral("bulbs"));
    EXPECT_EQ(tagField->text(), QStringLiteral("bulbs"));
    show(work);
    EXPECT_TRUE(tagField->text().isEmpty());
    EXPECT_EQ(tasksController().titleFilterString(), QString());
}

TEST_F(MainWindowCommandBarTest, QuittingWithGotoOverTheTagFilterReopensTheTagFilter) {
    mainWindow->openTagFilter();
    mainWindow->openGotoView();
    mainWindow->saveLayout();
    EXPECT_EQ(platform::UserDefaults::standard().integer(TDCommandBarState::ModeKey), 2);
    mainWindow.reset();
    mainWindow = TDMakeMainWindow(*manager);
    EXPECT_TRUE(mainWindow->commandBar().isTagFilterOpen());
    EXPECT_EQ(mainWindow->commandBarView().commandViewControllers().size(), 1);
}

TEST_F(MainWindowCommandBarTest, TheViewMenusTogglesAreCheckedWhileTheirViewIsOpen) {
    QAction* gotoItem = mainWindow->toggleGotoAction();
    QAction* hintsItem = mainWindow->toggleTaskSubmenuAction();
    QAction* filterItem = mainWindow->toggleTagFilterAction();
    ASSERT_TRUE(gotoItem && hintsItem && filterItem);
    const auto checked = [&] {
        QStringList on;
        for (const QAction* item : {gotoItem, hintsItem, filterItem}) {
            EXPECT_TRUE(item->isCheckable()) << item->text().toStdString();
            if (item->isChecked()) on << item->text();
        }
        return on;
    };
    mainWindow->closeCommandBar();
    EXPECT_TRUE(checked().isEmpty());
    const struct {
        QAction* trigger;
        QAction* expected;
    } steps[] = {{hintsItem, hintsItem},
                 {filterItem, filterItem},
                 {gotoItem, gotoItem},
                 {gotoItem, filterItem},
                 {filterItem, nullptr}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.trigger->text().toStdString());
        step.trigger->trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(checked(), step.expected ? QStringList{step.expected->text()} : QStringList());
    }
}

TEST_F(MainWindowCommandBarTest, AtTheDefaultWidthTheHintsShowEveryButton) {
    // The first window of a large screen, with the source list at its first width.
    mainWindow->resize(1050, 735);
    show(home);
    mainWindow->openTaskSubmenu();
    QCoreApplication::processEvents();
    TDHintsCommandViewController& hints = mainWindow->hintsCommandViewController();
    for (int which = TDHintsCommandViewController::Complete; which <= TDHintsCommandViewController::Archive;
         ++which) {
        // File Task is the first to give way, and does at this width.
        if (which == TDHintsCommandViewController::FileTask) continue;
        const QWidget* button = hints.button(TDHintsCommandViewController::Button(which));
        EXPECT_FALSE(button->isHidden()) << which;
        EXPECT_LE(button->geometry().right(), hints.view()->width()) << which;
    }
    EXPECT_FALSE(hints.searchField()->isHidden());
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(bar().grab().save(QDir(folder).filePath(QStringLiteral("hints_bar_default_width.png"))));
    shoot(QStringLiteral("main_window_default_width_hints.png"));

    mainWindow->resize(1400, 735);
    QCoreApplication::processEvents();
    EXPECT_FALSE(hints.button(TDHintsCommandViewController::FileTask)->isHidden());
}

// Pictures of the window for a person to look at: go-to browsing, the hints and the tag filter.
TEST_F(MainWindowCommandBarTest, Screenshots) {
    show(clients);
    mainWindow->openTaskSubmenu();
    shoot(QStringLiteral("main_window_hints.png"));

    mainWindow->openGotoView();
    QTest::keyClicks(mainWindow->gotoViewController().searchField(), QStringLiteral("re"));
    shoot(QStringLiteral("main_window_goto.png"));
    QTest::keyClick(mainWindow->gotoViewController().searchField(), Qt::Key_Escape);

    mainWindow->openTagFilter();
    shoot(QStringLiteral("main_window_tag_filter.png"));
}

}  // namespace
}  // namespace apptest
