// The edited row's outline and the empty folder's fill, read from the painted pixels and saved as
// pictures for a person to look at.
#include "language/natural_language_value_transformers.h"
#include "model/folder.h"
#include "model/group.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_editing.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/gui/outline_fixture.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {

bool near(QColor a, QColor b, int tolerance = 12) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

class TasksViewDrawingTest : public taskviewstest::OutlineTest<> {
protected:
    void SetUp() override {
        OutlineTest::SetUp();
        registerNaturalLanguageValueTransformers();
        openOutline();
        view->resize(620, 300);
        view->show();
        QApplication::setActiveWindow(view.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }

    QImage picture(const QString& name) {
        settleOutline();
        const QImage image = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        EXPECT_TRUE(image.save(QDir(folder).filePath(QStringLiteral("tasks_view_%1.png").arg(name))));
        return image;
    }

    // The rows' own rectangle, in the viewport's device pixels.
    QRect rowRect(TDTask* task) const {
        return view->rectOfRow(view->rowForItem(model->indexForItem(TDTaskRowItem::task(task))));
    }
};

TEST_F(TasksViewDrawingTest, TheEditedRowIsOutlinedWithARoundedRectangleInsteadOfFilled) {
    TDList* list = newList(QStringLiteral("Errands"));
    addTask(list, QStringLiteral("Buy stamps"));
    TDTask* plumber = addTask(list, QStringLiteral("Call the plumber"));
    addTask(list, QStringLiteral("Return library books"));
    processChanges();
    controller->setGroup(list);
    controller->setSelection({plumber});
    view->setFocus();

    const QImage selected = picture(QStringLiteral("selected_row"));
    const QRect row = rowRect(plumber);
    const qreal scale = view->devicePixelRatioF();
    // Right of the title, where only the selection's fill can be.
    const QPoint inside = (QPointF(row.right() - 40, row.center().y()) * scale).toPoint();
    const QColor fill = selected.pixelColor(inside);
    ASSERT_TRUE(near(fill, view->palette().color(QPalette::Active, QPalette::Highlight)));

    ASSERT_TRUE(view->editing().editTask(plumber, TDTaskTreeModel::TaskColumn, false));
    const QImage edited = picture(QStringLiteral("edited_row"));
    EXPECT_FALSE(near(edited.pixelColor(inside), fill));
    // The outline's left side is the second pixel column of the row, down its middle.
    const QPoint side(int((row.left() + 1) * scale), int(row.center().y() * scale));
    EXPECT_TRUE(near(edited.pixelColor(side), TDTasksView::editedRowOutlineColor(), 40))
        << edited.pixelColor(side).name().toStdString();
    // The corners are round: the row's very corner stays paper.
    const QPoint corner(int((row.left() + 1) * scale), int((row.top() + 1) * scale));
    EXPECT_FALSE(near(edited.pixelColor(corner), TDTasksView::editedRowOutlineColor(), 40));

    view->editing().endEditing(true);
    EXPECT_TRUE(near(picture(QStringLiteral("selected_row")).pixelColor(inside), fill));
}

TEST_F(TasksViewDrawingTest, AnEmptyFolderIsFilledWithItsTabsColourAndNotRuled) {
    TDFolder* folder = library()->createFolder(QStringLiteral("Someday"), library()->foldersGroup());
    processChanges();
    controller->setGroup(folder);
    ASSERT_EQ(view->numberOfRows(), 0);
    const QImage image = picture(QStringLiteral("empty_folder"));
    const QColor expected = TDGroup::displayOptionsForTabType(folder->tabType())
                                .value(QStringLiteral("tasksViewHeaderBackgroundGradientBottomColor"))
                                .value<QColor>();
    ASSERT_TRUE(expected.isValid());
    EXPECT_EQ(view->emptyFolderColor(), expected);
    // One colour from top to bottom, at the left edge and across the middle: no rules, no margin line.
    for (int x : {2, image.width() / 2})
        for (int y = 0; y < image.height(); ++y)
            ASSERT_TRUE(near(image.pixelColor(x, y), expected, 2)) << x << "," << y;
}

}  // namespace
