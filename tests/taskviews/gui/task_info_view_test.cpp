// The inspector's view beside an outline: it follows the rows selected, and its fields commit on Return,
// put back the old value on Esc and refuse text that is no date.
#include "taskviews/gui/task_info_view.h"
#include "language/natural_language_date_value_transformer.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/recurrence_fixture.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Field = TDTaskInfoViewController::Field;

class TaskInfoViewTest : public taskviewstest::RecurrenceTest {
protected:
    void SetUp() override {
        RecurrenceTest::SetUp();
        list = newList(QStringLiteral("Home"));
        task = addTask(list, QStringLiteral("Call mum"));
        task->setDueDate(QDateTime(QDate(2026, 12, 11), QTime(0, 0)));
        task->setContextTag(tag(QStringLiteral("@phone")));
        settle();
        model = std::make_unique<TDTaskTreeModel>(controller.get());
        view = std::make_unique<TDTasksView>(*controller, *model);
        controller->setPresentation(view.get());
        controller->setMode(0);
        controller->setGroup(list);
        processChanges();
        inspector = std::make_unique<TDTaskInfoViewController>(*controller);
        infoView = std::make_unique<TDTaskInfoView>(*inspector);
        infoView->show();
    }

    void TearDown() override {
        infoView.reset();
        inspector.reset();
        controller->setPresentation(nullptr);
        view.reset();
        model.reset();
        RecurrenceTest::TearDown();
    }

    QLineEdit* due() const { return infoView->field(Field::DueDate); }
    static QString dateText(const QDateTime& date) {
        return TDNaturalLanguageDateValueTransformer::shared()->transformedValue(date).toString();
    }

    TDList* list = nullptr;
    TDTask* task = nullptr;
    std::unique_ptr<TDTaskTreeModel> model;
    std::unique_ptr<TDTasksView> view;
    std::unique_ptr<TDTaskInfoViewController> inspector;
    std::unique_ptr<TDTaskInfoView> infoView;
};

TEST_F(TaskInfoViewTest, FollowsTheRowSelectedInTheOutline) {
    EXPECT_EQ(due()->placeholderText(), QStringLiteral("No Selection"));
    EXPECT_FALSE(infoView->contextPopUpButton()->isEnabled());
    view->selectionModel()->select(model->indexForItem(TDTaskRowItem::task(task)),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(due()->text(), dateText(task->dueDate()));
    EXPECT_EQ(infoView->contextPopUpButton()->text(), QStringLiteral("@phone"));
    EXPECT_TRUE(infoView->contextPopUpButton()->isEnabled());
}

TEST_F(TaskInfoViewTest, ReturnKeepsTheTextEscPutsBackTheOldOne) {
    select({task});
    const QDateTime before = task->dueDate();
    due()->setFocus();
    due()->selectAll();
    QTest::keyClicks(due(), QStringLiteral("tomorrow"));
    QTest::keyClick(due(), Qt::Key_Escape);
    EXPECT_EQ(task->dueDate(), before);
    EXPECT_EQ(due()->text(), dateText(before));

    due()->setFocus();
    due()->selectAll();
    QTest::keyClicks(due(), QStringLiteral("not a date at all"));
    QTest::keyClick(due(), Qt::Key_Return);
    EXPECT_EQ(task->dueDate(), before) << "refused";
    EXPECT_EQ(due()->text(), dateText(before));

    due()->setFocus();
    due()->selectAll();
    QTest::keyClicks(due(), QStringLiteral("tomorrow"));
    QTest::keyClick(due(), Qt::Key_Return);
    EXPECT_EQ(task->dueDate(), QDateTime(QDate(2026, 12, 10), QTime(0, 0)));
    EXPECT_EQ(undoSteps(), QStringList{QStringLiteral("Change Due Date")});
}

}  // namespace
