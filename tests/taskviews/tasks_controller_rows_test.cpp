#include "tests/taskviews/tasks_controller_fixture.h"

#include "model/folder.h"
#include "model/ordered_collection.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_view_task_enumerator.h"

#include <QAbstractItemModelTester>

namespace taskviewstest {
namespace {

using RowsTest = TasksControllerTest;

TEST_F(RowsTest, TheInboxShowsItsTasksUnderTheDummyHeader) {
    // Given the Inbox with two tasks, the first with a subtask
    TDTask* first = addTask(library()->inboxGroup(), QStringLiteral("Call Anna"));
    addSubtask(first, QStringLiteral("Find the number"));
    addTask(library()->inboxGroup(), QStringLiteral("Buy milk"));
    processChanges();

    // When the controller shows the Inbox
    controller->setGroup(library()->inboxGroup());

    // Then it is in list mode, row 0 is the Inbox's own collection and the tasks follow in order
    EXPECT_EQ(controller->displayMode(), TDTasksController::ListMode);
    EXPECT_EQ(outline.displayMode, TDTasksController::ListMode);
    EXPECT_TRUE(controller->hasDummyHeader());
    EXPECT_EQ(rows(),
              (QStringList{QStringLiteral("header Inbox"), QStringLiteral("task Call Anna"),
                           QStringLiteral("  task Find the number"), QStringLiteral("task Buy milk")}));
    const TDTaskRowItem header = controller->child(TDTaskRowItem::root(), 0);
    EXPECT_EQ(header, TDTaskRowItem::header(controller->topTasks()));
    EXPECT_EQ(controller->numberOfChildren(header), 0);
    EXPECT_FALSE(controller->shouldSelectItem(header));
    EXPECT_TRUE(controller->isItemExpandable(TDTaskRowItem::task(first)));
    EXPECT_TRUE(controller->child(TDTaskRowItem::root(), 3).isRoot());
    EXPECT_TRUE(controller->child(TDTaskRowItem::root(), -1).isRoot());
    EXPECT_EQ(controller->statusBarSummary(), QStringLiteral("2 actions"));
}

TEST_F(RowsTest, NoGroupShowsNothingInModeZero) {
    controller->setGroup(nullptr);
    EXPECT_EQ(controller->displayMode(), TDTasksController::NoGroupMode);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(controller->statusBarSummary(), QString());
}

TEST_F(RowsTest, TheEnumeratorYieldsOnlyTasksInRowOrder) {
    // Given a folder of two lists, shown by list with a limit of one task per list
    TDFolder* folder = library()->createFolder(QStringLiteral("Work"), library()->foldersGroup());
    TDList* first = newList(QStringLiteral("Alpha"), folder);
    TDList* second = newList(QStringLiteral("Beta"), folder);
    TDTask* a1 = addTask(first, QStringLiteral("a1"));
    addSubtask(a1, QStringLiteral("a1.1"));
    addTask(first, QStringLiteral("a2"));
    addTask(second, QStringLiteral("b1"));
    processChanges();
    controller->setViewOptions({});
    controller->setGroup(folder);
    controller->setGroupingLimit(1);
    controller->reloadAfterDateChange();
    ASSERT_TRUE(rows().contains(QStringLiteral("  footer 1 more\u2026")));

    // When the enumerator walks the rows, forwards and backwards
    QStringList forwards;
    TDTasksViewTaskEnumerator walk(controller.get());
    while (TDTask* task = walk.nextObject()) forwards << task->title();
    QStringList backwards;
    TDTasksViewTaskEnumerator reverse(controller.get(), true);
    while (TDTask* task = reverse.nextObject()) backwards << task->title();

    // Then sections and footers are skipped and only the shown tasks come, in row order
    EXPECT_EQ(forwards, (QStringList{QStringLiteral("a1"), QStringLiteral("a1.1"), QStringLiteral("b1")}));
    EXPECT_EQ(backwards, (QStringList{QStringLiteral("b1"), QStringLiteral("a1.1"), QStringLiteral("a1")}));
    EXPECT_EQ(walk.currentObject(), nullptr);
    walk.reset();
    EXPECT_EQ(walk.nextObject()->title(), QStringLiteral("a1"));
}

TEST_F(RowsTest, AFolderShowsOneSectionPerListWithTheGroupingLimitAndFooter) {
    // Given a folder with a list of eight actions, an empty list and a list of two
    defaults().setValue(QStringLiteral("defaultGroupingLimit"), 5);
    TDFolder* folder = library()->createFolder(QStringLiteral("Home"), library()->foldersGroup());
    TDList* big = newList(QStringLiteral("Chores"), folder);
    newList(QStringLiteral("Empty"), folder);
    TDList* small = newList(QStringLiteral("Garden"), folder);
    for (int i = 1; i <= 8; ++i) addTask(big, QStringLiteral("chore %1").arg(i));
    addTask(small, QStringLiteral("mow"));
    addTask(small, QStringLiteral("rake"));
    processChanges();

    // When the folder is shown with no saved options
    controller->setGroup(folder);

    // Then each non-empty list is a section; the long one stops at the default limit with a footer
    EXPECT_EQ(controller->displayMode(), TDTasksController::FolderMode);
    EXPECT_EQ(controller->groupingAttribute(), QStringLiteral("subgroup"));
    EXPECT_EQ(controller->groupingLimit(), 5u);
    QStringList expected{QStringLiteral("section Chores")};
    for (int i = 1; i <= 5; ++i) expected << QStringLiteral("  task chore %1").arg(i);
    expected << QStringLiteral("  footer 3 more\u2026") << QStringLiteral("section Garden")
             << QStringLiteral("  task mow") << QStringLiteral("  task rake");
    EXPECT_EQ(rows(), expected);
    const TDTaskRowItem chores = controller->child(TDTaskRowItem::root(), 0);
    EXPECT_TRUE(controller->isGroupItem(chores));
    EXPECT_EQ(controller->numberOfChildren(chores), 6);
    EXPECT_EQ(controller->child(chores, 5).kind, TDTaskRowItem::Kind::Footer);
    // And the status bar counts every action, of which the 7 above the footer are shown
    EXPECT_EQ(controller->numberOfActions(), 10);
    EXPECT_EQ(controller->numberOfVisibleActions(), 7);
    EXPECT_EQ(controller->statusBarSummary(), QStringLiteral("7 of 10 actions"));

    // When the limit is lifted, every action is shown again
    controller->setGroupingLimit(0);
    controller->reloadAfterDateChange();
    EXPECT_EQ(controller->numberOfVisibleActions(), 10);
    EXPECT_EQ(controller->statusBarSummary(), QStringLiteral("10 actions"));

    // When a list joins the folder, the sections follow on the next change
    TDList* added = newList(QStringLiteral("Attic"), folder);
    addTask(added, QStringLiteral("sort boxes"));
    processChanges();
    EXPECT_TRUE(rows().contains(QStringLiteral("section Attic")));
}

// On paper the group's title heads the rows whatever the mode; the outline's model follows.
TEST_F(RowsTest, PrintingPutsTheHeaderRowAboveEveryMode) {
    TDFolder* folder = library()->createFolder(QStringLiteral("Home"), library()->foldersGroup());
    addTask(newList(QStringLiteral("Garden"), folder), QStringLiteral("mow"));
    addTask(library()->inboxGroup(), QStringLiteral("Buy milk"));
    TDTask* today = addTask(library()->inboxGroup(), QStringLiteral("Call Anna"));
    today->setStartDate(TDClock::currentDateTime());
    processChanges();
    TDTaskTreeModel model(controller.get());
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    const struct {
        TDGroup* group;
        int mode;
    } shown[] = {{library()->inboxGroup(), TDTasksController::ListMode},
                 {library()->todayGroup(), TDTasksController::SmartFolderMode},
                 {folder, TDTasksController::FolderMode}};
    for (const auto& c : shown) {
        SCOPED_TRACE(c.group->title().toStdString());
        controller->setGroup(c.group);
        ASSERT_EQ(controller->displayMode(), c.mode);
        const QStringList onScreen = rows();
        const QString header = QStringLiteral("header ") + c.group->title();

        controller->setPrinting(true);
        const QStringList printed = rows();
        ASSERT_FALSE(printed.isEmpty());
        EXPECT_EQ(printed.first(), header);
        EXPECT_EQ(printed.mid(1), c.mode == TDTasksController::ListMode ? onScreen.mid(1) : onScreen);
        const auto topLevel = std::count_if(printed.begin(), printed.end(), [](const QString& row) {
            return !row.startsWith(QLatin1Char(' '));
        });
        EXPECT_EQ(model.rowCount(), topLevel);
        EXPECT_EQ(model.index(0, TDTaskTreeModel::TaskColumn).data().toString(), c.group->title());

        controller->setPrinting(false);
        EXPECT_EQ(rows(), onScreen);
    }
}

}  // namespace
}  // namespace taskviewstest
