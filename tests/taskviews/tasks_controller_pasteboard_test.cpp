#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/pasteboard_types.h"
#include "taskviews/task_pasteboard.h"
#include "tests/taskviews/tasks_controller_fixture.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMimeData>

namespace taskviewstest {
namespace {

// An outline whose expanded tasks a test chooses.
class ExpandingPresentation : public FakePresentation {
public:
    bool isItemExpanded(const TDTaskRowItem& item) const override {
        return expandedTasks.contains(item.task());
    }
    QSet<TDTask*> expandedTasks;
};

// What a copy has to keep of a task tree: everything but identity and place.
QVariantMap contentOf(TDTask* task) {
    QVariantList subtasks;
    for (TDTask* subtask : task->orderedTasks()->objectsAs<TDTask>()) subtasks.append(contentOf(subtask));
    return {{QStringLiteral("title"), task->title()},
            {QStringLiteral("status"), task->status()},
            {QStringLiteral("priority"), task->priority()},
            {QStringLiteral("dueDate"), task->dueDate()},
            {QStringLiteral("estimatedTime"), task->estimatedTime()},
            {QStringLiteral("notes"), task->notesString()},
            {QStringLiteral("subtasks"), subtasks}};
}

QVariantList contentsOf(const QList<TDTask*>& tasks) {
    QVariantList contents;
    for (TDTask* task : tasks) contents.append(contentOf(task));
    return contents;
}

class PasteboardCommandsTest : public TasksControllerTest {
protected:
    void SetUp() override {
        TasksControllerTest::SetUp();
        controller->setPresentation(&presentation);
        source = newList(QStringLiteral("Source"));
        target = newList(QStringLiteral("Target"));
        tree = addTask(source, QStringLiteral("Plan <trip> & \"fun\" — 旅行"));
        tree->setNotesString(QStringLiteral("Bring the map\nand the tickets"));
        tree->setPriority(3);
        tree->setDueDate(QDateTime(QDate(2026, 12, 24), QTime(0, 0)));
        addSubtask(tree, QStringLiteral("Book hotel"))->setEstimatedTime(3600);
        plain = addTask(source, QStringLiteral("Water plants"));
        plain->setCompleted(true);
        processChanges();
        manager->undoManager()->removeAllActions();
        QGuiApplication::clipboard()->clear();
    }

    void selectItems(const QList<TDTask*>& tasks) {
        presentation.selected.clear();
        for (TDTask* task : tasks) presentation.selected.append(TDTaskRowItem::task(task));
    }

    QList<TDTask*> tasksOf(TDGroup* group) { return group->orderedTasks()->objectsAs<TDTask>(); }

    ExpandingPresentation presentation;
    TDList* source = nullptr;
    TDList* target = nullptr;
    TDTask* tree = nullptr;
    TDTask* plain = nullptr;
};

TEST_F(PasteboardCommandsTest, CopyThenPasteIntoAnotherListGivesEqualTasks) {
    controller->setGroup(source);
    selectItems({tree, plain});
    controller->copy();
    const QVariantList copied = contentsOf({tree, plain});

    controller->setGroup(target);
    presentation.selected.clear();
    ASSERT_TRUE(controller->canPaste());
    controller->paste(QStringLiteral("Paste"));

    const QList<TDTask*> pasted = tasksOf(target);
    ASSERT_EQ(pasted.size(), 2);
    EXPECT_EQ(contentsOf(pasted), copied);
    EXPECT_NE(pasted[0]->uid(), tree->uid());
    EXPECT_EQ(tasksOf(source), (QList<TDTask*>{tree, plain}));  // a copy moves nothing
    EXPECT_EQ(undoName(), QStringLiteral("Paste"));
    EXPECT_EQ(controller->selection(), pasted);
    EXPECT_TRUE(controller->isObservingMOC());

    // The same clipboard pasted into the list it came from copies again: it never moves
    controller->setGroup(source);
    presentation.selected.clear();
    controller->paste(QStringLiteral("Paste"));
    EXPECT_EQ(tasksOf(source).size(), 4);
}

TEST_F(PasteboardCommandsTest, PasteGoesAfterACollapsedTaskAndIntoAnExpandedOne) {
    TDTask* last = addTask(target, QStringLiteral("last"));
    TDTask* first = addTask(target, QStringLiteral("first"));
    target->orderedTasks()->repositionObjectsBefore({first}, last);
    processChanges();
    controller->setGroup(source);
    selectItems({plain});
    controller->copy();

    controller->setGroup(target);
    selectItems({first});
    controller->paste(QStringLiteral("Paste"));
    EXPECT_EQ(taskTitles(tasksOf(target)),
              (QStringList{QStringLiteral("first"), QStringLiteral("Water plants"), QStringLiteral("last")}));

    presentation.expandedTasks.insert(last);
    selectItems({last});
    controller->paste(QStringLiteral("Paste"));
    EXPECT_EQ(taskTitles(last->orderedTasks()->objectsAs<TDTask>()),
              QStringList{QStringLiteral("Water plants")});
}

TEST_F(PasteboardCommandsTest, CopyInOneLibraryPasteInASecondKeepsTitlesAndNotesAndRefusesTheIDs) {
    controller->setGroup(source);
    selectItems({tree, plain});
    controller->copy();
    const QVariantList copied = contentsOf({tree, plain});
    // The clipboard's bytes, as another program would hold them
    auto held = std::make_unique<QMimeData>();
    for (const QString& type : QGuiApplication::clipboard()->mimeData()->formats())
        held->setData(type, QGuiApplication::clipboard()->mimeData()->data(type));
    controller.reset();

    TDLibraryManager second(QDir(tempPath()).filePath(QStringLiteral("Second.odllibrary")));
    ASSERT_TRUE(second.createLibrary().ok());
    for (TDTask* task : second.library()->allTasks())
        if (!task->isDeleted()) task->deleteObject();
    second.managedObjectContext()->processPendingChanges();
    TDList* inbox = dynamic_cast<TDList*>(second.library()->inboxGroup());
    {
        ExpandingPresentation otherOutline;
        TDTasksController other(second);
        other.setPresentation(&otherOutline);
        other.setGroup(inbox);

        // The ID list names tasks of the first library: refused, the copy forms come instead
        EXPECT_EQ(TDTaskPasteboard::tasksForIDList(held->data(TDPasteboardTypes::TaskMOIDs),
                                                   *second.managedObjectContext())
                      .outcome,
                  TDTaskPasteboard::TaskIDs::Outcome::OtherLibrary);
        const QList<TDTask*> dropped = other.readFromPasteboard(held.get(), TDTaskRowItem::root(), 0, false);
        EXPECT_EQ(contentsOf(dropped), copied);

        other.paste(QStringLiteral("Paste"));
        EXPECT_EQ(contentsOf(inbox->orderedTasks()->objectsAs<TDTask>()).mid(0, 2), copied);
        EXPECT_EQ(inbox->orderedTasks()->count(), 4);
        other.setPresentation(nullptr);
    }
    second.closeDiscardingChanges();
    // The first library still has its tasks where they were
    EXPECT_EQ(tasksOf(source), (QList<TDTask*>{tree, plain}));
}

TEST_F(PasteboardCommandsTest, AMoveByIDsSkipsTasksThatAreGone) {
    TDTask* gone = addTask(source, QStringLiteral("gone"));
    processChanges();
    const std::unique_ptr<QMimeData> data = controller->writeItems({tree, gone, plain});
    gone->deleteObject();
    processChanges();
    controller->setGroup(target);

    const QList<TDTask*> moved = controller->readFromPasteboard(data.get(), TDTaskRowItem::root(), 0, false);
    EXPECT_EQ(moved, (QList<TDTask*>{tree, plain}));
    EXPECT_EQ(tasksOf(target), (QList<TDTask*>{tree, plain}));
    EXPECT_TRUE(tasksOf(source).isEmpty());
    EXPECT_EQ(tree->list(), target);
    EXPECT_TRUE(controller->isObservingMOC());

    // Nothing left to move: nothing read
    const std::unique_ptr<QMimeData> empty = controller->writeItems({});
    EXPECT_TRUE(controller->readFromPasteboard(empty.get(), TDTaskRowItem::root(), 0, false).isEmpty());
    EXPECT_TRUE(controller->isObservingMOC());
}

TEST_F(PasteboardCommandsTest, CutRemovesWhatPasteBringsBack) {
    controller->setGroup(source);
    selectItems({plain});
    controller->cut(QStringLiteral("Cut"));
    EXPECT_TRUE(plain->isDeleted());
    EXPECT_EQ(tasksOf(source), QList<TDTask*>{tree});
    EXPECT_EQ(undoName(), QStringLiteral("Cut"));

    testsupport::drainEvents();
    presentation.selected.clear();
    controller->paste(QStringLiteral("Paste"));
    ASSERT_EQ(tasksOf(source).size(), 2);
    EXPECT_EQ(tasksOf(source).first()->title(), QStringLiteral("Water plants"));
    EXPECT_TRUE(tasksOf(source).first()->isCompleted());
}

TEST_F(PasteboardCommandsTest, DuplicateCopiesEachTreeOnceRightAfterIt) {
    controller->setGroup(source);
    TDTask* child = tree->orderedTasks()->objectsAs<TDTask>().first();
    selectItems({tree, child, plain});
    controller->duplicate();
    const QList<TDTask*> tasks = tasksOf(source);
    ASSERT_EQ(tasks.size(), 4);
    EXPECT_EQ(tasks[0], tree);
    EXPECT_EQ(contentOf(tasks[1]), contentOf(tree));
    EXPECT_EQ(tasks[2], plain);
    EXPECT_EQ(contentOf(tasks[3]), contentOf(plain));
    EXPECT_EQ(controller->selection(), (QList<TDTask*>{tasks[1], tasks[3]}));
    EXPECT_EQ(undoName(), QStringLiteral("Duplicate"));
    EXPECT_FALSE(controller->canPaste());  // the clipboard is left alone

    // Nothing changes in the archive
    TDList* archived = newList(QStringLiteral("Old"), library()->archiveGroup());
    TDTask* old = addTask(archived, QStringLiteral("old"));
    processChanges();
    controller->setGroup(archived);
    selectItems({old});
    controller->duplicate();
    EXPECT_EQ(tasksOf(archived).size(), 1);
    EXPECT_EQ(feedback.events, QStringList{QStringLiteral("shake")});
}

TEST_F(PasteboardCommandsTest, CopyAsLinkWritesALinkForOneTaskAndLinesForSeveral) {
    controller->setGroup(source);
    selectItems({tree});
    controller->copyAsLink();
    const QMimeData* one = QGuiApplication::clipboard()->mimeData();
    EXPECT_EQ(one->urls(), QList<QUrl>{QUrl(QStringLiteral("ordello:///") + tree->uid())});
    EXPECT_EQ(one->text(), QStringLiteral("ordello:///") + tree->uid());

    TDTask* third = addTask(source, QStringLiteral("third"));
    selectItems({tree, plain, third});
    controller->copyAsLink();
    const QMimeData* several = QGuiApplication::clipboard()->mimeData();
    EXPECT_FALSE(several->hasUrls());
    EXPECT_EQ(
        several->text(),
        QStringList({tree->URLString(), plain->URLString(), third->URLString()}).join(QLatin1Char('\n')));
}

TEST_F(PasteboardCommandsTest, CommandsAreOfferedByTable) {
    using Command = TDTasksController::PasteboardCommand;
    const struct {
        bool selected;
        bool archived;
        bool clipboardHasTasks;
        QList<Command> enabled;
    } cases[] = {
        {false, false, false, {}},
        {false, false, true, {Command::Paste}},
        {true,
         false,
         false,
         {Command::Copy, Command::CopyWithNotes, Command::CopyAsLink, Command::Cut, Command::Duplicate}},
        {true,
         true,
         true,
         {Command::Copy, Command::CopyWithNotes, Command::CopyAsLink, Command::Cut, Command::Paste}},
    };
    const QList<Command> all = {Command::Copy, Command::CopyWithNotes, Command::CopyAsLink,
                                Command::Cut,  Command::Paste,         Command::Duplicate};
    TDList* archived = newList(QStringLiteral("Old"), library()->archiveGroup());
    TDTask* old = addTask(archived, QStringLiteral("old"));
    processChanges();
    for (const auto& c : cases) {
        controller->setGroup(c.archived ? archived : source);
        QGuiApplication::clipboard()->clear();
        if (c.clipboardHasTasks)
            QGuiApplication::clipboard()->setMimeData(controller->writeItems({plain}).release());
        selectItems(c.selected ? QList<TDTask*>{c.archived ? old : tree} : QList<TDTask*>{});
        for (Command command : all)
            EXPECT_EQ(controller->validatePasteboardCommand(command), c.enabled.contains(command))
                << "command " << int(command) << " selected " << c.selected << " archived " << c.archived;
    }
}

}  // namespace
}  // namespace taskviewstest
