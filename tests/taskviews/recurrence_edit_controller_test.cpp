#include "taskviews/recurrence_edit_controller.h"
#include "language/date_additions.h"
#include "tests/taskviews/recurrence_fixture.h"

#include <functional>

#include <gtest/gtest.h>

namespace {

using taskviewstest::RecurrenceTest;
using Editor = TDRecurrenceEditViewController;

class RecurrenceEditControllerTest : public RecurrenceTest {
protected:
    QDateTime day(int offset) const { return QDateTime(QDate(2026, 12, 9).addDays(offset), QTime(0, 0)); }
};

TEST_F(RecurrenceEditControllerTest, ConfirmingGivesTheRuleEditedAsOneUndoStep) {
    struct Case {
        const char* name;
        QString initialRule;
        std::function<void(Editor&)> edit;
        QString expectedRule;  // the rule's text; empty for none
        std::optional<quint64> expectedCount;
        bool expectsEndDate;
        int undoSteps;
    } cases[] = {
        {"a new rule",
         {},
         [](Editor& e) { e.setRuleText(QStringLiteral("every 2 weeks")); },
         QStringLiteral("every 2 weeks"),
         {},
         false,
         1},
        {"another interval",
         QStringLiteral("every day"),
         [](Editor& e) { e.setRuleText(QStringLiteral("every 3 days")); },
         QStringLiteral("every 3 days"),
         {},
         false,
         1},
        {"the text cleared",
         QStringLiteral("every month"),
         [](Editor& e) { e.setRuleText(QString()); },
         {},
         {},
         false,
         1},
        {"nothing changed",
         QStringLiteral("every week"),
         [](Editor&) {},
         QStringLiteral("every week"),
         {},
         false,
         0},
        {"ends after five times", QStringLiteral("every day"),
         [](Editor& e) {
             e.setEndMode(Editor::EndAfterOccurrences);
             e.setOccurrenceCount(5);
         },
         QStringLiteral("every day"), 5, false, 1},
        {"ends on a date",
         QStringLiteral("every day"),
         [](Editor& e) { e.setEndMode(Editor::EndOnDate); },
         QStringLiteral("every day"),
         {},
         true,
         1},
        {"a count of 0 ends never again",
         QStringLiteral("every day"),
         [](Editor& e) {
             e.setEndMode(Editor::EndAfterOccurrences);
             e.setOccurrenceCount(0);
         },
         QStringLiteral("every day"),
         {},
         false,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDTask* task = addTask(library()->inboxGroup(), QString::fromLatin1(c.name));
        giveRule(task, c.initialRule);
        settle();
        Editor editor;
        editor.setTask(task);
        EXPECT_EQ(editor.showsOptions(), !c.initialRule.isEmpty());
        c.edit(editor);
        editor.okay();
        EXPECT_EQ(editor.task(), nullptr) << "idle after confirming";

        const std::optional<TDRecurrenceRule> stored = ruleOf(task);
        ASSERT_EQ(stored.has_value(), !c.expectedRule.isEmpty());
        if (stored) {
            const TDRecurrenceRule expected = *rule(c.expectedRule);
            EXPECT_EQ(stored->recurrenceType(), expected.recurrenceType());
            EXPECT_EQ(stored->recurrenceInterval(), expected.recurrenceInterval());
            const TDRecurrenceRule::End& end = stored->recurrenceEnd();
            EXPECT_EQ(
                end && !end->usesEndDate() ? std::optional<quint64>(end->occurrenceCount()) : std::nullopt,
                c.expectedCount);
            EXPECT_EQ(end && end->usesEndDate(), c.expectsEndDate);
            if (c.expectsEndDate) {
                EXPECT_EQ(end->endDate(), day(0)) << "today at 00:00";
            }
        }
        EXPECT_EQ(undoSteps(),
                  c.undoSteps == 1 ? QStringList{QStringLiteral("Edit Recurrence")} : QStringList{});
    }
}

TEST_F(RecurrenceEditControllerTest, DueDateFollowsTheStartByTheGap) {
    TDTask* task = addTask(library()->inboxGroup(), QStringLiteral("Water the plants"));
    giveRule(task, QStringLiteral("every week"));
    task->setStartDate(day(1));
    settle();
    Editor editor;
    editor.setTask(task);
    EXPECT_FALSE(editor.hasDueDate());
    editor.setHasDueDate(true);
    EXPECT_EQ(editor.startDueGapDays(), 3) << "turning the due date on without a gap gives 3 days";
    editor.okay();
    EXPECT_EQ(task->dueDate(), dates::dateByAddingDays(task->startDate(), 3));
    ASSERT_TRUE(ruleOf(task));
    EXPECT_TRUE(ruleOf(task)->hasDueDate());
    EXPECT_EQ(ruleOf(task)->timeIntervalBetweenStartAndDueDates(), 3 * 86400.0);

    // A gap of a day and a half loads as one day; a negative one turns the due date off.
    TDRecurrenceRule halfDays = *ruleOf(task);
    halfDays.setTimeIntervalBetweenStartAndDueDates(1.5 * 86400);
    ASSERT_TRUE(task->objectAs<TDRecurrence>(QStringLiteral("recurrence"))->setRule(halfDays).ok());
    editor.setTask(task);
    EXPECT_EQ(editor.startDueGapDays(), 1);
    editor.setStartDueGapDays(-2);
    EXPECT_FALSE(editor.hasDueDate());
}

TEST_F(RecurrenceEditControllerTest, WhatTheEditorShowsFollowsTheRule) {
    TDTask* task = addTask(library()->inboxGroup(), QStringLiteral("Team meeting"));
    settle();
    Editor editor;
    editor.setTask(task);
    EXPECT_FALSE(editor.showsOptions()) << "without a rule only the rule field and its examples";

    editor.setRuleText(QStringLiteral("every 2 days"));
    EXPECT_TRUE(editor.showsOptions());
    EXPECT_TRUE(editor.showsRepeatAfterCompletion());
    EXPECT_TRUE(editor.nextStartDate().isValid()) << "the rule's next date from today";
    editor.changeRepeatAfterCompletion(true);
    EXPECT_FALSE(editor.showsNextStartDate()) << "repeating after completion has no next start date";

    // Weekly on given weekdays cannot count from the completion: the option goes away and turns off.
    editor.setRuleText(QStringLiteral("every week on monday and thursday"));
    EXPECT_FALSE(editor.showsRepeatAfterCompletion());
    EXPECT_FALSE(editor.repeatAfterCompletion());
    EXPECT_TRUE(editor.showsNextStartDate());

    editor.setEndMode(Editor::EndAfterOccurrences);
    EXPECT_EQ(editor.occurrenceCount(), 1) << "an end after 0 times cannot be";
    EXPECT_TRUE(editor.showsOccurrenceCount());
    EXPECT_FALSE(editor.showsEndDate());
    editor.setEndDate({});
    EXPECT_EQ(editor.endMode(), int(Editor::EndNever));

    editor.changeRecurrenceRule();
    EXPECT_EQ(editor.ruleText(),
              Editor::normalizedRuleText(QStringLiteral("every week on monday and thursday")));
    EXPECT_FALSE(editor.ruleText().isEmpty());
}

TEST_F(RecurrenceEditControllerTest, EditRecurrenceLoadsTheOneSelectedTask) {
    TDTask* first = addTask(library()->inboxGroup(), QStringLiteral("One"));
    TDTask* second = addTask(library()->inboxGroup(), QStringLiteral("Two"));
    giveRule(first, QStringLiteral("every day"));
    settle();
    QList<TDTask*> requested;
    QObject::connect(controller.get(), &TDTasksController::recurrenceEditorRequested,
                     [&](TDTask* task) { requested << task; });
    select({first, second});
    controller->editRecurrence();
    EXPECT_TRUE(requested.isEmpty()) << "two tasks: nothing to edit";
    select({first});
    controller->editRecurrence();
    ASSERT_EQ(requested, QList<TDTask*>{first});
    ASSERT_NE(controller->recurrenceEditor(), nullptr);
    EXPECT_EQ(controller->recurrenceEditor()->task(), first);
    EXPECT_FALSE(controller->recurrenceEditor()->ruleText().isEmpty());
}

}  // namespace
