#include "tests/model/task_tree_fixture.h"

#include "model/recurrence.h"
#include "model/recurrence_rule_archiving.h"
#include "model/sync_set.h"
#include "model/uid.h"
#include "platform/undo/undo_manager.h"

namespace {

using modeltest::TaskTreeTest;

QDateTime day(int year, int month, int dayOfMonth) {
    return QDateTime(QDate(year, month, dayOfMonth), QTime(0, 0));
}

// The clock stands at Wednesday 9 December 2026, 10:00.
class RecurringCopiesTest : public TaskTreeTest {
protected:
    // Mondays (weekday 2), due a day after the start.
    static TDRecurrenceRule mondays(const QDateTime& nextStart, const TDRecurrenceRule::End& end = {}) {
        TDRecurrenceRule rule = TDRecurrenceRule::initWeeklyRecurrenceWithInterval(1, {2}, end).value();
        rule.setNextStartDate(nextStart);
        rule.setHasDueDate(true);
        rule.setTimeIntervalBetweenStartAndDueDates(86400);
        return rule;
    }

    TDTask* repeating(const TDRecurrenceRule& rule,
                      const QString& title = QStringLiteral("Take out the bins")) {
        TDTask* made = task(title, inbox());
        made->setStartDate(rule.nextStartDate());
        auto* recurrence = static_cast<TDRecurrence*>(insert(QStringLiteral("Recurrence")));
        EXPECT_TRUE(recurrence->setRule(rule).ok());
        made->setObject(QStringLiteral("recurrence"), recurrence);
        return made;
    }

    static std::optional<TDRecurrenceRule> ruleOf(const TDTask* task) {
        const auto* recurrence = task->objectAs<TDRecurrence>(QStringLiteral("recurrence"));
        return recurrence ? recurrence->rule() : std::nullopt;
    }

    QList<TDTask*> inboxTasks() { return inbox()->orderedTasks()->objectsAs<TDTask>(); }
};

TEST_F(RecurringCopiesTest, CompletingARepeatingTaskMakesOneCopyAfterItAndUndoRemovesIt) {
    TDTask* bins = repeating(mondays(day(2026, 12, 14)));
    task(QStringLiteral("after"), inbox());
    TDTask* subtask = task(QStringLiteral("sort the glass"), bins);
    saveAll();
    undoManager->removeAllActions();
    const qsizetype before = library->allTasks().size();

    undoManager->setGroupsByEvent(false);
    undoManager->beginUndoGrouping();
    bins->setCompleted(true);
    undoManager->endUndoGrouping();
    context->processPendingChanges();

    ASSERT_EQ(library->allTasks().size(), before + 2);  // the copy and its subtask
    const QList<TDTask*> tasks = inboxTasks();
    const qsizetype at = tasks.indexOf(bins);
    ASSERT_GE(at, 0);
    TDTask* copy = tasks.value(at + 1);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->title(), bins->title());
    EXPECT_TRUE(copy->isIncomplete());
    EXPECT_EQ(copy->startDate(), day(2026, 12, 21));
    EXPECT_EQ(copy->dueDate(), day(2026, 12, 22));
    ASSERT_TRUE(copy->isRecurring());
    EXPECT_EQ(
        copy->uid(),
        TDRecurrenceCopyUID(bins->uid(), copy->objectAs<TDRecurrence>(QStringLiteral("recurrence"))->uid()));
    ASSERT_EQ(copy->subtasks().size(), 1);
    EXPECT_TRUE(copy->subtasks().first()->isIncomplete());
    EXPECT_EQ(copy->subtasks().first()->uid(), TDNextUID(subtask->uid()));
    EXPECT_TRUE(bins->isCompleted());
    EXPECT_FALSE(bins->isRecurring());
    EXPECT_EQ(ruleOf(copy)->nextStartDate(), day(2026, 12, 21));
    saveAll();

    undoManager->undo();
    context->processPendingChanges();
    EXPECT_EQ(library->allTasks().size(), before);
    EXPECT_TRUE(copy->isDeleted() || !copy->managedObjectContext());
    EXPECT_TRUE(bins->isIncomplete());
    ASSERT_TRUE(bins->isRecurring());
    EXPECT_EQ(ruleOf(bins)->nextStartDate(), day(2026, 12, 14));
    saveAll();

    // Setting the status it has makes no second copy.
    bins->setCompleted(true);
    bins->setCompleted(true);
    context->processPendingChanges();
    EXPECT_EQ(library->allTasks().size(), before + 2);
}

TEST_F(RecurringCopiesTest, MissedOccurrencesAreCaughtUpEachAfterTheOneBefore) {
    TDTask* bins = repeating(mondays(day(2026, 11, 16)));
    bins->setCompleted(true);
    const QList<TDTask*> tasks = inboxTasks();
    const qsizetype at = tasks.indexOf(bins);
    ASSERT_GE(at, 0);
    ASSERT_EQ(tasks.size(), at + 5);
    const QList<QDateTime> starts = {day(2026, 11, 23), day(2026, 11, 30), day(2026, 12, 7),
                                     day(2026, 12, 14)};
    for (qsizetype i = 0; i < starts.size(); ++i) {
        SCOPED_TRACE(i);
        TDTask* copy = tasks[at + 1 + i];
        EXPECT_EQ(copy->startDate(), starts[i]);
        EXPECT_TRUE(copy->isIncomplete());
        EXPECT_EQ(copy->isRecurring(), i == starts.size() - 1);
    }
    saveAll();
}

TEST_F(RecurringCopiesTest, ALongAbsenceIsCaughtUpWithoutRecursion) {
    // Daily for five years, found when the library opens: one copy a day, not journalled.
    TDRecurrenceRule daily = TDRecurrenceRule::initDailyRecurrenceWithInterval(1).value();
    const QDateTime lastSeen = day(2021, 12, 9);
    daily.setNextStartDate(lastSeen);
    TDTask* standUp = repeating(daily, QStringLiteral("Stand up"));
    saveAll();
    for (TDSyncSetItem* item : journal->items()) journalContext->deleteObject(item);
    saveAll();

    library->createRecurringTasksIfNecessary();
    const qint64 missed = lastSeen.date().daysTo(QDate(2026, 12, 9));
    const QList<TDTask*> tasks = inboxTasks();
    EXPECT_EQ(tasks.size() - tasks.indexOf(standUp) - 1, missed);
    EXPECT_TRUE(standUp->isIncomplete());
    EXPECT_FALSE(standUp->isRecurring());
    EXPECT_EQ(tasks.last()->startDate(), day(2026, 12, 9));
    EXPECT_EQ(ruleOf(tasks.last())->nextStartDate(), day(2026, 12, 9));
    EXPECT_FALSE(journal->isAddingDisabled());
    saveAll();
    EXPECT_TRUE(journal->items().isEmpty());

    // Nothing more is owed today.
    library->createRecurringTasksIfNecessary();
    EXPECT_EQ(inboxTasks().size(), tasks.size());
}

TEST_F(RecurringCopiesTest, EndsOfTheSeriesStopTheCopies) {
    const TDRecurrenceEnd twice = TDRecurrenceEnd::recurrenceEndWithOccurrenceCount(2).value();
    TDTask* counted = repeating(mondays(day(2026, 12, 14), twice));
    counted->setCompleted(true);
    const QList<TDTask*> tasks = inboxTasks();
    TDTask* copy = tasks.value(tasks.indexOf(counted) + 1);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(ruleOf(copy)->recurrenceEnd()->occurrenceCount(), 1u);
    const qsizetype count = library->allTasks().size();
    copy->setCompleted(true);
    EXPECT_EQ(library->allTasks().size(), count);
    EXPECT_TRUE(copy->isRecurring());

    // An end date already passed: nothing new, and the closed task keeps its recurrence.
    const TDRecurrenceEnd ended = TDRecurrenceEnd::recurrenceEndWithEndDate(day(2026, 12, 1)).value();
    TDTask* past = repeating(mondays(day(2026, 11, 30), ended));
    past->setCompleted(true);
    EXPECT_EQ(library->allTasks().size(), count + 1);
    EXPECT_TRUE(past->isRecurring());

    // A rule that fails validation makes nothing and stays.
    TDRecurrenceRule broken = mondays(day(2026, 12, 14));
    broken.setTimeIntervalBetweenStartAndDueDates(-5);
    TDTask* invalid = repeating(broken);
    if (!broken.validate().ok()) {
        invalid->setCompleted(true);
        EXPECT_EQ(library->allTasks().size(), count + 2);
        EXPECT_TRUE(invalid->isRecurring());
    }
    saveAll();
}

TEST_F(RecurringCopiesTest, AnEndDateBetweenTwoOccurrencesEndsTheSeries) {
    struct Case {
        const char* name;
        QDateTime endDate;
        bool copied;
    };
    // Mondays from 14 December: the next occurrence would start on Monday 21 December.
    const Case cases[] = {
        {"end on the Thursday between", day(2026, 12, 17), false},
        {"end on the next occurrence's day", day(2026, 12, 21), true},
        {"end after it", day(2026, 12, 28), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TDRecurrenceEnd end = TDRecurrenceEnd::recurrenceEndWithEndDate(c.endDate).value();
        TDTask* bins = repeating(mondays(day(2026, 12, 14), end));
        const qsizetype before = library->allTasks().size();
        bins->setCompleted(true);
        EXPECT_EQ(library->allTasks().size(), before + (c.copied ? 1 : 0));
        EXPECT_EQ(bins->isRecurring(), !c.copied);
        if (c.copied) {
            TDTask* copy = inboxTasks().value(inboxTasks().indexOf(bins) + 1);
            ASSERT_NE(copy, nullptr);
            EXPECT_LE(copy->startDate(), c.endDate);
        }
    }
    saveAll();
}

TEST_F(RecurringCopiesTest, AYearlyTaskAdvancesEveryYearFarIntoTheFuture) {
    TDRecurrenceRule yearly = TDRecurrenceRule::initYearlyRecurrenceWithInterval(1).value();
    yearly.setNextStartDate(day(2066, 6, 1));
    TDTask* current = repeating(yearly, QStringLiteral("Renew the passport"));
    for (int year = 2067; year <= 2075; ++year) {
        SCOPED_TRACE(year);
        current->toggleCompletion();
        TDTask* copy = inboxTasks().value(inboxTasks().indexOf(current) + 1);
        ASSERT_NE(copy, nullptr);
        ASSERT_TRUE(copy->isRecurring());
        EXPECT_EQ(copy->startDate(), day(year, 6, 1));
        EXPECT_EQ(ruleOf(copy)->nextStartDate(), day(year, 6, 1));
        current = copy;
    }
    // The store keeps the rule as an archive: it reads back with its date.
    const Result<QByteArray> archived = TDArchivedDataWithRecurrenceRule(*ruleOf(current));
    ASSERT_TRUE(archived.ok());
    EXPECT_EQ(TDRecurrenceRuleWithArchivedData(*archived).value().nextStartDate(), day(2075, 6, 1));
    saveAll();
}

TEST_F(RecurringCopiesTest, ANextRuleTheStoreRefusesMakesNoCopyAndIsLogged) {
    // The next start would fall in the year 10000, which no stored date can hold.
    TDRecurrenceRule yearly = TDRecurrenceRule::initYearlyRecurrenceWithInterval(1).value();
    yearly.setNextStartDate(day(9999, 6, 1));
    TDTask* last = repeating(yearly, QStringLiteral("Millennium party"));
    const qsizetype before = library->allTasks().size();
    testing::internal::CaptureStderr();
    last->setCompleted(true);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(library->allTasks().size(), before);
    EXPECT_TRUE(last->isRecurring());
    EXPECT_EQ(ruleOf(last)->nextStartDate(), day(9999, 6, 1));
    EXPECT_NE(log.find("ERROR: Could not store the recurrence rule of task 'Millennium party' (" +
                       last->uid().toStdString() + ")"),
              std::string::npos)
        << log;
}

TEST_F(RecurringCopiesTest, RepeatingAfterCompletionCountsFromTheCompletion) {
    TDRecurrenceRule rule = TDRecurrenceRule::initWeeklyRecurrenceWithInterval(2).value();
    rule.setRepeatAfterCompletion(true);
    rule.setNextStartDate(day(2026, 1, 5));
    TDTask* haircut = repeating(rule, QStringLiteral("Haircut"));
    haircut->setCompleted(true);
    const QList<TDTask*> tasks = inboxTasks();
    TDTask* copy = tasks.value(tasks.indexOf(haircut) + 1);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->startDate(), day(2026, 12, 23));
    EXPECT_EQ(inboxTasks().size(), tasks.size());
}

TEST_F(RecurringCopiesTest, RecurrenceDescriptions) {
    TDTask* plain = task(QStringLiteral("once"), inbox());
    EXPECT_TRUE(plain->recurrenceDescription().isNull());
    TDTask* weekly = repeating(mondays(day(2026, 12, 14)));
    const QString description = weekly->recurrenceDescription();
    EXPECT_TRUE(description.startsWith(QStringLiteral("Repeats e"))) << description.toStdString();
}

}  // namespace
