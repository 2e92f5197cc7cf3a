#include "tests/taskviews/tasks_controller_fixture.h"

#include "model/ordered_collection.h"
#include "platform/undo/undo_manager.h"

namespace taskviewstest {
namespace {

using MovesTest = TasksControllerTest;

// A list grouped by priority: p2 (2), p3a and p3b (3), p9 (9), none (0).
TEST_F(MovesTest, PastTheEndOfAPrioritySectionTheTasksTakeTheNextPriority) {
    TDList* list = newList(QStringLiteral("Ranked"));
    TDTask* p2 = addTask(list, QStringLiteral("p2"));
    TDTask* p3a = addTask(list, QStringLiteral("p3a"));
    TDTask* p3b = addTask(list, QStringLiteral("p3b"));
    TDTask* p9 = addTask(list, QStringLiteral("p9"));
    TDTask* none = addTask(list, QStringLiteral("none"));
    p2->setPriority(2);
    p3a->setPriority(3);
    p3b->setPriority(3);
    p9->setPriority(9);
    processChanges();
    controller->setGroup(list);
    controller->sortBy(QStringLiteral("Priority"), false);
    testsupport::drainEvents();

    // Up from the top of priority 3: priority 2, at the end of its section
    select({p3a});
    controller->moveTasksVerticallyByDistance(-1);
    testsupport::drainEvents();
    EXPECT_EQ(p3a->priority(), 2);
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Ranked"), QStringLiteral("section Priority 2"),
                                   QStringLiteral("  task p2"), QStringLiteral("  task p3a"),
                                   QStringLiteral("section Priority 3"), QStringLiteral("  task p3b"),
                                   QStringLiteral("section Priority 9"), QStringLiteral("  task p9"),
                                   QStringLiteral("section No Priority"), QStringLiteral("  task none")}));
    EXPECT_EQ(undoName(), QStringLiteral("Move Up"));
    EXPECT_EQ(taskTitles(controller->selection()), QStringList{QStringLiteral("p3a")});

    // Down from the bottom of priority 9: no priority
    select({p9});
    controller->moveTasksVerticallyByDistance(1);
    testsupport::drainEvents();
    EXPECT_EQ(p9->priority(), 0);
    EXPECT_EQ(undoName(), QStringLiteral("Move Down"));

    // Down from the section without priority, and up from priority 1's neighbour 2 at the very top: beeps
    feedback.events.clear();
    manager->undoManager()->removeAllActions();
    select({none});
    controller->moveTasksVerticallyByDistance(1);
    p2->setPriority(1);
    processChanges();
    testsupport::drainEvents();
    manager->undoManager()->removeAllActions();
    select({p2});
    controller->moveTasksVerticallyByDistance(-1);
    EXPECT_EQ(feedback.events, (QStringList{QStringLiteral("beep"), QStringLiteral("beep")}));
    EXPECT_EQ(none->priority(), 0);
    EXPECT_EQ(p2->priority(), 1);
    EXPECT_FALSE(manager->undoManager()->canUndo());
}

TEST_F(MovesTest, InAReversedGroupingTheWrapRunsTheOtherWay) {
    TDList* list = newList(QStringLiteral("Ranked"));
    TDTask* p3 = addTask(list, QStringLiteral("p3"));
    TDTask* p1 = addTask(list, QStringLiteral("p1"));
    p3->setPriority(3);
    p1->setPriority(1);
    processChanges();
    controller->setGroup(list);
    controller->sortBy(QStringLiteral("Priority"), true);
    testsupport::drainEvents();

    // Reversed, priority 3 stands first: up from it gives 4, down from priority 1 gives none
    select({p3});
    controller->moveTasksVerticallyByDistance(-1);
    EXPECT_EQ(p3->priority(), 4);
    testsupport::drainEvents();
    select({p1});
    controller->moveTasksVerticallyByDistance(1);
    EXPECT_EQ(p1->priority(), 0);
}

TEST_F(MovesTest, AMoveTheSortWouldUndoChangesNothing) {
    // Sorted by due date, a move the sort would put back changes nothing, with a beep
    TDList* dated = newList(QStringLiteral("Dated"));
    TDTask* early = addTask(dated, QStringLiteral("early"));
    TDTask* late = addTask(dated, QStringLiteral("late"));
    early->setDueDate(QDateTime(QDate(2026, 12, 10), QTime(0, 0)));
    late->setDueDate(QDateTime(QDate(2026, 12, 20), QTime(0, 0)));
    late->setPriority(4);
    processChanges();
    controller->setGroup(dated);
    processChanges();
    controller->sortBy(QStringLiteral("By Due"), false);
    testsupport::drainEvents();
    manager->undoManager()->removeAllActions();
    feedback.events.clear();
    select({late});
    controller->moveTasksVerticallyByDistance(-1);
    testsupport::drainEvents();
    EXPECT_EQ(feedback.events, QStringList{QStringLiteral("beep")});
    EXPECT_EQ(late->priority(), 4);
    EXPECT_FALSE(manager->undoManager()->canUndo());
}

TEST_F(MovesTest, LeftAndRightKeepTheOrderOfSeveralTasks) {
    TDList* list = newList(QStringLiteral("Tree"));
    TDTask* top = addTask(list, QStringLiteral("top"));
    TDTask* one = addTask(list, QStringLiteral("one"));
    TDTask* two = addTask(list, QStringLiteral("two"));
    processChanges();
    controller->setGroup(list);
    testsupport::drainEvents();

    select({one, two});
    controller->moveTasksRight();
    testsupport::drainEvents();
    EXPECT_EQ(top->subtasks().size(), 2);
    EXPECT_EQ(taskTitles(top->orderedTasks()->objectsAs<TDTask>()),
              (QStringList{QStringLiteral("one"), QStringLiteral("two")}));

    controller->moveTasksLeft();
    testsupport::drainEvents();
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Tree"), QStringLiteral("task top"),
                                   QStringLiteral("task one"), QStringLiteral("task two")}));
    EXPECT_EQ(undoName(), QStringLiteral("Move Left"));
}

}  // namespace
}  // namespace taskviewstest
