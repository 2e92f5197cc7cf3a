#include "language/natural_language_value_transformers.h"
#include "model/ordered_collection.h"
#include "platform/plist/property_list.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/pasteboard_types.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/gui/outline_fixture.h"

#include <QAbstractItemModelTester>
#include <QMimeData>

#include <gtest/gtest.h>

namespace {

QStringList names(const char* commaSeparated) {
    return QString::fromUtf8(commaSeparated).split(QLatin1Char(','));
}

// The outline offscreen, with drops made through its model as the view makes them.
class TasksViewDropsTest : public taskviewstest::OutlineTest<> {
protected:
    void SetUp() override {
        OutlineTest::SetUp();
        registerNaturalLanguageValueTransformers();
        openOutline();
        tester = std::make_unique<QAbstractItemModelTester>(model.get());
        view->resize(720, 420);
        view->show();

        list = newList(QStringLiteral("Errands"));
        a = addTask(list, QStringLiteral("A"));
        b = addTask(list, QStringLiteral("B"));
        c = addTask(list, QStringLiteral("C"));
        processChanges();
        manager->undoManager()->removeAllActions();
        controller->setDisplayMode(TDTasksController::ListMode);
        controller->setGroup(list);
        settle();
    }

    void TearDown() override {
        tester.reset();
        OutlineTest::TearDown();
    }

    void settle() { settleOutline(); }

    QModelIndex indexOf(TDTask* task) const { return model->indexForItem(TDTaskRowItem::task(task)); }

    // What dragging the rows would carry.
    std::unique_ptr<QMimeData> dragged(const QList<TDTask*>& tasks) const {
        QModelIndexList rows;
        for (TDTask* task : tasks) rows.append(indexOf(task));
        return std::unique_ptr<QMimeData>(model->mimeData(rows));
    }

    bool drop(const QMimeData* data, int row, const QModelIndex& parent,
              Qt::DropAction action = Qt::MoveAction) {
        if (!model->canDropMimeData(data, action, row, 0, parent)) return false;
        const bool dropped = model->dropMimeData(data, action, row, 0, parent);
        settle();
        return dropped;
    }

    QStringList titlesOf(TDOrderedCollection* tasks) { return taskTitles(tasks->objectsAs<TDTask>()); }

    std::unique_ptr<QAbstractItemModelTester> tester;
    TDList* list = nullptr;
    TDTask* a = nullptr;
    TDTask* b = nullptr;
    TDTask* c = nullptr;
};

TEST_F(TasksViewDropsTest, ADropBetweenRowsReordersAndNamesTheUndoAction) {
    ASSERT_TRUE(view->hasDummyHeader());
    const std::unique_ptr<QMimeData> data = dragged({c});
    ASSERT_TRUE(data);
    // Row 0 is the list's own row: the top of the list is row 1
    EXPECT_TRUE(drop(data.get(), 1, {}));
    EXPECT_EQ(titlesOf(list->orderedTasks()), names("C,A,B"));
    EXPECT_EQ(undoName(), QStringLiteral("Drag Operation"));
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(model->itemForIndex(model->index(1, 0)).task(), c);

    // Dropping on the list's own row means its top; above it nothing goes
    EXPECT_TRUE(drop(dragged({b}).get(), -1, model->index(0, 0)));
    EXPECT_EQ(titlesOf(list->orderedTasks()), names("B,C,A"));
    EXPECT_FALSE(drop(dragged({a}).get(), 0, {}));
    EXPECT_FALSE(drop(dragged({a}).get(), -1, {}));
}

TEST_F(TasksViewDropsTest, ADropOntoATaskMovesIntoItButNeverIntoItself) {
    EXPECT_TRUE(drop(dragged({a}).get(), -1, indexOf(b)));
    EXPECT_EQ(titlesOf(b->orderedTasks()), names("A"));
    EXPECT_EQ(titlesOf(list->orderedTasks()), names("B,C"));
    EXPECT_EQ(a->parentTask(), b);

    // Into its own subtask, or onto itself: refused, nothing moves
    EXPECT_FALSE(drop(dragged({b}).get(), -1, indexOf(a)));
    EXPECT_FALSE(drop(dragged({b}).get(), -1, indexOf(b)));
    EXPECT_EQ(a->parentTask(), b);

    // And back out between the top rows
    EXPECT_TRUE(drop(dragged({a}).get(), 3, {}));
    EXPECT_EQ(titlesOf(list->orderedTasks()), names("B,C,A"));
    EXPECT_EQ(a->parentTask(), nullptr);
}

TEST_F(TasksViewDropsTest, TasksOfDifferentParentsStartNoDrag) {
    TDTask* child = addSubtask(a, QStringLiteral("child"));
    settle();
    view->expand(indexOf(a));
    EXPECT_FALSE(dragged({b, child}));
    EXPECT_TRUE(dragged({a, b}));
    EXPECT_FALSE(model->mimeData({model->index(0, 0)}));  // the list's own row
}

TEST_F(TasksViewDropsTest, ATagDroppedOnATaskTagsItOnce) {
    TDTag* home = tag(QStringLiteral("home"));
    settle();
    QMimeData data;
    const Result<QByteArray> uids = platform::writePropertyList(QVariantList{home->uid()});
    ASSERT_TRUE(uids.ok());
    data.setData(TDPasteboardTypes::GroupUIDs, *uids);

    EXPECT_EQ(model->canDropMimeData(&data, Qt::LinkAction, -1, 0, indexOf(b)), true);
    EXPECT_TRUE(drop(&data, -1, indexOf(b), Qt::LinkAction));
    EXPECT_TRUE(b->tags().contains(home));
    EXPECT_EQ(undoName(), QStringLiteral("Drag Operation"));
    EXPECT_EQ(list->orderedTasks()->objectsAs<TDTask>(), (QList<TDTask*>{a, b, c}));  // nothing moved

    // A task that carries the tag already, and a list that is no tag, are refused
    EXPECT_FALSE(drop(&data, -1, indexOf(b), Qt::LinkAction));
    const Result<QByteArray> listUID = platform::writePropertyList(QVariantList{list->uid()});
    data.setData(TDPasteboardTypes::GroupUIDs, *listUID);
    EXPECT_FALSE(drop(&data, -1, indexOf(c), Qt::LinkAction));
}

TEST_F(TasksViewDropsTest, TextDroppedBecomesTasksAndCopiesKeepTheOriginals) {
    QMimeData text;
    text.setText(QStringLiteral("Buy milk\n\u2713 Paid rent"));
    EXPECT_TRUE(drop(&text, 2, {}, Qt::CopyAction));
    EXPECT_EQ(titlesOf(list->orderedTasks()), names("A,Buy milk,Paid rent,B,C"));

    // A drag that may not move copies: the original stays
    EXPECT_TRUE(drop(dragged({c}).get(), 1, {}, Qt::CopyAction));
    EXPECT_EQ(titlesOf(list->orderedTasks()), names("C,A,Buy milk,Paid rent,B,C"));
    EXPECT_EQ(list->orderedTasks()->objectsAs<TDTask>().last(), c);
}

TEST_F(TasksViewDropsTest, DropsAtTheTopOfASmartFolderAreRefused) {
    controller->setDisplayMode(TDTasksController::SmartFolderMode);
    controller->setGroup(library()->todayGroup());
    settle();
    QMimeData text;
    text.setText(QStringLiteral("anything"));
    EXPECT_FALSE(model->canDropMimeData(&text, Qt::CopyAction, 0, 0, {}));
    EXPECT_FALSE(model->dropMimeData(&text, Qt::CopyAction, 0, 0, {}));
}

}  // namespace
