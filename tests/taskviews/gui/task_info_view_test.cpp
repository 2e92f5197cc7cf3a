// The inspector's view beside an outline: it follows the rows selected, and its fields commit on Return,
// put back the old value on Esc and refuse text that is no date; its balloons set dates, estimates and
// repetitions, and its labels light up with their fields.
#include "taskviews/gui/task_info_view.h"
#include "controls/gui/balloon_panel.h"
#include "controls/gui/date_completion_view_controller.h"
#include "controls/gui/raised_text_view.h"
#include "language/natural_language_date_value_transformer.h"
#include "language/natural_language_value_transformers.h"
#include "taskviews/gui/estimate_completion_view_controller.h"
#include "taskviews/gui/recurrence_edit_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/recurrence_edit_controller.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/gui/outline_fixture.h"
#include "tests/taskviews/recurrence_fixture.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

using Field = TDTaskInfoViewController::Field;

class TaskInfoViewTest : public taskviewstest::OutlineTest<taskviewstest::RecurrenceTest> {
protected:
    void SetUp() override {
        OutlineTest::SetUp();
        registerNaturalLanguageValueTransformers();
        list = newList(QStringLiteral("Home"));
        task = addTask(list, QStringLiteral("Call mum"));
        task->setDueDate(QDateTime(QDate(2026, 12, 11), QTime(0, 0)));
        task->setContextTag(tag(QStringLiteral("@phone")));
        settle();
        openOutline();
        controller->setGroup(list);
        processChanges();
        inspector = std::make_unique<TDTaskInfoViewController>(*controller);
        infoView = std::make_unique<TDTaskInfoView>(*inspector);
        infoView->show();
        QApplication::setActiveWindow(infoView.get());
    }

    void TearDown() override {
        infoView.reset();
        inspector.reset();
        OutlineTest::TearDown();
    }

    QLineEdit* due() const { return infoView->field(Field::DueDate); }
    static QString dateText(const QDateTime& date) {
        return TDNaturalLanguageDateValueTransformer::shared()->transformedValue(date).toString();
    }

    TDList* list = nullptr;
    TDTask* task = nullptr;
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

TEST_F(TaskInfoViewTest, TheEstimateSliderSetsTheEstimateByItsScale) {
    // The default work day of 8 hours; positions in slider units.
    struct Case {
        const char* typed;
        double shownAt;
        double movedTo;
        double seconds;
    } cases[] = {
        {"", 0, 0.5, 900},   {"30m", 1, 1.3, 2700}, {"1h", 2, 2, 3600},           {"2h", 3, 5.5, 4.5 * 3600},
        {"8h", 9, 9, 28800}, {"2h", 3, 9.5, 43200}, {"10h", 9.25, 11, 3 * 28800}, {"16h", 10, 14, 6 * 28800},
    };
    select({task});
    TDInspectorTextField* estimate = infoView->field(Field::Estimate);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        settle();
        QApplication::setActiveWindow(infoView.get());
        estimate->setFocus();
        estimate->selectAll();
        QTest::keyClick(estimate, Qt::Key_Delete);
        QTest::keyClicks(estimate, QString::fromLatin1(c.typed));
        ASSERT_TRUE(estimate->isBalloonPending());
        estimate->firePopUpTimer();
        ASSERT_TRUE(estimate->estimatePanel() && estimate->estimatePanel()->isVisible());
        auto* slider =
            qobject_cast<TDEstimateCompletionViewController*>(estimate->estimatePanel()->viewController());
        ASSERT_TRUE(slider);
        EXPECT_DOUBLE_EQ(slider->position(), c.shownAt);

        slider->slider()->setValue(int(c.movedTo * TDEstimateCompletionViewController::kStepsPerUnit));
        slider->changeTime(false);
        EXPECT_TRUE(estimate->hasFocus()) << "dragging follows in the text";
        slider->changeTime(true);  // the mouse goes up
        EXPECT_EQ(task->estimatedTime(), c.seconds);
        EXPECT_FALSE(estimate->hasFocus());
        EXPECT_FALSE(estimate->estimatePanel()->isVisible());
        EXPECT_EQ(undoSteps(), QStringList{QStringLiteral("Change Estimated Time")});
    }
}

TEST_F(TaskInfoViewTest, TheDateBalloonPicksADayAndItsToggleEditsTheRepetition) {
    select({task});
    TDInspectorTextField* start = infoView->field(Field::StartDate);
    start->setFocus();
    ASSERT_TRUE(start->isBalloonPending()) << "the balloon opens a pause after the field takes the focus";
    start->firePopUpTimer();
    TDBalloonPanel* balloon = start->datePanel();
    ASSERT_TRUE(balloon && balloon->isVisible());
    // A tooltip of the inspector's window: the keys stay with the field.
    EXPECT_EQ(balloon->windowType(), Qt::ToolTip);
    EXPECT_EQ(balloon->windowHandle()->transientParent(), infoView->windowHandle());
    EXPECT_EQ(QApplication::focusWidget(), start);
    auto* calendar = qobject_cast<TDDateCompletionViewController*>(balloon->viewController());
    ASSERT_TRUE(calendar);
    EXPECT_FALSE(calendar->recurrenceToggleButton()->isHidden());

    QTest::mouseClick(calendar->recurrenceToggleButton(), Qt::LeftButton);
    auto* editor = qobject_cast<TDRecurrenceEditView*>(balloon->viewController());
    ASSERT_TRUE(editor) << "the toggle swaps the recurrence editor into the date balloon";
    EXPECT_EQ(editor->controller().task(), task);
    EXPECT_TRUE(balloon->isVisible());
    // It types: a pop-up of the same window now, its rule field taking the keys.
    EXPECT_EQ(balloon->windowType(), Qt::Popup);
    EXPECT_EQ(balloon->windowHandle()->transientParent(), infoView->windowHandle());
    EXPECT_EQ(QApplication::focusWidget(), editor->ruleField());
    // The balloon's own editor raises the field being typed in.
    ASSERT_TRUE(balloon->raisedTextView(false));
    EXPECT_EQ(balloon->raisedTextView(false)->editedField(), editor->ruleField());
    ASSERT_TRUE(balloon->raisedTextView(false)->shadowView());
    EXPECT_EQ(balloon->raisedTextView(false)->shadowView()->parentWidget(),
              editor->ruleField()->parentWidget());
    editor->ruleField()->clear();
    QTest::keyClicks(editor->ruleField(), QStringLiteral("every week"));
    QTest::keyClick(editor->ruleField(), Qt::Key_Escape);
    EXPECT_FALSE(balloon->isVisible()) << "Esc confirms and closes";
    ASSERT_TRUE(ruleOf(task).has_value());
    EXPECT_EQ(undoSteps(), QStringList{QStringLiteral("Edit Recurrence")});

    // A field that edits the repetition's own dates has no toggle.
    start->setFieldType(TDInspectorTextField::DateWithoutRecurrence);
    QApplication::setActiveWindow(infoView.get());
    start->setFocus();
    start->firePopUpTimer();
    calendar = qobject_cast<TDDateCompletionViewController*>(start->datePanel()->viewController());
    ASSERT_TRUE(calendar);
    EXPECT_TRUE(calendar->recurrenceToggleButton()->isHidden());
    // The same balloon, back to a date, leaves the keys with the field again.
    EXPECT_EQ(start->datePanel(), balloon);
    EXPECT_FALSE(balloon->canBecomeKeyWindow());
    EXPECT_EQ(balloon->windowType(), Qt::ToolTip);
    EXPECT_EQ(QApplication::focusWidget(), start);
}

TEST_F(TaskInfoViewTest, TheFieldBeingEditedIsRaisedAndTheFocusingClickSelectsItsWholeText) {
    select({task});
    TDRaisedTextView* raised = infoView->raisedTextView();
    EXPECT_EQ(raised->shadowView(), nullptr);
    QTest::mouseClick(due(), Qt::LeftButton, {}, QPoint(4, due()->height() / 2));
    ASSERT_EQ(QApplication::focusWidget(), due());
    ASSERT_TRUE(raised->shadowView());
    EXPECT_EQ(raised->editedField(), due());
    const int margin = TDRaisedTextShadowView::kMargin;
    EXPECT_EQ(raised->shadowView()->geometry(), due()->geometry().adjusted(-margin, -margin, margin, margin));
    EXPECT_EQ(due()->selectedText(), due()->text()) << "the first click selects everything";
    QTest::mouseClick(due(), Qt::LeftButton, {}, QPoint(4, due()->height() / 2));
    EXPECT_TRUE(due()->selectedText().isEmpty()) << "a second click places the caret";

    // Editing ends: no plate stays behind.
    QTest::keyClick(due(), Qt::Key_Escape);
    EXPECT_EQ(raised->shadowView(), nullptr);
}

TEST_F(TaskInfoViewTest, LabelsLightUpWithTheirFieldsAndPutTheCaretThere) {
    select({task});
    TDInspectorTextField* due = infoView->field(Field::DueDate);
    TDInspectorTextField* label = infoView->label(Field::DueDate);
    ASSERT_TRUE(label && label->isLabel());
    EXPECT_EQ(label->targetField(), due);

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(label, &enter);
    EXPECT_TRUE(label->mouseInside());
    EXPECT_TRUE(due->mouseInside());
    EXPECT_EQ(label->palette().color(QPalette::Text), QColor(Qt::white));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(label, &leave);
    EXPECT_FALSE(due->mouseInside());

    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_TRUE(due->hasFocus()) << "a click on the label puts the caret in its field";
    QCoreApplication::sendEvent(label, &enter);
    EXPECT_FALSE(due->mouseInside()) << "a field being edited does not light up";
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_FALSE(due->hasFocus()) << "a second click ends editing";
}

}  // namespace
