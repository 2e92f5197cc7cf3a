#include "taskviews/task_tree_model.h"

#include "language/natural_language_value_transformers.h"
#include "model/folder.h"
#include "model/ordered_collection.h"
#include "platform/undo/undo_manager.h"
#include "tests/taskviews/tasks_controller_fixture.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <algorithm>

namespace {

// The model's rows in the controller fixture's words, walked depth first through every row.
QStringList modelRows(const QAbstractItemModel& model, const QModelIndex& parent = {}, int depth = 0) {
    QStringList lines;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, TDTaskTreeModel::TaskColumn, parent);
        const QString indent(depth * 2, QLatin1Char(' '));
        const auto kind = TDTaskRowItem::Kind(index.data(TDTaskTreeModel::ItemKindRole).toInt());
        const QString text = index.data().toString();
        switch (kind) {
            case TDTaskRowItem::Kind::Header:
                lines << indent + QStringLiteral("header ") + text;
                break;
            case TDTaskRowItem::Kind::Section:
                lines << indent + QStringLiteral("section ") + text;
                break;
            case TDTaskRowItem::Kind::Task:
                lines << indent + QStringLiteral("task ") + text;
                break;
            case TDTaskRowItem::Kind::Footer:
                lines << indent + QStringLiteral("footer ") + text;
                break;
            case TDTaskRowItem::Kind::Root:
                lines << indent + QStringLiteral("nothing");
                break;
        }
        lines << modelRows(model, model.index(row, 0, parent), depth + 1);
    }
    return lines;
}

class TaskTreeModelTest : public taskviewstest::TasksControllerTest {
protected:
    void SetUp() override {
        TasksControllerTest::SetUp();
        list = newList(QStringLiteral("Work"));
    }
    // A model over the controller with a fatal tester attached; every row has been asked for.
    void makeModel() {
        model = std::make_unique<TDTaskTreeModel>(controller.get());
        tester = std::make_unique<QAbstractItemModelTester>(
            model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        modelRows(*model);
    }
    void expectModelMatchesController(const char* when) { EXPECT_EQ(modelRows(*model), rows()) << when; }
    QModelIndex indexOf(TDTask* task, int column = TDTaskTreeModel::TaskColumn) {
        const QModelIndex index = model->indexForItem(TDTaskRowItem::task(task));
        return index.siblingAtColumn(column);
    }

    TDList* list = nullptr;
    std::unique_ptr<TDTaskTreeModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(TaskTreeModelTest, FollowsInsertsMovesDeletesCompletionAndReloadsRowByRow) {
    QList<TDTask*> tasks;
    for (const char* title : {"Alpha", "Bravo", "Charlie", "Delta"})
        tasks << addTask(list, QString::fromLatin1(title));
    addSubtask(tasks[1], QStringLiteral("Bravo one"));
    processChanges();
    controller->setGroup(list);
    makeModel();
    expectModelMatchesController("shown");
    EXPECT_EQ(model->index(0, TDTaskTreeModel::TaskColumn).data().toString(), QStringLiteral("Work"));
    QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);

    addTask(list, QStringLiteral("Echo"));
    addSubtask(tasks[1], QStringLiteral("Bravo two"));
    processChanges();
    expectModelMatchesController("after inserts");

    list->orderedTasks()->repositionObjectsAfter({tasks[0]}, tasks[2]);
    processChanges();
    expectModelMatchesController("after a move");

    tasks[3]->deleteObject();
    processChanges();
    expectModelMatchesController("after a delete");

    controller->setHideOldCompletedTasks(true);
    controller->setHideOldCompletedTasksCutoffDate(clock->now().addDays(1));
    const int reloadResets = resets.count();
    tasks[2]->setCompleted(true);
    processChanges();
    expectModelMatchesController("after completing a task that is hidden");
    EXPECT_FALSE(modelRows(*model).contains(QStringLiteral("task Charlie")));
    EXPECT_EQ(resets.count(), reloadResets) << "none of the edits resets the model";

    controller->p_groupByAttribute(QStringLiteral("priority"), false, true);
    expectModelMatchesController("after regrouping");
    tasks[1]->setPriority(2);
    processChanges();
    expectModelMatchesController("after a task changed sections");
}

TEST_F(TaskTreeModelTest, RenamingTheShownListRedrawsItsHeaderRowAtOnce) {
    addTask(list, QStringLiteral("Alpha"));
    TDList* other = newList(QStringLiteral("Home"));
    processChanges();
    controller->setGroup(list);
    makeModel();
    QSignalSpy changes(model.get(), &QAbstractItemModel::dataChanged);
    const auto headerChanges = [&] {
        return std::count_if(changes.cbegin(), changes.cend(), [](const QList<QVariant>& change) {
            const auto topLeft = change.at(0).value<QModelIndex>();
            return !topLeft.parent().isValid() && topLeft.row() == 0;
        });
    };

    // Before the context tells anyone: the rename of the source list shows while it is typed.
    list->setTitle(QStringLiteral("Office"));
    EXPECT_EQ(headerChanges(), 1);
    EXPECT_EQ(model->index(0, TDTaskTreeModel::TaskColumn).data().toString(), QStringLiteral("Office"));
    processChanges();

    // A list no longer shown is no longer heard.
    controller->setGroup(other);
    changes.clear();
    list->setTitle(QStringLiteral("Work"));
    EXPECT_EQ(headerChanges(), 0);
    other->setTitle(QStringLiteral("House"));
    EXPECT_EQ(headerChanges(), 1);
}

TEST_F(TaskTreeModelTest, AnEditInALargeListChangesItsRowAndNeverResets) {
    QList<TDTask*> tasks;
    QList<platform::ManagedObject*> members;
    for (int i = 0; i < 10000; ++i) {
        tasks << library()->createOrphanTask();
        tasks.last()->setTitle(QStringLiteral("Task %1").arg(i));
        members << tasks.last();
    }
    ASSERT_TRUE(list->orderedTasks()->insertObjects(members, 0).ok());
    processChanges();
    controller->setGroup(list);
    model = std::make_unique<TDTaskTreeModel>(controller.get());
    ASSERT_EQ(model->rowCount(), 10001);
    const QModelIndex edited = indexOf(tasks[5000]);
    const QPersistentModelIndex kept(edited);
    QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);
    QSignalSpy layouts(model.get(), &QAbstractItemModel::layoutChanged);
    QSignalSpy changes(model.get(), &QAbstractItemModel::dataChanged);

    EXPECT_TRUE(model->setData(edited, QStringLiteral("Renamed")));
    processChanges();
    controller->reload();

    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(layouts.count(), 0);
    bool rowChanged = false;
    for (const QList<QVariant>& change : std::as_const(changes)) {
        const auto topLeft = change.at(0).value<QModelIndex>();
        const auto bottomRight = change.at(1).value<QModelIndex>();
        if (topLeft.parent() == edited.parent() && topLeft.row() <= edited.row() &&
            edited.row() <= bottomRight.row() && topLeft.column() <= TDTaskTreeModel::ListColumn &&
            TDTaskTreeModel::EstimateColumn <= bottomRight.column())
            rowChanged = true;
    }
    EXPECT_TRUE(rowChanged) << "the whole row follows the list's change signal";
    EXPECT_TRUE(kept.isValid());
    EXPECT_EQ(kept.data().toString(), QStringLiteral("Renamed"));
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Edit Task"));
}

TEST_F(TaskTreeModelTest, ASectionThatEmptiesGoesAndComesBackWithoutAReset) {
    TDFolder* folder = library()->createFolder(QStringLiteral("Projects"), library()->foldersGroup());
    TDList* home = newList(QStringLiteral("Home"), folder);
    TDList* garden = newList(QStringLiteral("Garden"), folder);
    TDTask* only = addTask(home, QStringLiteral("Paint"));
    addTask(garden, QStringLiteral("Mow"));
    processChanges();
    controller->setGroup(folder);
    makeModel();
    expectModelMatchesController("shown");
    ASSERT_EQ(model->rowCount(), 2);
    QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);
    QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
    const QPersistentModelIndex gardenRow(model->index(1, 0));

    ASSERT_TRUE(garden->orderedTasks()->addObject(only).ok());
    processChanges();
    expectModelMatchesController("after Home emptied");
    EXPECT_EQ(model->rowCount(), 1);
    EXPECT_EQ(gardenRow.row(), 0);

    addTask(home, QStringLiteral("Sweep"));
    processChanges();
    expectModelMatchesController("after Home filled again");
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_GE(removed.count(), 1);
    EXPECT_GE(inserted.count(), 1);
}

TEST_F(TaskTreeModelTest, TasksAreSelectableAndEditablePerColumnOtherRowsAreNot) {
    TDTask* parent = addTask(list, QStringLiteral("Trip"));
    addSubtask(parent, QStringLiteral("Tickets"));
    TDTask* leaf = addTask(list, QStringLiteral("Call"));
    processChanges();
    controller->setGroup(list);
    makeModel();

    const QModelIndex header = model->index(0, TDTaskTreeModel::TaskColumn);
    EXPECT_FALSE(model->flags(header) & Qt::ItemIsSelectable);
    EXPECT_FALSE(model->flags(header) & Qt::ItemIsEditable);
    EXPECT_TRUE(model->flags(indexOf(leaf)) & Qt::ItemIsSelectable);
    EXPECT_TRUE(model->flags(indexOf(leaf)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model->flags(indexOf(leaf, TDTaskTreeModel::EstimateColumn)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->flags(indexOf(parent, TDTaskTreeModel::EstimateColumn)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->flags(indexOf(leaf, TDTaskTreeModel::PriorityColumn)) & Qt::ItemIsEditable);
    EXPECT_EQ(indexOf(leaf).data(TDTaskTreeModel::TaskRole).value<TDTask*>(), leaf);
    EXPECT_EQ(model->itemForIndex(indexOf(leaf)), TDTaskRowItem::task(leaf));
    EXPECT_EQ(
        TDCellDressings(
            indexOf(parent, TDTaskTreeModel::EstimateColumn).data(TDTaskTreeModel::DressingRole).toInt()),
        TDCellDressings(TDCellDressing::Calculated));
    EXPECT_EQ(TDCellDressings(header.data(TDTaskTreeModel::DressingRole).toInt()),
              TDCellDressing::SectionTitle | TDCellDressing::ListHeader);
    // The list's title shows on the first task only.
    auto dressingOf = [](const QModelIndex& index) {
        return TDCellDressings(index.data(TDTaskTreeModel::DressingRole).toInt());
    };
    EXPECT_EQ(indexOf(leaf, TDTaskTreeModel::ListColumn).data().toString(), QStringLiteral("Work"));
    EXPECT_FALSE(dressingOf(indexOf(parent, TDTaskTreeModel::ListColumn)) &
                 TDCellDressing::SameListAsRowAbove);
    EXPECT_TRUE(dressingOf(indexOf(leaf, TDTaskTreeModel::ListColumn)) & TDCellDressing::SameListAsRowAbove);
}

// A tag gathers tasks of several lists, so its priority sections show their tasks' earliest dates
// (a list's own sections leave that to its header).
TEST_F(TaskTreeModelTest, ASectionsEarliestDateFollowsItsTasksAndTheIntervalSetting) {
    registerNaturalLanguageValueTransformers();
    defaults().setValue(QStringLiteral("showDatesAsIntervals"), false);
    TDTag* home = tag(QStringLiteral("home"));
    auto addTagged = [&](const QString& title) {
        TDTask* task = addTask(list, title);
        task->addTagsObject(home);
        return task;
    };
    TDTask* later = addTagged(QStringLiteral("Later"));
    TDTask* sooner = addTagged(QStringLiteral("Sooner"));
    const QDateTime inFiveDays = clock->now().addDays(5);
    const QDateTime inTwoDays = clock->now().addDays(2);
    later->setDueDate(inFiveDays);
    processChanges();
    controller->setGroup(home);
    controller->p_groupByAttribute(QStringLiteral("priority"), false, true);
    makeModel();
    ASSERT_EQ(rows(),
              (QStringList{QStringLiteral("section No Priority"), QStringLiteral("  task Later /home"),
                           QStringLiteral("  task Sooner /home")}));
    auto sectionDue = [this] { return model->index(0, TDTaskTreeModel::DueColumn).data(); };
    ASSERT_FALSE(TDDateCellText(inFiveDays, false).toString().isEmpty()) << "the date transformers";
    EXPECT_EQ(sectionDue(), TDDateCellText(inFiveDays, false)) << "shown";
    EXPECT_EQ(sectionDue(), TDDateCellText(inFiveDays, false)) << "asked again";

    sooner->setDueDate(inTwoDays);
    processChanges();
    EXPECT_EQ(sectionDue(), TDDateCellText(inTwoDays, false)) << "after a task's date moved earlier";

    defaults().setValue(QStringLiteral("showDatesAsIntervals"), true);
    EXPECT_EQ(sectionDue(), TDDateCellText(inTwoDays, true)) << "after the user chose intervals";

    sooner->deleteObject();
    processChanges();
    EXPECT_EQ(sectionDue(), TDDateCellText(inFiveDays, true)) << "after the soonest task went";

    TDTask* soonest = addTagged(QStringLiteral("Soonest"));
    soonest->setDueDate(clock->now().addDays(1));
    processChanges();
    EXPECT_EQ(sectionDue(), TDDateCellText(clock->now().addDays(1), true)) << "after a task came";
}

}  // namespace
