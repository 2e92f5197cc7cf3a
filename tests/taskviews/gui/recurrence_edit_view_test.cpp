// The recurrence editor's pop-up at a row of the outline: every way out confirms.
#include "taskviews/gui/recurrence_edit_view.h"
#include "controls/gui/balloon_panel.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/recurrence_edit_controller.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/gui/outline_fixture.h"
#include "tests/taskviews/recurrence_fixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <optional>

#include <gtest/gtest.h>

namespace {

class RecurrenceEditViewTest : public taskviewstest::OutlineTest<taskviewstest::RecurrenceTest> {
protected:
    void SetUp() override {
        OutlineTest::SetUp();
        list = newList(QStringLiteral("Home"));
        task = addTask(list, QStringLiteral("Water the plants"));
        giveRule(task, QStringLiteral("every day"));
        settle();
        openOutline();
        controller->setGroup(list);
        view->resize(500, 300);
        view->show();
        settleOutline();
    }

    TDRecurrenceEditView* open() {
        select({task});
        controller->editRecurrence();
        TDRecurrenceEditView* editor = view->recurrenceEditView();
        EXPECT_TRUE(editor && editor->isVisible());
        return editor;
    }

    void typeRule(TDRecurrenceEditView* editor, const QString& text) {
        editor->ruleField()->clear();
        QTest::keyClicks(editor->ruleField(), text);
    }

    TDList* list = nullptr;
    TDTask* task = nullptr;
};

TEST_F(RecurrenceEditViewTest, EscConfirmsTheRuleTyped) {
    TDRecurrenceEditView* editor = open();
    EXPECT_FALSE(editor->ruleField()->text().isEmpty()) << "the rule's own text";
    typeRule(editor, QStringLiteral("every 2 weeks"));
    EXPECT_TRUE(editor->endTypePopUpButton()->isVisibleTo(editor));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    ASSERT_TRUE(ruleOf(task));
    EXPECT_EQ(ruleOf(task)->recurrenceType(), TDRecurrenceRule::Weekly);
    EXPECT_EQ(ruleOf(task)->recurrenceInterval(), 2u);
    EXPECT_EQ(undoSteps(), QStringList{QStringLiteral("Edit Recurrence")});
}

TEST_F(RecurrenceEditViewTest, ClickingBackIntoTheListConfirms) {
    TDRecurrenceEditView* editor = open();
    typeRule(editor, QStringLiteral("every month"));
    editor->dueDatePopUpButton()->setCurrentIndex(1);
    Q_EMIT editor->dueDatePopUpButton()->activated(1);
    // What the gap field holds counts although it was never left.
    editor->startDueGapDaysField()->clear();
    QTest::keyClicks(editor->startDueGapDaysField(), QStringLiteral("5"));
    Q_EMIT view->didBecomeFirstResponder();
    EXPECT_FALSE(editor->isVisible());
    ASSERT_TRUE(ruleOf(task));
    EXPECT_EQ(ruleOf(task)->recurrenceType(), TDRecurrenceRule::Monthly);
    EXPECT_TRUE(ruleOf(task)->hasDueDate());
    EXPECT_EQ(ruleOf(task)->timeIntervalBetweenStartAndDueDates(), 5 * 86400.0);
    EXPECT_EQ(undoSteps(), QStringList{QStringLiteral("Edit Recurrence")});
}

TEST_F(RecurrenceEditViewTest, ConfirmingWithoutAChangeRecordsNothing) {
    TDRecurrenceEditView* editor = open();
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(undoSteps(), QStringList{});
    ASSERT_TRUE(ruleOf(task));
    EXPECT_EQ(ruleOf(task)->recurrenceType(), TDRecurrenceRule::Daily);

    // Clearing the text removes the repetition, as one step.
    editor = open();
    editor->ruleField()->clear();
    Q_EMIT editor->ruleField()->textEdited(QString());
    EXPECT_FALSE(editor->endTypePopUpButton()->isVisibleTo(editor));
    editor->okay();
    EXPECT_FALSE(ruleOf(task));
    EXPECT_EQ(undoSteps(), QStringList{QStringLiteral("Edit Recurrence")});
}

TEST_F(RecurrenceEditViewTest, TheBalloonGrowsAndShrinksWithTheOptions) {
    TDRecurrenceEditView* editor = open();
    auto* balloon = qobject_cast<TDBalloonPanel*>(editor->parentWidget());
    ASSERT_TRUE(balloon && balloon->isVisible()) << "the editor is a balloon's content";
    const int withOptions = balloon->height();
    typeRule(editor, QString());
    Q_EMIT editor->ruleField()->textEdited(QString());
    const int top = balloon->y();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !balloon->isResizing(); }));
    const int withoutOptions = balloon->height();
    EXPECT_EQ(balloon->y(), top) << "the arrow's edge stays";
    EXPECT_LT(withoutOptions, withOptions);
    EXPECT_TRUE(balloon->boxFrame().toRect().contains(editor->geometry()));
    typeRule(editor, QStringLiteral("every 2 weeks"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !balloon->isResizing(); }));
    EXPECT_EQ(balloon->height(), withOptions);
    editor->okay();
    EXPECT_FALSE(balloon->isVisible());
}

TEST_F(RecurrenceEditViewTest, ConfirmingAgainAsTheBalloonClosesAppliesTheRuleOnce) {
    TDRecurrenceEditView* editor = open();
    auto* balloon = qobject_cast<TDBalloonPanel*>(editor->parentWidget());
    ASSERT_TRUE(balloon && balloon->isVisible());
    typeRule(editor, QStringLiteral("every 3 days"));
    // Whatever hears of the end (the balloon closing, the list taking the focus) may confirm again.
    std::optional<unsigned> intervalWhenFinished;
    QObject::connect(&editor->controller(), &TDRecurrenceEditViewController::finished, editor, [&] {
        if (ruleOf(task)) intervalWhenFinished = unsigned(ruleOf(task)->recurrenceInterval());
        editor->okay();
        editor->controller().okay();
    });

    editor->okay();

    EXPECT_EQ(intervalWhenFinished, 3u) << "the rule is the task's before the end is announced";
    EXPECT_FALSE(balloon->isVisible());
    EXPECT_EQ(undoSteps(), QStringList{QStringLiteral("Edit Recurrence")});
    ASSERT_TRUE(ruleOf(task));
    EXPECT_EQ(ruleOf(task)->recurrenceInterval(), 3u);
}

}  // namespace
