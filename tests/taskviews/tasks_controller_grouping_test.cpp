#include "tests/taskviews/tasks_controller_fixture.h"

#include "model/ordered_collection.h"
#include "platform/undo/undo_manager.h"

namespace taskviewstest {
namespace {

using GroupingTest = TasksControllerTest;

QDateTime day(int d, int hour = 0) {
    return QDateTime(QDate(2026, 12, d), QTime(hour, 0));
}

TEST_F(GroupingTest, TodayMovesItsTasksAcrossMidnight) {
    // Given a task due today, one due tomorrow and one completed today
    TDList* list = newList(QStringLiteral("Errands"));
    TDTask* dueToday = addTask(list, QStringLiteral("post letter"));
    dueToday->setDueDate(day(9));
    addTask(list, QStringLiteral("bank"))->setDueDate(day(10));
    TDTask* done = addTask(list, QStringLiteral("groceries"));
    done->setDueDate(day(9));
    done->setCompleted(true);
    processChanges();

    // When Today is shown
    controller->setGroup(library()->todayGroup());

    // Then it is a smart folder grouped by due-or-start date, showing only the sections with tasks
    EXPECT_EQ(controller->displayMode(), TDTasksController::SmartFolderMode);
    EXPECT_EQ(controller->groupingAttribute(), QStringLiteral("dueOrStartDate"));
    EXPECT_EQ(rows(),
              (QStringList{QStringLiteral("section Due today"), QStringLiteral("  task post letter"),
                           QStringLiteral("section Due in the next 3 days"), QStringLiteral("  task bank"),
                           QStringLiteral("section Completed today"), QStringLiteral("  task groceries")}));

    // When the clock passes midnight and the day change reaches the controller
    moveClockTo(day(10, 0).addSecs(60));
    controller->reloadAfterDateChange();

    // Then yesterday's task is past due, tomorrow's is due today and the completed one moved a day back
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("section Past due"), QStringLiteral("  task post letter"),
                                   QStringLiteral("section Due today"), QStringLiteral("  task bank"),
                                   QStringLiteral("section Completed yesterday"),
                                   QStringLiteral("  task groceries")}));
}

TEST_F(GroupingTest, ATagShowsItsTasksByListInTagMode) {
    TDList* home = newList(QStringLiteral("Home"));
    TDList* work = newList(QStringLiteral("Work"));
    TDTag* phone = tag(QStringLiteral("phone"));
    addTask(work, QStringLiteral("call boss"))->addTags({phone});
    addTask(home, QStringLiteral("call mum"))->addTags({phone});
    addTask(home, QStringLiteral("dishes"));
    processChanges();

    controller->setGroup(phone);

    EXPECT_EQ(controller->displayMode(), TDTasksController::TagMode);
    EXPECT_FALSE(controller->hasDummyHeader());
    EXPECT_EQ(rows(),
              (QStringList{QStringLiteral("section Home"), QStringLiteral("  task call mum /phone"),
                           QStringLiteral("section Work"), QStringLiteral("  task call boss /phone")}));
}

TEST_F(GroupingTest, UpcomingGroupsByTheDateToActOn) {
    TDList* list = newList(QStringLiteral("Plans"));
    addTask(list, QStringLiteral("dentist"))->setStartDate(day(11));
    addTask(list, QStringLiteral("holiday"))->setDueDate(day(28));
    processChanges();

    controller->setGroup(library()->upcomingGroup());

    EXPECT_EQ(controller->groupingAttribute(), QStringLiteral("nextActionDate"));
    EXPECT_FALSE(controller->canShowAllCompletedTasks());
    const QStringList shown = rows();
    EXPECT_LT(shown.indexOf(QStringLiteral("  task dentist")),
              shown.indexOf(QStringLiteral("  task holiday")));
    EXPECT_EQ(shown.filter(QStringLiteral("section")).size(), 2);
}

TEST_F(GroupingTest, SortByGroupsByPriorityOrADateAndSortsByTitle) {
    // Given a list shown in manual order
    TDList* list = newList(QStringLiteral("Mixed"));
    TDTask* b = addTask(list, QStringLiteral("bravo"));
    TDTask* a = addTask(list, QStringLiteral("alpha"));
    TDTask* c = addTask(list, QStringLiteral("charlie"));
    b->setPriority(2);
    c->setPriority(3);
    a->setDueDate(day(9));
    processChanges();
    controller->setGroup(list);
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Mixed"), QStringLiteral("task bravo"),
                                   QStringLiteral("task alpha"), QStringLiteral("task charlie")}));

    // When sorted by priority
    controller->sortBy(QStringLiteral("Priority"), false);
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Mixed"), QStringLiteral("section Priority 2"),
                                   QStringLiteral("  task bravo"), QStringLiteral("section Priority 3"),
                                   QStringLiteral("  task charlie"), QStringLiteral("section No Priority"),
                                   QStringLiteral("  task alpha")}));

    // When sorted by due date: the date sections appear
    controller->sortBy(QStringLiteral("By Due"), false);
    EXPECT_EQ(controller->groupingAttribute(), QStringLiteral("dueDate"));
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Mixed"), QStringLiteral("section Due today"),
                                   QStringLiteral("  task alpha"), QStringLiteral("section No due date"),
                                   QStringLiteral("  task bravo"), QStringLiteral("  task charlie")}));

    // When sorted by priority with Alt held, the order of the sections turns round
    controller->sortBy(QStringLiteral("Priority"), true);
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Mixed"), QStringLiteral("section Priority 3"),
                                   QStringLiteral("  task charlie"), QStringLiteral("section Priority 2"),
                                   QStringLiteral("  task bravo"), QStringLiteral("section No Priority"),
                                   QStringLiteral("  task alpha")}));

    // When the manual order is chosen again
    controller->sortBy(QStringLiteral("Manual Order"), false);
    EXPECT_EQ(controller->groupingAttribute(), QString());
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Mixed"), QStringLiteral("task bravo"),
                                   QStringLiteral("task alpha"), QStringLiteral("task charlie")}));
}

TEST_F(GroupingTest, ASortAttributeOrdersEveryCollectionAndReverses) {
    TDList* list = newList(QStringLiteral("Letters"));
    TDTask* b = addTask(list, QStringLiteral("bravo"));
    addTask(list, QStringLiteral("alpha"));
    addSubtask(b, QStringLiteral("zulu"));
    addSubtask(b, QStringLiteral("yankee"));
    processChanges();
    controller->setGroup(list);

    ASSERT_TRUE(controller->p_sortByAttribute(QStringLiteral("title"), false));
    controller->reload();
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Letters"), QStringLiteral("task alpha"),
                                   QStringLiteral("task bravo"), QStringLiteral("  task yankee"),
                                   QStringLiteral("  task zulu")}));
    EXPECT_FALSE(controller->p_sortByAttribute(QStringLiteral("title"), false));

    ASSERT_TRUE(controller->p_sortByAttribute(QStringLiteral("title"), true));
    controller->reload();
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Letters"), QStringLiteral("task bravo"),
                                   QStringLiteral("  task zulu"), QStringLiteral("  task yankee"),
                                   QStringLiteral("task alpha")}));
}

TEST_F(GroupingTest, GroupingAListByListWarnsAndShowsNoSections) {
    TDList* list = newList(QStringLiteral("Solo"));
    addTask(list, QStringLiteral("one"));
    processChanges();
    controller->setGroup(list);

    EXPECT_TRUE(controller->p_groupByAttribute(QStringLiteral("list"), true, false));
    EXPECT_FALSE(controller->isGrouping());
    EXPECT_EQ(controller->groupingAttribute(), QString());
    EXPECT_FALSE(controller->p_groupByAttribute(QString(), false, false));
}

TEST_F(GroupingTest, TheOneTimeSortReordersTheSelectedSiblingsWithUndo) {
    // Given four tasks in manual order, three of them selected
    TDList* list = newList(QStringLiteral("Shopping"));
    addTask(list, QStringLiteral("milk"));
    TDTask* eggs = addTask(list, QStringLiteral("eggs"));
    TDTask* apples = addTask(list, QStringLiteral("apples"));
    TDTask* cheese = addTask(list, QStringLiteral("cheese"));
    apples->setPriority(1);
    cheese->setPriority(2);
    eggs->setPriority(3);
    processChanges();
    manager->undoManager()->removeAllActions();
    controller->setGroup(list);
    select({eggs, apples, cheese});

    // When they are sorted by priority
    controller->sort(QStringLiteral("Priority"), false);
    processChanges();
    testsupport::drainEvents();

    // Then they keep their place as a block, in order, and the undo action is "Sort"
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Shopping"), QStringLiteral("task milk"),
                                   QStringLiteral("task apples"), QStringLiteral("task cheese"),
                                   QStringLiteral("task eggs")}));
    EXPECT_EQ(undoName(), QStringLiteral("Sort"));

    // When reversed (no attribute), then undone
    controller->sort(QString(), false);
    processChanges();
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Shopping"), QStringLiteral("task milk"),
                                   QStringLiteral("task eggs"), QStringLiteral("task cheese"),
                                   QStringLiteral("task apples")}));
    manager->undoManager()->undo();
    processChanges();
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Shopping"), QStringLiteral("task milk"),
                                   QStringLiteral("task apples"), QStringLiteral("task cheese"),
                                   QStringLiteral("task eggs")}));
}

}  // namespace
}  // namespace taskviewstest
