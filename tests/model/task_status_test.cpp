#include "tests/model/task_tree_fixture.h"

#include "platform/defaults/user_defaults.h"

namespace {

using modeltest::TaskTreeTest;

class TaskStatusTest : public TaskTreeTest {
public:
    void SetUp() override {
        TaskTreeTest::SetUp();
        parent = task(QStringLiteral("parent"), inbox());
        open = task(QStringLiteral("open"), parent);
        done = task(QStringLiteral("done"), parent);
        dropped = task(QStringLiteral("dropped"), parent);
        done->setCompleted(true);
        dropped->setCanceled(true);
        earlier = clock->now();
        clock->advanceSeconds(3600);
    }
    void restart() {
        TearDown();
        SetUp();
    }
    QString states() const {
        auto s = [](const TDTask* t) { return t->isIncomplete() ? QStringLiteral("o") : t->status(); };
        return s(parent) + s(open) + s(done) + s(dropped);
    }

    TDTask* parent = nullptr;
    TDTask* open = nullptr;
    TDTask* done = nullptr;
    TDTask* dropped = nullptr;
    QDateTime earlier;
};

// Status letters: parent, open, done, dropped ("o" open, "C" completed, "X" canceled).
TEST_F(TaskStatusTest, ClosingAndReopeningAcrossATree) {
    struct Case {
        const char* what;
        bool autoComplete;
        std::function<void(TaskStatusTest&)> act;
        const char* states;
    };
    const Case cases[] = {
        {"completing the parent completes its open subtask only", true,
         [](TaskStatusTest& t) { t.parent->setCompleted(true); }, "CCCX"},
        {"canceling the parent cancels its open subtask; the completed stays", true,
         [](TaskStatusTest& t) { t.parent->setCanceled(true); }, "XXCX"},
        {"reopening a completed parent reopens the completed subtasks", true,
         [](TaskStatusTest& t) {
             t.parent->setCompleted(true);
             t.parent->setCompleted(false);
         },
         "oooX"},
        {"cancel then reopen leaves canceled what the cancellation closed", true,
         [](TaskStatusTest& t) {
             t.parent->setCanceled(true);
             t.parent->setCanceled(false);
         },
         "oXoX"},
        {"completing the last open subtask completes the parent", true,
         [](TaskStatusTest& t) { t.open->setCompleted(true); }, "CCCX"},
        {"canceling every subtask leaves the parent open", true,
         [](TaskStatusTest& t) {
             t.done->setCanceled(true);
             t.open->setCanceled(true);
         },
         "oXXX"},
        {"a canceled subtask that leaves only completed ones completes the parent", true,
         [](TaskStatusTest& t) { t.open->setCanceled(true); }, "CXCX"},
        {"without automatic completion the parent stays open", false,
         [](TaskStatusTest& t) { t.open->setCompleted(true); }, "oCCX"},
        {"reopening a subtask of a completed parent reopens the parent", false,
         [](TaskStatusTest& t) {
             t.parent->setCompleted(true);
             t.done->setCompleted(false);
         },
         "oCoX"},
        {"with automatic completion a reopened subtask reopens the parent", true,
         [](TaskStatusTest& t) {
             t.parent->setCompleted(true);
             t.done->setCompleted(false);
         },
         "oCoX"},
        {"toggling completion of a canceled task completes it", true,
         [](TaskStatusTest& t) { t.dropped->toggleCompletion(); }, "ooCC"},
    };
    for (const Case& c : cases) {
        restart();
        defaults().setValue(QStringLiteral("autoCompleteParentTask"), c.autoComplete);
        c.act(*this);
        settle();
        EXPECT_EQ(states(), QString::fromLatin1(c.states)) << c.what;
        expectAggregatesMatchRecompute(c.what);
    }
}

TEST_F(TaskStatusTest, ClosingDatesAreWholeSecondsAndOnlyNewlyClosedTasksTakeThem) {
    clock->setNow(clock->now().addMSecs(750));
    parent->setCompleted(true);
    const QDateTime now = QDateTime::fromSecsSinceEpoch(clock->now().toSecsSinceEpoch());
    EXPECT_EQ(parent->completedDate(), now);
    EXPECT_EQ(open->completedDate(), now);
    EXPECT_EQ(done->completedDate(), QDateTime::fromSecsSinceEpoch(earlier.toSecsSinceEpoch()));
    EXPECT_EQ(dropped->canceledDate(), QDateTime::fromSecsSinceEpoch(earlier.toSecsSinceEpoch()));
    clock->advanceSeconds(60);
    parent->setCompleted(true);  // the same status again changes nothing
    EXPECT_EQ(parent->completedDate(), now);
}

TEST_F(TaskStatusTest, ArchivingATreeCancelsItsOpenTasksAndReopeningUnarchives) {
    parent->setTasksInTreeToArchived(true);
    settle();
    for (TDTask* t : {parent, open, done, dropped}) EXPECT_TRUE(t->isArchived()) << t->title().toStdString();
    // Canceling the open subtask first leaves only closed ones with one completed: the parent completes.
    EXPECT_EQ(states(), QStringLiteral("CXCX"));
    EXPECT_TRUE(library->modifiedTasks().contains(parent));
    open->setCanceled(false);
    EXPECT_FALSE(open->isArchived());
    expectAggregatesMatchRecompute("after archiving");
}

TEST_F(TaskStatusTest, SubtreesTakeTheArchivedStateOfTheirNewParent) {
    TDTask* archived = task(QStringLiteral("archived"), inbox());
    archived->setTasksInTreeToArchived(true);
    TDTask* finished = task(QStringLiteral("finished"), inbox());
    TDTask* finishedChild = task(QStringLiteral("finished child"), finished);
    finished->setCompleted(true);
    ASSERT_TRUE(archived->orderedTasks()->addObject(finished).ok());
    EXPECT_TRUE(finished->isArchived());
    EXPECT_TRUE(finishedChild->isArchived());
    // An open subtree reopens and unarchives the parent, and stays live.
    TDTask* fresh = task(QStringLiteral("fresh"), inbox());
    ASSERT_TRUE(archived->orderedTasks()->addObject(fresh).ok());
    EXPECT_FALSE(archived->isArchived());
    EXPECT_FALSE(fresh->isArchived());
    EXPECT_TRUE(fresh->isIncomplete());
    settle();
    expectAggregatesMatchRecompute("after moving subtrees");
}

TEST_F(TaskStatusTest, AddingSubtasksReEvaluatesTheParent) {
    TDTask* closedParent = task(QStringLiteral("closed parent"), inbox());
    closedParent->setCompleted(true);
    task(QStringLiteral("new open"), closedParent);
    EXPECT_TRUE(closedParent->isIncomplete());

    defaults().setValue(QStringLiteral("autoCompleteParentTask"), false);
    TDTask* bare = task(QStringLiteral("bare"), inbox());
    TDTask* completedChild = task(QStringLiteral("completed child"));
    completedChild->setCompleted(true);
    ASSERT_TRUE(bare->orderedTasks()->addObject(completedChild).ok());
    EXPECT_TRUE(bare->isIncomplete());
    defaults().setValue(QStringLiteral("autoCompleteParentTask"), true);
    TDTask* bare2 = task(QStringLiteral("bare 2"), inbox());
    TDTask* completedChild2 = task(QStringLiteral("completed child 2"));
    completedChild2->setCompleted(true);
    ASSERT_TRUE(bare2->orderedTasks()->addObject(completedChild2).ok());
    EXPECT_TRUE(bare2->isCompleted());
}

TEST_F(TaskStatusTest, RestoringOrSyncingChangesOnlyTheStoredStatus) {
    context->setRestoringLibrary(true);
    parent->setCompleted(true);
    context->setRestoringLibrary(false);
    EXPECT_EQ(states(), QStringLiteral("CoCX"));

    restart();
    context->setSyncingLibrary(true);
    open->setCompleted(true);
    context->setSyncingLibrary(false);
    settle();
    EXPECT_EQ(states(), QStringLiteral("oCCX"));  // the parent is not re-evaluated
    EXPECT_EQ(open->actionCount(), 0);            // but the leaf's aggregates follow
    expectAggregatesMatchRecompute("after a sync");
}

TEST_F(TaskStatusTest, PriorityIsClampedAndTitlesAreNeverNil) {
    open->setPriority(10);
    EXPECT_EQ(open->priority(), 9);
    open->setPriority(-1);
    EXPECT_EQ(open->priority(), 0);
    open->setTitle(QString());
    EXPECT_TRUE(open->value(QStringLiteral("title")).toString().isEmpty());
    EXPECT_FALSE(open->value(QStringLiteral("title")).toString().isNull());
}

}  // namespace
