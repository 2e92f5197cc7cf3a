#include "model/ordered_collection.h"
#include "platform/undo/undo_manager.h"
#include "tests/app/drag_data.h"
#include "tests/app/groups_controller_fixture.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QUrl>

#include <functional>

namespace apptest {
namespace {

// Drops on the source list through its model, as the view hands them over: a row and its parent, or
// row -1 for a drop onto the parent's own row.
class SourceListDropTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        work = list(QStringLiteral("Work"));
        home = list(QStringLiteral("Home"));
        area = folder(QStringLiteral("Area"));
        old = list(QStringLiteral("Old"));
        old->archive();
        smart = smartFolder(QStringLiteral("Smart"));
        urgent = tag(QStringLiteral("urgent"));
        places = folder(QStringLiteral("Places"), library()->tagsGroup());
        plan = addTask(library()->inboxGroup(), QStringLiteral("plan"));
        call = addTask(library()->inboxGroup(), QStringLiteral("call"));
        processChanges();
        manager->undoManager()->removeAllActions();
        tester = std::make_unique<QAbstractItemModelTester>(
            model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    void TearDown() override {
        tester.reset();
        GroupsControllerTest::TearDown();
    }

    QModelIndex row(const TDGroup* group) const { return model()->indexForGroup(group); }
    TDDragOperation operation(const QMimeData& data, int at, const QModelIndex& parent, bool move = true) {
        return model()->dropOperation(&data, move, at, parent);
    }
    bool drop(const QMimeData& data, int at, const QModelIndex& parent,
              Qt::DropAction action = Qt::MoveAction) {
        const bool dropped = model()->dropMimeData(&data, action, at, 0, parent);
        processChanges();
        return dropped;
    }
    std::unique_ptr<QMimeData> groupDrag(const QList<TDGroup*>& dragged) {
        QModelIndexList rows;
        for (const TDGroup* group : dragged) rows << row(group);
        return std::unique_ptr<QMimeData>(model()->mimeData(rows));
    }
    QStringList titles(const QList<TDTask*>& list) const {
        QStringList result;
        for (const TDTask* task : list) result << task->title();
        return result;
    }
    QStringList topTasks(TDGroup* group) const { return titles(group->orderedTasks()->objectsAs<TDTask>()); }
    QStringList childTitles(TDGroup* folder) const {
        QStringList result;
        for (const TDGroup* child : folder->orderedSubgroups()->objectsAs<TDGroup>())
            result << child->title();
        return result;
    }
    // Ends the set-up's event, so that its changes stay out of the drop's undo step.
    void settleHistory() {
        processChanges();
        testsupport::drainEvents();
        manager->undoManager()->removeAllActions();
    }
    void undoAndRedo(const std::function<void()>& expectBefore, const std::function<void()>& expectAfter) {
        undo(expectBefore);
        manager->undoManager()->redo();
        processChanges();
        testsupport::drainEvents();
        expectAfter();
    }
    // Task moves are undone only: the library's bookkeeping after an undo of task changes registers
    // changes of its own, which drops the redo step (a fault of the undo machinery, not of the drops).
    void undo(const std::function<void()>& expectBefore) {
        EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Drag Operation"));
        testsupport::drainEvents();
        manager->undoManager()->undo();
        processChanges();
        testsupport::drainEvents();
        expectBefore();
    }

    std::unique_ptr<QAbstractItemModelTester> tester;
    TDList* work = nullptr;
    TDList* home = nullptr;
    TDFolder* area = nullptr;
    TDList* old = nullptr;
    TDGroup* smart = nullptr;
    TDTag* urgent = nullptr;
    TDFolder* places = nullptr;
    TDTask* plan = nullptr;
    TDTask* call = nullptr;
};

TEST_F(SourceListDropTest, DraggedGroupsReorderAndMoveIntoFoldersInTheirOrder) {
    const QStringList before{QStringLiteral("Projects"), QStringLiteral("On Hold"), QStringLiteral("Work"),
                             QStringLiteral("Home"),     QStringLiteral("Area"),    QStringLiteral("Smart")};
    ASSERT_EQ(childTitles(library()->foldersGroup()), before);
    const auto dragged = groupDrag({work, home});
    ASSERT_NE(dragged, nullptr);
    EXPECT_EQ(TDDraggedGroupUIDs(dragged.get()), (QStringList{work->uid(), home->uid()}));

    // Between Projects and On Hold.
    const QModelIndex folders = row(library()->foldersGroup());
    EXPECT_EQ(operation(*dragged, 1, folders), TDDragOperation::Move);
    ASSERT_TRUE(drop(*dragged, 1, folders));
    const QStringList after{QStringLiteral("Projects"), QStringLiteral("Work"), QStringLiteral("Home"),
                            QStringLiteral("On Hold"),  QStringLiteral("Area"), QStringLiteral("Smart")};
    EXPECT_EQ(childTitles(library()->foldersGroup()), after);
    undoAndRedo([&] { EXPECT_EQ(childTitles(library()->foldersGroup()), before); },
                [&] { EXPECT_EQ(childTitles(library()->foldersGroup()), after); });

    // Onto a folder: at its end.
    list(QStringLiteral("Inside"), area);
    settleHistory();
    const auto one = groupDrag({home});
    EXPECT_EQ(operation(*one, -1, row(area)), TDDragOperation::Move);
    ASSERT_TRUE(drop(*one, -1, row(area)));
    EXPECT_EQ(home->parentGroup(), area);
    EXPECT_EQ(childTitles(area), (QStringList{QStringLiteral("Inside"), QStringLiteral("Home")}));
    undoAndRedo([&] { EXPECT_EQ(home->parentGroup(), library()->foldersGroup()); },
                [&] { EXPECT_EQ(home->parentGroup(), area); });
}

TEST_F(SourceListDropTest, GroupsOfDifferentParentsCannotBeDraggedTogether) {
    TDList* inside = list(QStringLiteral("Inside"), area);
    processChanges();
    groups->expandGroup(area);
    EXPECT_EQ(groupDrag({work, inside}), nullptr);
}

TEST_F(SourceListDropTest, GroupDropsThatTheTreeRefusesChangeNothing) {
    struct Refusal {
        const char* name;
        TDGroup* dragged;
        int row;
        TDGroup* parent;  // nullptr: the top level
    };
    const QList<Refusal> refusals{
        {"a tag among the lists", urgent, 0, library()->foldersGroup()},
        {"a list at the top level", work, 0, nullptr},
        {"a folder into itself", area, -1, area},
        {"a list onto a list", work, -1, home},
        {"a list onto a smart folder", work, -1, smart},
        {"the smart folder into the archive", smart, 0, library()->archiveGroup()},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        groups->setMode(refusal.dragged->isTag() ? 1 : 0);
        const auto data = groupDrag({refusal.dragged});
        ASSERT_NE(data, nullptr);
        groups->setMode(0);
        TDGroup* parentBefore = refusal.dragged->parentGroup();
        EXPECT_EQ(operation(*data, refusal.row, row(refusal.parent)), TDDragOperation::None);
        EXPECT_FALSE(drop(*data, refusal.row, row(refusal.parent)));
        EXPECT_EQ(refusal.dragged->parentGroup(), parentBefore);
    }
}

TEST_F(SourceListDropTest, InTagsModeATagLandsAtItsPlaceByTitle) {
    TDTag* apple = tag(QStringLiteral("Apple"));
    processChanges();
    groups->setMode(1);
    const auto data = groupDrag({apple});
    ASSERT_NE(data, nullptr);
    // Into the bundle, whatever place among its children was proposed.
    tag(QStringLiteral("zebra"), places);
    tag(QStringLiteral("banana"), places);
    processChanges();
    groups->expandGroup(places);
    EXPECT_EQ(operation(*data, 2, row(places)), TDDragOperation::Move);
    ASSERT_TRUE(drop(*data, 2, row(places)));
    EXPECT_EQ(apple->parentGroup(), places);
    const QModelIndex bundle = row(places);
    QStringList shown;
    for (int r = 0; r < model()->rowCount(bundle); ++r)
        shown << model()->index(r, 0, bundle).data().toString();
    EXPECT_EQ(shown,
              (QStringList{QStringLiteral("Apple"), QStringLiteral("banana"), QStringLiteral("zebra")}));
    EXPECT_EQ(childTitles(places).indexOf(QStringLiteral("Apple")), 0);
    // Back to the top, dropped on the empty space below the rows.
    EXPECT_EQ(operation(*data, -1, QModelIndex()), TDDragOperation::Move);
    ASSERT_TRUE(drop(*data, -1, QModelIndex()));
    EXPECT_EQ(apple->parentGroup(), library()->tagsGroup());
}

TEST_F(SourceListDropTest, TasksMoveIntoAListOnTopInTheirOrder) {
    addTask(work, QStringLiteral("already"));
    settleHistory();
    const auto data = taskIDDrag(QList<TDTask*>{plan, call});
    EXPECT_EQ(operation(*data, -1, row(work)), TDDragOperation::Move);
    ASSERT_TRUE(drop(*data, -1, row(work)));
    const QStringList after{QStringLiteral("plan"), QStringLiteral("call"), QStringLiteral("already")};
    EXPECT_EQ(topTasks(work), after);
    EXPECT_TRUE(library()->inboxGroup()->tasks().isEmpty());
    undo([&] {
        EXPECT_EQ(topTasks(work), QStringList{QStringLiteral("already")});
        EXPECT_EQ(topTasks(library()->inboxGroup()),
                  (QStringList{QStringLiteral("plan"), QStringLiteral("call")}));
    });

    // Back onto the list that holds them: refused.
    ASSERT_TRUE(drop(*data, -1, row(work)));
    EXPECT_EQ(operation(*data, -1, row(work)), TDDragOperation::None);
    EXPECT_FALSE(drop(*data, -1, row(work)));
}

TEST_F(SourceListDropTest, TasksDroppedOnATagTakeItAndStayInTheirList) {
    groups->setMode(1);
    const auto data = taskIDDrag(QList<TDTask*>{plan});
    EXPECT_EQ(operation(*data, -1, row(urgent)), TDDragOperation::Move);
    ASSERT_TRUE(drop(*data, -1, row(urgent)));
    EXPECT_TRUE(plan->tags().contains(urgent));
    EXPECT_EQ(plan->parentList(), library()->inboxGroup());
    undo([&] { EXPECT_FALSE(plan->tags().contains(urgent)); });
    ASSERT_TRUE(drop(*data, -1, row(urgent)));

    // A tag the task has already: taken as a move that changes nothing.
    EXPECT_EQ(operation(*data, -1, row(urgent)), TDDragOperation::Move);
    EXPECT_TRUE(drop(*data, -1, row(urgent)));
    EXPECT_EQ(plan->tags(), QList<TDGroup*>{urgent});
}

TEST_F(SourceListDropTest, TasksDroppedOnTodayStartToday) {
    const auto data = taskIDDrag(QList<TDTask*>{plan});
    const QModelIndex today = row(library()->todayGroup());
    EXPECT_EQ(operation(*data, -1, today), TDDragOperation::Move);
    ASSERT_TRUE(drop(*data, -1, today));
    EXPECT_EQ(plan->startDate().date(), clock->currentDateTime().date());
    EXPECT_TRUE(library()->todayGroup()->tasks().contains(plan));
}

TEST_F(SourceListDropTest, TaskDropsAreRefusedWhereTheyCannotGo) {
    TDTask* gone = addTask(library()->inboxGroup(), QStringLiteral("gone"));
    processChanges();
    gone->deleteObject();
    processChanges();
    auto malformed = std::make_unique<QMimeData>();
    malformed->setData(TDPasteboardTypes::TaskMOIDs, QByteArray("<plist><array><string>"));
    const auto plans = taskIDDrag(QList<TDTask*>{plan});

    struct Refusal {
        const char* name;
        const QMimeData* data;
        int row;
        QModelIndex parent;
        bool move;
    };
    const QModelIndex folders = row(library()->foldersGroup());
    const QList<Refusal> refusals{
        {"another library's task", taskIDDrag(QStringList{idInAnotherLibrary(call)}).release(), -1, row(work),
         true},
        {"another library's among ours",
         taskIDDrag(QStringList{plan->persistentObjectIDURIString(), idInAnotherLibrary(call)}).release(), -1,
         row(work), true},
        {"only tasks deleted since", taskIDDrag(QList<TDTask*>{gone}).release(), -1, row(work), true},
        {"no list of IDs", malformed.release(), -1, row(work), true},
        {"between rows", plans.get(), 2, folders, true},
        {"at the top level", plans.get(), -1, QModelIndex(), true},
        {"onto a folder", plans.get(), -1, row(area), true},
        {"onto a smart folder", plans.get(), -1, row(smart), true},
        {"onto an archived list", plans.get(), -1, row(old), true},
        {"IDs in a drag that may only copy", plans.get(), -1, row(work), false},
    };
    const QStringList inbox = topTasks(library()->inboxGroup());
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        EXPECT_EQ(operation(*refusal.data, refusal.row, refusal.parent, refusal.move), TDDragOperation::None);
        EXPECT_FALSE(
            drop(*refusal.data, refusal.row, refusal.parent, refusal.move ? Qt::MoveAction : Qt::CopyAction));
        EXPECT_EQ(topTasks(library()->inboxGroup()), inbox);
        EXPECT_TRUE(work->tasks().isEmpty());
        if (refusal.data != plans.get()) delete refusal.data;
    }

    // A task deleted since the drag began is passed over; the rest move.
    const auto mixed = taskIDDrag(QList<TDTask*>{gone, call});
    EXPECT_EQ(operation(*mixed, -1, row(work)), TDDragOperation::Move);
    ASSERT_TRUE(drop(*mixed, -1, row(work)));
    EXPECT_EQ(topTasks(work), QStringList{QStringLiteral("call")});
    EXPECT_TRUE(gone->isDeleted());
}

TEST_F(SourceListDropTest, TextLinksFilesAndCopiesBecomeTasksThere) {
    const auto text = textDrag(QStringLiteral("buy milk\ncall the bank"));
    EXPECT_EQ(operation(*text, -1, row(work)), TDDragOperation::Generic);
    ASSERT_TRUE(drop(*text, -1, row(work), Qt::CopyAction));
    EXPECT_EQ(topTasks(work), (QStringList{QStringLiteral("buy milk"), QStringLiteral("call the bank")}));
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Drag Operation"));

    // On a tag: tagged, and kept in the Inbox since no list took them.
    groups->setMode(1);
    ASSERT_TRUE(drop(*textDrag(QStringLiteral("water plants")), -1, row(urgent), Qt::CopyAction));
    groups->setMode(0);
    TDTask* water = library()->inboxGroup()->orderedTasks()->objectsAs<TDTask>().first();
    EXPECT_EQ(water->title(), QStringLiteral("water plants"));
    EXPECT_EQ(water->tags(), QList<TDGroup*>{urgent});

    QMimeData link;
    link.setUrls({QUrl(QStringLiteral("https://example.org/report"))});
    EXPECT_EQ(operation(link, -1, row(home)), TDDragOperation::Generic);
    ASSERT_TRUE(drop(link, -1, row(home), Qt::CopyAction));
    EXPECT_EQ(home->tasks().size(), 1);

    const QString path = tempPath() + QStringLiteral("/notes.txt");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("notes");
    file.close();
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(path)});
    EXPECT_EQ(operation(files, -1, row(home)), TDDragOperation::Link);
    ASSERT_TRUE(drop(files, -1, row(home), Qt::LinkAction));
    EXPECT_EQ(home->tasks().size(), 2);

    // A copy-only drag of tasks takes their property lists: new tasks, the old ones stay.
    const auto plans = taskIDDrag(QList<TDTask*>{plan});
    plans->setData(
        TDPasteboardTypes::TaskPlist,
        platform::writePropertyList(QVariantList{plan->propertyListRepresentationForCopying()}).value());
    EXPECT_EQ(operation(*plans, -1, row(home), false), TDDragOperation::Copy);
    ASSERT_TRUE(drop(*plans, -1, row(home), Qt::CopyAction));
    EXPECT_EQ(topTasks(home).first(), QStringLiteral("plan"));
    EXPECT_EQ(plan->parentList(), library()->inboxGroup());
}

}  // namespace
}  // namespace apptest
