#include "tests/taskviews/tasks_controller_fixture.h"

#include "model/folder.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/sync_set.h"
#include "platform/undo/undo_manager.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <functional>

namespace taskviewstest {
namespace {

// A list "Jobs": A (with A1 and A2), B, C; and where the case says so, the group it is shown through.
enum class Situation { List, Tag, SmartFolder, Folder, Archived, TagSortedByPriority };

struct CommandCase {
    const char* name;
    Situation situation;
    QStringList selected;
    std::function<void(TDTasksController&)> command;
    QStringList tree;  // the shown group's tasks after the command; "<new>" for an empty title
    QStringList selection;
    QString undoName;     // empty: nothing to undo
    QStringList refusal;  // what the feedback heard
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class TaskCommandsTest : public TasksControllerTest, public ::testing::WithParamInterface<CommandCase> {
protected:
    void build(Situation situation) {
        TDList* jobs =
            newList(QStringLiteral("Jobs"), situation == Situation::Archived ? library()->archiveGroup()
                                            : situation == Situation::Folder
                                                ? static_cast<TDGroup*>(library()->createFolder(
                                                      QStringLiteral("Work"), library()->foldersGroup()))
                                                : nullptr);
        TDTask* a = addTask(jobs, QStringLiteral("A"));
        addSubtask(a, QStringLiteral("A1"));
        addSubtask(a, QStringLiteral("A2"));
        addTask(jobs, QStringLiteral("B"));
        addTask(jobs, QStringLiteral("C"));
        shown = jobs;
        if (situation == Situation::Tag || situation == Situation::TagSortedByPriority) {
            TDTag* home = tag(QStringLiteral("home"));
            for (TDTask* task : library()->allTasks())
                if (!task->parentTask()) (void)home->orderedTasks()->addObject(task);
            shown = home;
        } else if (situation == Situation::SmartFolder) {
            shown = library()->createSmartFolder();
            shown->setValue(QStringLiteral("title"), QStringLiteral("Odd"));
        } else if (situation == Situation::Folder) {
            shown = jobs->parentGroup();
        }
        processChanges();
        manager->undoManager()->removeAllActions();
        controller->setGroup(shown);
        if (situation == Situation::TagSortedByPriority)
            controller->sortBy(QStringLiteral("By Priority"), false);
        testsupport::drainEvents();
    }

    TDTask* find(const QString& title) {
        for (TDTask* task : library()->allTasks())
            if (!task->isDeleted() && task->title() == title) return task;
        return nullptr;
    }

    static QString line(TDTask* task, int depth) {
        QString text = QString(depth * 2, QLatin1Char(' ')) +
                       (task->title().isEmpty() ? QStringLiteral("<new>") : task->title());
        if (task->priority() != 0) text += QStringLiteral(" !%1").arg(task->priority());
        if (task->startDate().isValid()) text += QStringLiteral(" starts");
        return text;
    }

    QStringList tree() {
        QStringList lines;
        std::function<void(TDOrderedCollection*, int)> walk = [&](TDOrderedCollection* tasks, int depth) {
            for (TDTask* task : tasks->objectsAs<TDTask>()) {
                lines << line(task, depth);
                walk(task->orderedTasks(), depth + 1);
            }
        };
        TDGroup* group = shown->isFolder() ? static_cast<TDGroup*>(shown->subgroups().first()) : shown;
        walk(group->orderedTasks(), 0);
        return lines;
    }

    // Every task's dictionary form (display order included), by uid, and the tree: what undo and redo
    // must give back exactly.
    QStringList state() {
        QList<TDTask*> tasks;
        for (TDTask* task : library()->allTasks())
            if (!task->isDeleted()) tasks << task;
        std::sort(tasks.begin(), tasks.end(), [](TDTask* a, TDTask* b) { return a->uid() < b->uid(); });
        QStringList forms;
        for (TDTask* task : tasks) {
            const QVariantMap form = task->propertyListRepresentation();
            forms << QString::fromUtf8(
                QJsonDocument(QJsonObject::fromVariantMap(form)).toJson(QJsonDocument::Compact));
        }
        forms << tree();
        return forms;
    }

    TDGroup* shown = nullptr;
};

TEST_P(TaskCommandsTest, GivesTheTreeSelectionUndoNameAndRefusal) {
    const CommandCase& c = GetParam();
    build(c.situation);
    QList<TDTask*> selected;
    for (const QString& title : c.selected) selected << find(title);
    select(selected);
    feedback.events.clear();
    const QStringList before = state();

    c.command(*controller);
    testsupport::drainEvents();

    EXPECT_EQ(tree(), c.tree);
    EXPECT_EQ(taskTitles(controller->selection())
                  .replaceInStrings(QRegularExpression(QStringLiteral("^$")), QStringLiteral("<new>")),
              c.selection);
    EXPECT_EQ(feedback.events, c.refusal);
    platform::UndoManager* undo = manager->undoManager();
    if (c.undoName.isEmpty()) {
        EXPECT_FALSE(undo->canUndo()) << undo->undoActionName().toStdString();
        EXPECT_EQ(state(), before);
        return;
    }
    ASSERT_TRUE(undo->canUndo());
    EXPECT_EQ(undo->undoActionName(), c.undoName);
    const QStringList after = state();
    // Redo follows at once, as in the context's own undo tests.
    undo->undo();
    EXPECT_EQ(state(), before);
    ASSERT_TRUE(undo->canRedo());
    undo->redo();
    EXPECT_EQ(state(), after);
}

using C = TDTasksController;
const QStringList kTree{QStringLiteral("A"), QStringLiteral("  A1"), QStringLiteral("  A2"),
                        QStringLiteral("B"), QStringLiteral("C")};
QStringList L(std::initializer_list<const char*> lines) {
    QStringList list;
    for (const char* text : lines) list << QString::fromUtf8(text);
    return list;
}

const CommandCase kCases[] = {
    {"NewTaskGoesOnTop",
     Situation::List,
     L({"B"}),
     [](C& c) { c.addTask(); },
     L({"<new>", "A", "  A1", "  A2", "B", "C"}),
     L({"<new>"}),
     QStringLiteral("New Task"),
     {}},
    {"ReturnAddsAfterTheSelectedTask",
     Situation::List,
     L({"B"}),
     [](C& c) { c.insertNewline(false); },
     L({"A", "  A1", "  A2", "B", "<new>", "C"}),
     L({"<new>"}),
     QStringLiteral("New Task"),
     {}},
    {"ReturnOnAnExpandedTaskAddsItsFirstChild",
     Situation::List,
     L({"A"}),
     [](C& c) { c.insertNewline(false); },
     L({"A", "  <new>", "  A1", "  A2", "B", "C"}),
     L({"<new>"}),
     QStringLiteral("New Task"),
     {}},
    {"ShiftReturnAddsAChild",
     Situation::List,
     L({"B"}),
     [](C& c) { c.insertNewline(true); },
     L({"A", "  A1", "  A2", "B", "  <new>", "C"}),
     L({"<new>"}),
     QStringLiteral("New Child Task"),
     {}},
    {"NewChildTask",
     Situation::List,
     L({"A"}),
     [](C& c) { c.addChildTask(); },
     L({"A", "  <new>", "  A1", "  A2", "B", "C"}),
     L({"<new>"}),
     QStringLiteral("New Child Task"),
     {}},
    // The title editor's Ctrl+Return and Shift+Return place the task as Return and New Child Task do.
    {"TheEditorAddsBelowTheEditedTask",
     Situation::List,
     L({"A1"}),
     [](C& c) { c.addTaskBelow(c.selection().first()); },
     L({"A", "  A1", "  <new>", "  A2", "B", "C"}),
     L({"<new>"}),
     QStringLiteral("New Task"),
     {}},
    {"TheEditorAddsTheFirstChild",
     Situation::List,
     L({"A"}),
     [](C& c) { c.addChildTask(c.selection().first()); },
     L({"A", "  <new>", "  A1", "  A2", "B", "C"}),
     L({"<new>"}),
     QStringLiteral("New Task"),
     {}},
    {"TheEditorAddsNothingInTheArchive",
     Situation::Archived,
     L({"B"}),
     [](C& c) { c.addTaskBelow(c.selection().first()); },
     kTree,
     L({"B"}),
     {},
     L({"shake"})},
    {"BackspaceDeletesAsDeleteDoes",
     Situation::List,
     L({"B"}),
     [](C& c) { c.deleteBackward(); },
     L({"A", "  A1", "  A2", "C"}),
     L({"A2"}),
     QStringLiteral("Delete"),
     {}},
    {"BackspaceDeletesNothingInTheArchive",
     Situation::Archived,
     L({"B"}),
     [](C& c) { c.deleteBackward(); },
     kTree,
     L({"B"}),
     {},
     L({"shake"})},
    {"DeleteSelectsTheRowAbove",
     Situation::List,
     L({"B"}),
     [](C& c) { c.remove(); },
     L({"A", "  A1", "  A2", "C"}),
     L({"A2"}),
     QStringLiteral("Delete"),
     {}},
    {"ForwardDeleteSelectsTheRowBelow",
     Situation::List,
     L({"B"}),
     [](C& c) { c.deleteForward(); },
     L({"A", "  A1", "  A2", "C"}),
     L({"C"}),
     QStringLiteral("Delete"),
     {}},
    {"ForwardDeleteSkipsTheDeletedSubtasks",
     Situation::List,
     L({"A"}),
     [](C& c) { c.deleteForward(); },
     L({"B", "C"}),
     L({"B"}),
     QStringLiteral("Delete"),
     {}},
    {"MoveUp",
     Situation::List,
     L({"B"}),
     [](C& c) { c.moveTasksVerticallyByDistance(-1); },
     L({"B", "A", "  A1", "  A2", "C"}),
     L({"B"}),
     QStringLiteral("Move Up"),
     {}},
    {"MoveDownByFiveStopsAtTheBottom",
     Situation::List,
     L({"A"}),
     [](C& c) { c.moveTasksVerticallyByDistance(5); },
     L({"B", "C", "A", "  A1", "  A2"}),
     L({"A"}),
     QStringLiteral("Move Down"),
     {}},
    {"TheFirstTaskDoesNotMoveUp",
     Situation::List,
     L({"A"}),
     [](C& c) { c.moveTasksVerticallyByDistance(-1); },
     kTree,
     L({"A"}),
     {},
     L({"beep"})},
    {"TasksOfTwoParentsDoNotMove",
     Situation::List,
     L({"A1", "B"}),
     [](C& c) { c.moveTasksVerticallyByDistance(1); },
     kTree,
     L({"A1", "B"}),
     {},
     L({"beep"})},
    {"MoveLeft",
     Situation::List,
     L({"A1"}),
     [](C& c) { c.moveTasksLeft(); },
     L({"A", "  A2", "A1", "B", "C"}),
     L({"A1"}),
     QStringLiteral("Move Left"),
     {}},
    {"ATopTaskDoesNotMoveLeft",
     Situation::List,
     L({"B"}),
     [](C& c) { c.moveTasksLeft(); },
     kTree,
     L({"B"}),
     {},
     L({"beep"})},
    {"MoveRight",
     Situation::List,
     L({"B"}),
     [](C& c) { c.moveTasksRight(); },
     L({"A", "  A1", "  A2", "  B", "C"}),
     L({"B"}),
     QStringLiteral("Move Right"),
     {}},
    {"AFirstChildDoesNotMoveRight",
     Situation::List,
     L({"A1"}),
     [](C& c) { c.moveTasksRight(); },
     kTree,
     L({"A1"}),
     {},
     L({"beep"})},
    {"StartToday",
     Situation::List,
     L({"B"}),
     [](C& c) { c.toggleStartToday(); },
     L({"A", "  A1", "  A2", "B starts", "C"}),
     L({"B"}),
     QStringLiteral("Start Today"),
     {}},
    {"NewTaskInATag",
     Situation::Tag,
     L({}),
     [](C& c) { c.addTask(); },
     L({"<new>", "A", "  A1", "  A2", "B", "C"}),
     L({"<new>"}),
     QStringLiteral("New Task"),
     {}},
    {"ReturnAfterTheLastTaskOfATag",
     Situation::Tag,
     L({"C"}),
     [](C& c) { c.insertNewline(false); },
     L({"A", "  A1", "  A2", "B", "C", "<new>"}),
     L({"<new>"}),
     QStringLiteral("New Task"),
     {}},
    {"NoTasksAddedToASmartFolder",
     Situation::SmartFolder,
     L({}),
     [](C& c) { c.addTask(); },
     {},
     {},
     {},
     L({"beep", "You cannot add tasks here"})},
    {"NoTasksAddedToAFolderWithoutSelection",
     Situation::Folder,
     L({}),
     [](C& c) { c.addTask(); },
     kTree,
     {},
     {},
     L({"beep"})},
    {"NoReorderingInASortedTag",
     Situation::TagSortedByPriority,
     L({"B"}),
     [](C& c) { c.moveTasksVerticallyByDistance(1); },
     kTree,
     L({"B"}),
     {},
     L({"Cannot reorder tasks here", "beep"})},
    {"TheArchiveShakes",
     Situation::Archived,
     L({"B"}),
     [](C& c) { c.insertNewline(false); },
     kTree,
     L({"B"}),
     {},
     L({"shake"})},
};

INSTANTIATE_TEST_SUITE_P(Commands, TaskCommandsTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CommandCase>& info) { return info.param.name; });

}  // namespace
}  // namespace taskviewstest

namespace taskviewstest {
namespace {

using NewTaskBracketTest = TasksControllerTest;

bool journalHas(TDLibrary* library, const TDTask* task) {
    for (const TDSyncSetItem* item : library->corvaneSyncSet()->items())
        if (item->itemUID() == task->uid()) return true;
    return false;
}

TEST_F(NewTaskBracketTest, AnEmptyNewTaskIsNotJournaledUntilEdited) {
    TDList* list = newList(QStringLiteral("Jobs"));
    processChanges();
    controller->setGroup(list);
    testsupport::drainEvents();
    // A library that syncs keeps a journal of what changed.
    auto* journal =
        manager->syncSetManagedObjectContext()->insertObject<TDSyncSet>(QStringLiteral("SyncSet"));
    journal->setSyncType(QStringLiteral("corvane"));
    library()->setCorvaneSyncSet(journal);

    controller->addTask();
    testsupport::drainEvents();
    ASSERT_EQ(controller->selection().size(), 1);
    TDTask* added = controller->selection().first();
    EXPECT_FALSE(journalHas(library(), added));
    EXPECT_FALSE(library()->corvaneSyncSet()->isAddingDisabled());
    EXPECT_FALSE(manager->managedObjectContext()->dontTriggerSaveOnChange());
    EXPECT_EQ(outline.calls.filter(QStringLiteral("edit ")),
              QStringList{QStringLiteral("edit  column 2 caret")});

    // The title typed in is an ordinary change
    added->setTitle(QStringLiteral("Call the plumber"));
    processChanges();
    EXPECT_TRUE(journalHas(library(), added));
}

}  // namespace
}  // namespace taskviewstest
