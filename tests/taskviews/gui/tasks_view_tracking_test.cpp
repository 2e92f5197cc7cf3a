#include "language/natural_language_value_transformers.h"
#include "model/task.h"
#include "taskviews/gui/task_cell.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/tasks_controller_fixture.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using taskviewstest::TasksControllerTest;

// A list with a past-due task, a timed task and a plain one without priority, shown in a real outline
// in an active window; the pointer is moved over it as a person would.
class TasksViewTrackingTest : public TasksControllerTest {
protected:
    void SetUp() override {
        TasksControllerTest::SetUp();
        registerNaturalLanguageValueTransformers();
        TDList* list = newList(QStringLiteral("Chores"));
        late = addTask(list, QStringLiteral("Pay the rent"));
        late->setDueDate(QDateTime(QDate(2026, 12, 1), QTime(9, 0)));
        timing = addTask(list, QStringLiteral("Write the report"));
        timing->setTiming(true);
        plain = addTask(list, QStringLiteral("Sort the post"));
        processChanges();
        model = std::make_unique<TDTaskTreeModel>(controller.get());
        view = std::make_unique<TDTasksView>(*controller, *model);
        view->setWindowContext(&window);
        controller->setPresentation(view.get());
        controller->setMode(0);
        controller->setGroup(list);
        processChanges();
        view->resize(720, 420);
        view->show();
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        view->doItemsLayout();
    }

    void TearDown() override {
        controller->setPresentation(nullptr);
        view.reset();
        model.reset();
        TasksControllerTest::TearDown();
    }

    QModelIndex indexOf(TDTask* task, int column) const {
        return model->indexForItem(TDTaskRowItem::task(task)).siblingAtColumn(column);
    }

    QRect checkboxFrame(TDTask* task) const {
        const QModelIndex index = indexOf(task, TDTaskTreeModel::TaskColumn);
        QStyleOptionViewItem option;
        option.rect = view->visualRect(index);
        option.widget = view.get();
        auto* cell = qobject_cast<TDTaskCell*>(view->itemDelegateForColumn(TDTaskTreeModel::TaskColumn));
        return cell->rowLayout(option, index).checkboxFrame.toRect();
    }

    QRect priorityCell(TDTask* task) const {
        return view->visualRect(indexOf(task, TDTaskTreeModel::PriorityColumn));
    }

    // What the viewport shows: the late task's checkbox as its box (not the red icon), and the plain
    // task's empty priority cell with its grey "!" outline.
    struct Shown {
        bool lateBox;
        bool plainPriorityHint;
    };
    Shown shown() const {
        const QImage image = view->viewport()->grab().toImage();
        int colourful = 0;
        const QRect box = checkboxFrame(late);
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                colourful = qMax(colourful, qAbs(pixel.red() - pixel.green()));
            }
        int dark = 0;
        const QRect cell = priorityCell(plain).adjusted(1, 2, -1, -3);
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (image.pixelColor(x, y).red() < 200) ++dark;
        return {colourful<40, dark> 10};
    }

    TDTask* late = nullptr;
    TDTask* timing = nullptr;
    TDTask* plain = nullptr;
    std::unique_ptr<TDTaskTreeModel> model;
    std::unique_ptr<TDTasksView> view;
};

TEST_F(TasksViewTrackingTest, OnlyTheCheckboxAndPriorityAreasTrackThePointer) {
    ASSERT_TRUE(view->isColumnHidden(TDTaskTreeModel::ListColumn));
    const QRect lateBox = checkboxFrame(late);
    ASSERT_EQ(lateBox.size(), QSize(23, 18));
    const QRect plainBox = checkboxFrame(plain);
    const QRect timingBox = checkboxFrame(timing);
    const QRect plainPriority = priorityCell(plain);
    const QRect latePriority = priorityCell(late);
    const QRect lateRow = view->visualRect(indexOf(late, TDTaskTreeModel::TaskColumn));
    const QRect due = view->visualRect(indexOf(plain, TDTaskTreeModel::DueColumn));

    struct Case {
        const char* where;
        QPoint point;
        TDTask* row;  // nullptr: nothing tracked
        TDTrackingArea area;
    };
    using Area = TDTrackingArea;
    const Case cases[] = {
        {"late checkbox, centre", lateBox.center(), late, Area::Checkbox},
        {"late checkbox, top left", lateBox.topLeft(), late, Area::Checkbox},
        {"late checkbox, 18th column", lateBox.topLeft() + QPoint(17, 9), late, Area::Checkbox},
        {"late checkbox, past 18 points", lateBox.topLeft() + QPoint(18, 9), nullptr, Area::None},
        {"late checkbox, last line", QPoint(lateBox.center().x(), lateBox.bottom()), late, Area::Checkbox},
        {"below the late checkbox", QPoint(lateBox.center().x(), lateBox.bottom() + 1), nullptr, Area::None},
        {"above the late checkbox", QPoint(lateBox.center().x(), lateBox.top() - 1), nullptr, Area::None},
        {"left of the late checkbox", QPoint(lateBox.left() - 1, lateBox.center().y()), nullptr, Area::None},
        {"late title", QPoint(lateBox.right() + 60, lateBox.center().y()), nullptr, Area::None},
        {"timing checkbox", timingBox.center(), timing, Area::Checkbox},
        {"plain checkbox", plainBox.center(), nullptr, Area::None},
        {"plain priority, centre", plainPriority.center(), plain, Area::Priority},
        {"plain priority, top left", plainPriority.topLeft(), plain, Area::Priority},
        {"plain priority, bottom right", plainPriority.bottomRight(), plain, Area::Priority},
        {"late priority", latePriority.center(), late, Area::Priority},
        {"right of the priority cell", QPoint(plainPriority.right() + 1, plainPriority.center().y()), nullptr,
         Area::None},
        {"late row, task column edge", QPoint(lateRow.left(), lateRow.center().y()), nullptr, Area::None},
        {"due column", due.center(), nullptr, Area::None},
    };
    // The icon shows until the pointer is over the checkbox area; the "!" only over the priority cell.
    for (const Case& test : cases) {
        QTest::mouseMove(view->viewport(), test.point);
        const TDTaskRowTracking& tracking = view->tracking();
        EXPECT_EQ(tracking.area(), test.area) << test.where;
        const QModelIndex expectedRow =
            test.row ? indexOf(test.row, TDTaskTreeModel::TaskColumn).siblingAtColumn(0) : QModelIndex();
        EXPECT_EQ(tracking.row(), expectedRow) << test.where;
        const Shown looks = shown();
        EXPECT_EQ(looks.lateBox, test.row == late && test.area == Area::Checkbox) << test.where;
        EXPECT_EQ(looks.plainPriorityHint, test.row == plain && test.area == Area::Priority) << test.where;
    }

    // Leaving the outline and the priority commands end the hover.
    QTest::mouseMove(view->viewport(), lateBox.center());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(view->viewport(), &leave);
    EXPECT_EQ(view->tracking().area(), Area::None);
    QTest::mouseMove(view->viewport(), plainPriority.center());
    ASSERT_EQ(view->tracking().area(), Area::Priority);
    view->clearTrackingRowAndColumn();
    EXPECT_EQ(view->tracking().area(), Area::None);
    EXPECT_FALSE(shown().plainPriorityHint);
}

TEST_F(TasksViewTrackingTest, NothingTracksWhileTheWindowIsInactive) {
    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    for (const QPoint& point : {checkboxFrame(late).center(), priorityCell(plain).center()}) {
        QTest::mouseMove(view->viewport(), point);
        EXPECT_EQ(view->tracking().area(), TDTrackingArea::None);
        EXPECT_EQ(shown().lateBox, false);
        EXPECT_EQ(shown().plainPriorityHint, false);
    }
}

}  // namespace
