#include "auxiliary/scripting_objects.h"

#include "auxiliary/script_errors.h"
#include "model/group.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/objectstore/managed_object.h"
#include "platform/undo/undo_manager.h"
#include "tests/auxiliary/scripting_fixture.h"

#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

using testsupport::ScriptingLibraryTest;

class ScriptingObjectsTest : public ScriptingLibraryTest {
protected:
    void SetUp() override {
        ScriptingLibraryTest::SetUp();
        objects = std::make_unique<TDScriptingObjects>(*host);
    }
    platform::UndoManager& undo() { return *manager->undoManager(); }
    void undoLast() {
        undo().undo();
        processChanges();
    }
    QStringList titles(TDGroup* group) const {
        QStringList found;
        for (const TDTask* task : group->orderedTasks()->objectsAs<TDTask>()) found.append(task->title());
        return found;
    }

    std::unique_ptr<TDScriptingObjects> objects;
};

template <typename T>
Status statusOf(const Result<T>& result) {
    return result.ok() ? Status() : Status(result.error());
}

void expectError(const Status& status, int code, const char* text) {
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().code, code);
    if (text) {
        EXPECT_EQ(status.error().description, QString::fromUtf8(text));
    }
}

TEST_F(ScriptingObjectsTest, EveryRefusalIsCheckedBeforeAnythingChanges) {
    TDGroup* inbox = library->inboxGroup();
    TDGroup* folders = library->foldersGroup();
    expectError(objects->remove({errands, inbox}), 9001, "Cannot delete special groups");
    EXPECT_FALSE(errands->isDeleted());
    // The list moves into the folder, the folder into itself cannot: neither moves.
    expectError(objects->move({errands, work}, work, 0), 9002, "Could not move object");
    EXPECT_EQ(errands->parentGroup(), folders);
    expectError(objects->move({work}, reports, 0), 9002, "Could not move object");
    expectError(objects->move({draft}, work, 0), 9002, "Could not move task");
    expectError(objects->move({draft}, outline, 0), 9002, "Could not move task");
    expectError(objects->move({outline, draft}, library->upcomingGroup(), 0), 9002, "Could not move task");
    EXPECT_EQ(outline->parentTask(), draft);
    expectError(statusOf(objects->task(QStringLiteral("NOPE"))), 9003,
                "Cannot select object because of unknown type");
    EXPECT_FALSE(objects->group(draft->uid()).ok()) << "a task is no group";
    EXPECT_FALSE(objects->task(reports->uid()).ok()) << "a group is no task";

    host->selection = {outline};
    expectError(objects->setSelection({draft, reports}), 9004, "Selection can only consists of tasks");
    EXPECT_EQ(host->selection, QList<TDTask*>{outline});
    EXPECT_TRUE(host->revealed.isEmpty());
    host->unselectable = {folders};
    expectError(objects->setSelectedGroup(folders), 9004, "Group is not selectable");
    EXPECT_FALSE(undo().canUndo());

    // Accepted, the first task is revealed and the whole selection set.
    ASSERT_TRUE(objects->setSelection({outline, draft}).ok());
    EXPECT_EQ(host->revealed, QList<TDLibraryObject*>{outline});
    EXPECT_EQ(host->selection, (QList<TDTask*>{outline, draft}));
    ASSERT_TRUE(objects->setSelectedGroup(reports).ok());
    EXPECT_EQ(objects->selectedGroup(), reports);
}

TEST_F(ScriptingObjectsTest, MakeMoveAndDeleteAreEachOneUndoStepNamedAsInTheMenus) {
    const Result<TDTask*> made = objects->makeTask(errands,
                                                   {{QStringLiteral("Title"), QStringLiteral("Buy milk")},
                                                    {QStringLiteral("DueDate"), QStringLiteral("2026-12-24")},
                                                    {QStringLiteral("priority"), 4}},
                                                   -1);
    ASSERT_TRUE(made.ok()) << made.error().description.toStdString();
    EXPECT_EQ(titles(errands), QStringList{QStringLiteral("Buy milk")});
    EXPECT_EQ((*made)->dueDate(), QDate(2026, 12, 24).startOfDay());
    EXPECT_EQ((*made)->priority(), 4);
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("New Task"));
    undoLast();
    EXPECT_TRUE(titles(errands).isEmpty());

    ASSERT_TRUE(objects->move({draft}, errands, 0).ok());
    EXPECT_EQ(titles(errands), QStringList{QStringLiteral("Draft")});
    EXPECT_EQ(outline->parentTask(), draft);
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("Move"));
    undoLast();
    EXPECT_EQ(titles(reports), QStringList{QStringLiteral("Draft")});

    ASSERT_TRUE(objects->move({errands}, work, 0).ok());
    EXPECT_EQ(objects->subgroups(work), (QList<TDGroup*>{errands, reports}));
    undoLast();
    EXPECT_EQ(errands->parentGroup(), library->foldersGroup());

    const Result<TDGroup*> list = objects->makeGroup(work, QStringLiteral("list"), QString(), -1);
    ASSERT_TRUE(list.ok());
    EXPECT_EQ((*list)->title(), QStringLiteral("New List"));
    EXPECT_EQ(objects->subgroups(work).last(), *list);
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("New List"));
    EXPECT_FALSE(objects->makeGroup(reports, QStringLiteral("folder"), QStringLiteral("X"), 0).ok());

    ASSERT_TRUE(objects->remove({draft, errands}).ok());
    EXPECT_TRUE(draft->isDeleted());
    EXPECT_TRUE(errands->isDeleted());
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("Delete"));
    undoLast();
    EXPECT_FALSE(draft->isDeleted());
    EXPECT_FALSE(errands->isDeleted());
    EXPECT_EQ(titles(reports), QStringList{QStringLiteral("Draft")});
}

TEST_F(ScriptingObjectsTest, PropertiesTakeOnlyWhatTypedInputWould) {
    const QString longTitle(5000, QLatin1Char('x'));
    const struct {
        const char* name;
        QVariant value;
    } refused[] = {
        {"Title", QStringLiteral("bell\x07")},
        {"Title", longTitle},
        {"Title", 12},
        {"Priority", QStringLiteral("high")},
        {"DueDate", QStringLiteral("tomorrow")},
        {"DueDate", 20261224},
        {"EstimatedTime", -5.0},
        {"Completed", 1},
        {"Uid", QStringLiteral("ABC")},
        {"IsAction", false},
        {"Colour", QStringLiteral("red")},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        expectError(objects->setTaskProperty(draft, QString::fromUtf8(c.name), c.value),
                    TDScriptErrorInvalidValue, nullptr);
    }
    EXPECT_EQ(draft->title(), QStringLiteral("Draft"));
    EXPECT_FALSE(undo().canUndo());
    expectError(
        objects->setGroupProperty(library->inboxGroup(), QStringLiteral("Title"), QStringLiteral("Mine")),
        TDScriptErrorInvalidValue, nullptr);

    const struct {
        const char* name;
        QVariant value;
        QVariant readBack;
        const char* undoName;
    } accepted[] = {
        {"Title", QStringLiteral("Draft v2"), QStringLiteral("Draft v2"), "Change Title"},
        {"Priority", 12, 9, "Change Priority"},  // the model's own limit
        {"DueDate", QStringLiteral("2026-12-24T17:30:00"), QStringLiteral("2026-12-24T17:30:00"),
         "Change Due Date"},
        {"DueDate", QStringLiteral(""), QStringLiteral(""), "Change Due Date"},
        {"EstimatedTime", 1800, 1800.0, "Change Estimated Time"},
        {"Completed", true, true, "Mark as Completed"},
    };
    for (const auto& c : accepted) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromUtf8(c.name);
        ASSERT_TRUE(objects->setTaskProperty(outline, name, c.value).ok());
        EXPECT_EQ(objects->taskProperty(outline, name)->toString(), c.readBack.toString());
        EXPECT_EQ(undo().undoActionName(), QString::fromUtf8(c.undoName));
    }
    ASSERT_TRUE(objects->setGroupProperty(reports, QStringLiteral("Title"), QStringLiteral("Weekly")).ok());
    EXPECT_EQ(reports->title(), QStringLiteral("Weekly"));
    EXPECT_EQ(objects->groupProperty(reports, QStringLiteral("Kind"))->toString(), reports->type());
    EXPECT_EQ(platform::managedObjectFromVariant(*objects->groupProperty(reports, QStringLiteral("Parent"))),
              work);
}

TEST_F(ScriptingObjectsTest, NotesAreWrittenAsPlainTextAndRichNotesStayWhenNotWritten) {
    QTextDocument rich;
    rich.setHtml(QStringLiteral("<p><b>bold</b> words</p>"));
    draft->setAttributedNotes(&rich);
    processChanges();
    const QByteArray stored = draft->notesWebArchiveData();
    ASSERT_EQ(draft->notesString(), QStringLiteral("bold words"));
    ASSERT_TRUE(objects->setTaskProperty(draft, QStringLiteral("Title"), QStringLiteral("Renamed")).ok());
    EXPECT_EQ(draft->notesWebArchiveData(), stored);
    EXPECT_EQ(objects->taskProperty(draft, QStringLiteral("Notes"))->toString(),
              QStringLiteral("bold words"));

    ASSERT_TRUE(
        objects->setTaskProperty(draft, QStringLiteral("Notes"), QStringLiteral("first\nsecond")).ok());
    EXPECT_EQ(draft->notesString(), QStringLiteral("first\nsecond"));
    EXPECT_EQ(undo().undoActionName(), QStringLiteral("Edit Note"));
    undoLast();
    EXPECT_EQ(draft->notesString(), QStringLiteral("bold words"));

    // A file that is not there attaches nothing, not even an undo step (which would end the redo).
    ASSERT_TRUE(undo().canRedo());
    objects->addAttachment(draft, tempPath() + QStringLiteral("/missing.pdf"));
    processChanges();
    EXPECT_EQ(draft->notesString(), QStringLiteral("bold words"));
    EXPECT_TRUE(undo().canRedo());
}

TEST_F(ScriptingObjectsTest, TimingGoesThroughTheTimer) {
    EXPECT_EQ(objects->timingTask(), nullptr);
    objects->beginTiming(outline);
    EXPECT_EQ(objects->timingTask(), outline);
    objects->pauseOrResumeTiming();
    EXPECT_EQ(objects->timingTask(), nullptr);
    objects->pauseOrResumeTiming();
    EXPECT_EQ(objects->timingTask(), outline);
    objects->stopTiming();
    EXPECT_EQ(objects->timingTask(), nullptr);
    objects->save();
    EXPECT_EQ(host->saves, 1);
}

TEST_F(ScriptingObjectsTest, ReadingManyTasksTakesOneCallPerGroup) {
    const Result<QMap<QString, QVariantMap>> read =
        objects->taskProperties(work, {QStringLiteral("Title"), QStringLiteral("DueDate")});
    ASSERT_TRUE(read.ok());
    QStringList uids{draft->uid(), outline->uid()};
    uids.sort();
    EXPECT_EQ(read->keys(), uids);
    EXPECT_EQ(read->value(outline->uid()).value(QStringLiteral("Title")).toString(),
              QStringLiteral("Outline"));
    EXPECT_EQ(read->value(outline->uid()).value(QStringLiteral("DueDate")).toString(), QString());
    expectError(statusOf(objects->taskProperties(work, {QStringLiteral("Nope")})), TDScriptErrorInvalidValue,
                nullptr);

    host->libraryOpen = false;
    EXPECT_FALSE(objects->group(reports->uid()).ok());
    EXPECT_FALSE(objects->specialGroup(QStringLiteral("Inbox")).ok());
}

}  // namespace
