// Tags and smart folders count each task of their trees once and follow every change by recounting
// only the trees it touched: their kept counts must always equal a count from scratch.
#include "tests/model/task_tree_fixture.h"

#include "model/smart_folder.h"
#include "platform/undo/undo_manager.h"

#include <functional>
#include <ostream>
#include <random>

namespace {

using modeltest::TaskTreeTest;

class DistinctTaskTallyTest : public TaskTreeTest {
protected:
    void expectCountsMatchScratch(TDGroup* group, const char* when) {
        const TDAggregates scratch = group->calculatedAggregates();
        EXPECT_EQ(group->taskCount(), scratch.taskCount) << when;
        EXPECT_EQ(group->actionCount(), scratch.actionCount) << when;
        EXPECT_EQ(describe(group->aggregates()), describe(recomputedGroup(group))) << when;
    }
};

// A tag holding a parent and its subtask (which has a subtask of its own), a second tag holding only
// the grandchild, and one edit each.
struct NestedEdit {
    const char* name;
    std::function<void(TDTask* parent, TDTask* child, TDTask* grandchild, TDTag* tag, TDList* other)> edit;
    qint64 taskCount;
    qint64 actionCount;
};

void PrintTo(const NestedEdit& edit, std::ostream* out) {
    *out << edit.name;
}

class NestedMembersTest : public DistinctTaskTallyTest, public ::testing::WithParamInterface<NestedEdit> {};

TEST_P(NestedMembersTest, CountEachTaskOnceAfterTheEditAndItsUndo) {
    TDTag* tag = library->createTagWithTitle(QStringLiteral("home"));
    TDTag* inner = library->createTagWithTitle(QStringLiteral("inner"));
    TDList* other = library->createList(QStringLiteral("Other"), library->foldersGroup());
    TDTask* parent = task(QStringLiteral("parent"), inbox());
    TDTask* child = task(QStringLiteral("child"), parent);
    TDTask* grandchild = task(QStringLiteral("grandchild"), child);
    task(QStringLiteral("sibling"), parent);
    parent->addObject(QStringLiteral("tags"), tag);
    child->addObject(QStringLiteral("tags"), tag);
    grandchild->addObject(QStringLiteral("tags"), inner);
    settle();
    ASSERT_EQ(tag->taskCount(), 4);
    ASSERT_EQ(tag->actionCount(), 2);
    undoManager->removeAllActions();

    undoManager->beginUndoGrouping();
    GetParam().edit(parent, child, grandchild, tag, other);
    undoManager->endUndoGrouping();
    settle();
    EXPECT_EQ(tag->taskCount(), GetParam().taskCount);
    EXPECT_EQ(tag->actionCount(), GetParam().actionCount);
    expectCountsMatchScratch(tag, "after the edit");
    expectCountsMatchScratch(inner, "after the edit");
    undoManager->undo();
    settle();
    EXPECT_EQ(tag->taskCount(), 4);
    EXPECT_EQ(tag->actionCount(), 2);
    expectCountsMatchScratch(tag, "after undo");
    expectCountsMatchScratch(inner, "after undo");
    undoManager->redo();
    settle();
    expectCountsMatchScratch(tag, "after redo");
    expectCountsMatchScratch(inner, "after redo");
}

const NestedEdit kNestedEdits[] = {
    {"CompleteTheGrandchild", [](TDTask*, TDTask*, TDTask* g, TDTag*, TDList*) { g->setCompleted(true); }, 4,
     1},
    {"CompleteTheParent", [](TDTask* p, TDTask*, TDTask*, TDTag*, TDList*) { p->setCompleted(true); }, 4, 0},
    {"AddASubtaskUnderTheChild",
     [](TDTask*, TDTask* c, TDTask*, TDTag*, TDList*) {
         TDTask* added = TDTask::from(c->managedObjectContext()->insertObject(QStringLiteral("Task")));
         c->addSubtasks({added});
     },
     5, 3},
    {"RemoveTheGrandchild", [](TDTask*, TDTask* c, TDTask* g, TDTag*, TDList*) { c->removeSubtasks({g}); }, 3,
     2},
    {"DeleteTheChild", [](TDTask*, TDTask* c, TDTask*, TDTag*, TDList*) { c->deleteObject(); }, 2, 1},
    {"UntagTheParent",
     [](TDTask* p, TDTask*, TDTask*, TDTag* t, TDList*) { p->removeObject(QStringLiteral("tags"), t); }, 2,
     1},
    {"UntagTheChild",
     [](TDTask*, TDTask* c, TDTask*, TDTag* t, TDList*) { c->removeObject(QStringLiteral("tags"), t); }, 4,
     2},
    {"MoveTheChildToAnotherList",
     [](TDTask*, TDTask* c, TDTask*, TDTag*, TDList* o) { (void)o->orderedTasks()->addObject(c); }, 4, 2},
    {"HangTheParentUnderTheDetachedGrandchild",
     [](TDTask* p, TDTask* c, TDTask* g, TDTag* t, TDList*) {
         c->removeObject(QStringLiteral("tags"), t);
         c->removeSubtasks({g});
         g->addSubtasks({p});
     },
     3, 2},
    {"MoveAChildAndItsOwnSubtaskInOneStep",
     [](TDTask*, TDTask* c, TDTask* g, TDTag*, TDList* o) {
         TDTask* top = TDTask::from(c->managedObjectContext()->insertObject(QStringLiteral("Task")));
         (void)o->orderedTasks()->addObject(top);
         top->addSubtasks({c, g});
     },
     3, 2},
};

INSTANTIATE_TEST_SUITE_P(Edits, NestedMembersTest, ::testing::ValuesIn(kNestedEdits),
                         [](const ::testing::TestParamInfo<NestedEdit>& info) {
                             return std::string(info.param.name);
                         });

// Random edits on trees that several tags and a smart folder hold at several depths, moves of a task
// and its own descendant in one step among them, each step undone and redone against a full count.
class TallyRandomEditsTest : public DistinctTaskTallyTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(TallyRandomEditsTest, KeptCountsEqualAFullCountThroughUndoAndRedo) {
    undoManager->setGroupsByEvent(false);
    std::mt19937 random(GetParam());
    auto pick = [&random](int n) { return int(random() % unsigned(n)); };
    undoManager->beginUndoGrouping();
    QList<TDGroup*> groups;
    for (const char* title : {"a", "b", "c"})
        groups << library->createTagWithTitle(QString::fromLatin1(title));
    TDGroup* smart = library->createSmartFolder();
    groups << smart;
    QList<TDTask*> tasks;
    for (int i = 0; i < 12; ++i)
        tasks << task(QStringLiteral("t%1").arg(i),
                      i < 3 ? static_cast<TDLibraryObject*>(inbox()) : tasks.at(pick(int(tasks.size()))));
    undoManager->endUndoGrouping();
    settle();
    undoManager->removeAllActions();

    auto check = [&](const QString& when) {
        for (TDGroup* group : groups) expectCountsMatchScratch(group, when.toUtf8().constData());
    };
    const int steps = 120;
    for (int step = 0; step < steps && !HasFailure(); ++step) {
        QList<TDTask*> alive;
        for (TDTask* t : tasks)
            if (!t->isDeleted()) alive.append(t);
        if (alive.size() < 4) break;
        TDTask* some = alive.at(pick(int(alive.size())));
        TDTask* other = alive.at(pick(int(alive.size())));
        TDGroup* group = groups.at(pick(int(groups.size())));
        const int op = pick(7);
        undoManager->beginUndoGrouping();
        switch (op) {
            case 0:
                tasks << task(QStringLiteral("n%1").arg(step), some);
                break;
            case 1:
                some->setStatus(
                    QList<QString>{QString(), QStringLiteral("C"), QStringLiteral("X")}.at(pick(3)));
                break;
            case 2:
                if (group->objects(QStringLiteral("tasks")).contains(some))
                    group->removeTasks({some});
                else
                    group->addTasks({some});
                break;
            case 3:
                if (!other->isDescendantOf(some)) (void)other->orderedTasks()->addObject(some);
                break;
            case 4: {
                // A task and one of its descendants under a third task at once.
                const QList<TDTask*> below = some->allSubtasks();
                TDTask* target = alive.at(pick(int(alive.size())));
                if (!below.isEmpty() && !target->isDescendantOf(some) && target != some)
                    target->addSubtasks({some, below.at(pick(int(below.size())))});
                break;
            }
            case 5:
                if (pick(3) == 0) some->deleteObject();
                break;
            case 6:
                (void)inbox()->orderedTasks()->addObject(some);
                break;
        }
        undoManager->endUndoGrouping();
        settle();
        check(QStringLiteral("step %1 (operation %2)").arg(step).arg(op));
    }
    for (int undone = 1; undoManager->canUndo() && !HasFailure(); ++undone) {
        undoManager->undo();
        settle();
        check(QStringLiteral("undo %1").arg(undone));
    }
    for (int redone = 1; undoManager->canRedo() && !HasFailure(); ++redone) {
        undoManager->redo();
        settle();
        check(QStringLiteral("redo %1").arg(redone));
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, TallyRandomEditsTest, ::testing::Values(1u, 2026u, 31337u, 777u));

}  // namespace
