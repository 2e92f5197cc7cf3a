#include "tests/taskviews/tasks_controller_fixture.h"

#include "platform/undo/undo_manager.h"

namespace taskviewstest {
namespace {

using CommandsTest = TasksControllerTest;

TEST_F(CommandsTest, CompletingAMixCompletesTheOpenOnesWithOneSound) {
    TDList* list = newList(QStringLiteral("Jobs"));
    TDTask* open = addTask(list, QStringLiteral("open"));
    TDTask* done = addTask(list, QStringLiteral("done"));
    done->setCompleted(true);
    processChanges();
    controller->setGroup(list);
    sounds.played.clear();

    controller->toggleCompletionOfTasks({open, done});
    EXPECT_TRUE(open->isCompleted());
    EXPECT_TRUE(done->isCompleted());
    EXPECT_EQ(undoName(), QStringLiteral("Mark as Completed"));
    EXPECT_EQ(sounds.played.size(), 1);

    // All completed: reopened, without a sound
    testsupport::drainEvents();
    sounds.played.clear();
    controller->toggleCompletionOfTasks({open, done});
    EXPECT_FALSE(open->isCompleted());
    EXPECT_FALSE(done->isCompleted());
    EXPECT_EQ(undoName(), QStringLiteral("Mark as Incomplete"));
    EXPECT_TRUE(sounds.played.isEmpty());
}

TEST_F(CommandsTest, CancellingTogglesWithItsUndoNamesAndReloadsOnce) {
    TDList* list = newList(QStringLiteral("Jobs"));
    TDTask* a = addTask(list, QStringLiteral("a"));
    TDTask* b = addTask(list, QStringLiteral("b"));
    b->setCanceled(true);
    processChanges();
    controller->setGroup(list);

    controller->toggleCancellationOfTasks({a, b});
    EXPECT_TRUE(a->isCanceled());
    EXPECT_TRUE(b->isCanceled());
    EXPECT_EQ(undoName(), QStringLiteral("Cancel"));
    EXPECT_TRUE(controller->isObservingMOC());

    testsupport::drainEvents();
    controller->toggleCancellationOfTasks({a, b});
    EXPECT_FALSE(a->isCanceled());
    EXPECT_FALSE(b->isCanceled());
    EXPECT_EQ(undoName(), QStringLiteral("Un-Cancel"));
}

TEST_F(CommandsTest, PrioritiesAreAssignedAndSteppedWithinOneToNine) {
    TDList* list = newList(QStringLiteral("Jobs"));
    TDTask* none = addTask(list, QStringLiteral("none"));
    TDTask* top = addTask(list, QStringLiteral("top"));
    TDTask* low = addTask(list, QStringLiteral("low"));
    top->setPriority(1);
    low->setPriority(9);
    processChanges();
    manager->undoManager()->removeAllActions();
    controller->setGroup(list);
    select({none, top, low});

    // Stepping up: no priority stays none, 1 stays 1, 9 becomes 8
    controller->adjustPriority(1);
    EXPECT_EQ(none->priority(), 0);
    EXPECT_EQ(top->priority(), 1);
    EXPECT_EQ(low->priority(), 8);
    EXPECT_EQ(undoName(), QStringLiteral("Change Priority"));

    // Nothing to change names no action
    testsupport::drainEvents();
    manager->undoManager()->removeAllActions();
    select({none, top});
    controller->adjustPriority(1);
    testsupport::drainEvents();
    EXPECT_FALSE(manager->undoManager()->canUndo());

    // Assigning; a negative priority clears it
    select({none, low});
    controller->assignPriority(3);
    EXPECT_EQ(none->priority(), 3);
    EXPECT_EQ(low->priority(), 3);
    controller->assignPriority(-1);
    EXPECT_EQ(none->priority(), 0);
    EXPECT_EQ(low->priority(), 0);
}

TEST_F(CommandsTest, AssigningAPriorityWhileEditingResumesTheEditing) {
    TDList* list = newList(QStringLiteral("Jobs"));
    TDTask* task = addTask(list, QStringLiteral("edited"));
    processChanges();
    controller->setGroup(list);
    select({task});
    outline.editing = true;

    controller->assignPriority(5);

    EXPECT_EQ(task->priority(), 5);
    EXPECT_EQ(
        outline.calls.filter(QStringLiteral("Editing")),
        (QStringList{QStringLiteral("interruptEditing"), QStringLiteral("resumeEditing title editor")}));
    EXPECT_TRUE(outline.editing);
}

TEST_F(CommandsTest, TheArchiveRefusesEveryChangeWithAShake) {
    TDList* archived = newList(QStringLiteral("Old"), library()->archiveGroup());
    TDTask* task = addTask(archived, QStringLiteral("kept"));
    processChanges();
    controller->setGroup(archived);
    select({task});
    sounds.played.clear();

    controller->toggleCompletionOfTasks({task});
    controller->toggleCancellationOfTasks({task});
    controller->assignPriority(4);
    controller->adjustPriority(-1);

    EXPECT_EQ(feedback.events, (QStringList(4, QStringLiteral("shake"))));
    EXPECT_FALSE(task->isCompleted());
    EXPECT_EQ(task->priority(), 0);
    EXPECT_TRUE(sounds.played.isEmpty());
}

TEST_F(CommandsTest, HoldingAltShowsIntervalsOnlyWhileHeld) {
    TDList* list = newList(QStringLiteral("Dates"));
    controller->setGroup(list);
    QList<bool> announced;
    QObject::connect(controller.get(), &TDTasksController::showsDatesAsIntervalsChanged, controller.get(),
                     [&](bool intervals) { announced << intervals; });

    // The user shows dates as dates: Alt shows intervals and its release goes back
    defaults().setValue(QStringLiteral("showDatesAsIntervals"), false);
    announced.clear();
    controller->optionKeyDown();
    EXPECT_TRUE(controller->showsDatesAsIntervals());
    controller->optionKeyUp();
    EXPECT_FALSE(controller->showsDatesAsIntervals());
    EXPECT_EQ(announced, (QList<bool>{true, false}));
    EXPECT_EQ(outline.redisplays, 2);
    EXPECT_FALSE(defaults().boolean(QStringLiteral("showDatesAsIntervals")));

    // The user shows intervals: releasing Alt keeps the user's choice
    defaults().setValue(QStringLiteral("showDatesAsIntervals"), true);
    announced.clear();
    controller->optionKeyDown();
    controller->optionKeyUp();
    EXPECT_TRUE(controller->showsDatesAsIntervals());
    EXPECT_TRUE(defaults().boolean(QStringLiteral("showDatesAsIntervals")));
    EXPECT_TRUE(announced.isEmpty());

    // The user turns intervals off while Alt is held: the release shows dates
    controller->optionKeyDown();
    defaults().setValue(QStringLiteral("showDatesAsIntervals"), false);
    EXPECT_TRUE(controller->showsDatesAsIntervals());
    controller->optionKeyUp();
    EXPECT_FALSE(controller->showsDatesAsIntervals());
    EXPECT_EQ(announced, (QList<bool>{false}));
}

TEST_F(CommandsTest, GoToDimsThePresentation) {
    controller->setDrawOverlayForGoto(true);
    EXPECT_TRUE(outline.drawsOverlay);
    controller->setDrawOverlayForGoto(false);
    EXPECT_FALSE(outline.drawsOverlay);
}

TEST_F(CommandsTest, UndoAndRedoSaveAndRestoreThePresentationState) {
    TDList* list = newList(QStringLiteral("Jobs"));
    TDTask* task = addTask(list, QStringLiteral("a"));
    processChanges();
    controller->setGroup(list);
    testsupport::drainEvents();
    controller->toggleCompletionOfTasks({task});
    testsupport::drainEvents();
    outline.calls.clear();

    manager->undoManager()->undo();
    manager->undoManager()->redo();

    EXPECT_EQ(outline.calls, (QStringList{QStringLiteral("saveState"), QStringLiteral("restoreState"),
                                          QStringLiteral("saveState"), QStringLiteral("restoreState")}));
}

}  // namespace
}  // namespace taskviewstest
