#include "model/recurrence.h"
#include "foundation/data_additions.h"
#include "model/recurrence_rule_archiving.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "tests/model/library_fixture.h"

namespace {

using modeltest::LibraryTest;
using platform::ManagedObject;

QDateTime day(int y, int m, int d) {
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}

TDRecurrenceRule weeklyRule(QList<int> days) {
    TDRecurrenceRule rule = TDRecurrenceRule::initWeeklyRecurrenceWithInterval(
                                1, days, TDRecurrenceEnd::recurrenceEndWithOccurrenceCount(4).value())
                                .value();
    rule.setNextStartDate(day(2026, 12, 14));
    return rule;
}

class RecurrenceTest : public LibraryTest {
protected:
    // A saved task with its recurrence, the journal emptied and the clock a minute on.
    TDRecurrence* savedRecurrence() {
        task = static_cast<TDLibraryObject*>(insert(QStringLiteral("Task")));
        auto* recurrence = static_cast<TDRecurrence*>(insert(QStringLiteral("Recurrence")));
        EXPECT_EQ(recurrence->uid().size(), 16);
        recurrence->setObject(QStringLiteral("task"), task);
        EXPECT_TRUE(recurrence->setRule(weeklyRule({2, 5})).ok());
        saveAll();
        for (TDSyncSetItem* item : journal->items()) journalContext->deleteObject(item);
        saveAll();
        clock->advanceSeconds(60);
        return recurrence;
    }
    bool taskJournalled() const {
        for (TDSyncSetItem* item : journal->items())
            if (!item->isDeleted() && item->itemUID() == task->uid()) return true;
        return false;
    }

    TDLibraryObject* task = nullptr;
};

TEST_F(RecurrenceTest, IsSavedAndReopenedWithItsRuleAndTask) {
    TDRecurrence* recurrence = savedRecurrence();
    EXPECT_EQ(recurrence->uid().size(), 16);
    EXPECT_EQ(recurrence->task(), task);

    platform::PersistentStoreCoordinator second(*TDLibraryObjectModel());
    ASSERT_TRUE(second.openStore(tempPath() + QStringLiteral("/library.sqlite3")).ok());
    TDManagedObjectContext reader(&second);
    ASSERT_TRUE(reader.loadAllObjects().ok());
    const auto found = reader.execute(platform::FetchRequest(QStringLiteral("Recurrence")));
    ASSERT_TRUE(found.ok());
    ASSERT_EQ(found->size(), 1);
    auto* read = dynamic_cast<TDRecurrence*>(found->first());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->uid(), recurrence->uid());
    ASSERT_TRUE(read->rule().has_value());
    EXPECT_TRUE(*read->rule() == weeklyRule({2, 5}));
    EXPECT_EQ(read->rule()->daysOfTheWeek(), (QList<int>{2, 5}));
    ASSERT_NE(read->task(), nullptr);
    EXPECT_EQ(read->task()->uid(), task->uid());
}

TEST_F(RecurrenceTest, ANewRuleIsAChangeOfTheTaskAndAnEqualOneIsNot) {
    const struct {
        const char* what;
        std::optional<TDRecurrenceRule> rule;
        bool counts;
    } cases[] = {
        {"the same rule", weeklyRule({2, 5}), false},
        {"other weekdays", weeklyRule({3}), true},
        {"no rule", std::nullopt, true},
    };
    for (const auto& c : cases) {
        TDRecurrence* recurrence = savedRecurrence();
        const QDateTime before = task->modifiedDate();
        EXPECT_TRUE(recurrence->setRule(c.rule).ok());
        EXPECT_EQ(task->modifiedDate() != before, c.counts) << c.what;
        EXPECT_EQ(taskJournalled(), c.counts) << c.what;
        EXPECT_EQ(recurrence->rule().has_value(), c.rule.has_value()) << c.what;
    }
}

TEST_F(RecurrenceTest, RestoringOrSyncingChangesTheRuleOnly) {
    for (auto setMode :
         {&TDManagedObjectContext::setRestoringLibrary, &TDManagedObjectContext::setSyncingLibrary}) {
        TDRecurrence* recurrence = savedRecurrence();
        const QDateTime before = task->modifiedDate();
        (context.get()->*setMode)(true);
        EXPECT_TRUE(recurrence->setRule(weeklyRule({1})).ok());
        (context.get()->*setMode)(false);
        EXPECT_TRUE(*recurrence->rule() == weeklyRule({1}));
        EXPECT_EQ(task->modifiedDate(), before);
        EXPECT_FALSE(taskJournalled());
    }
}

TEST_F(RecurrenceTest, ARuleThatCannotBeArchivedIsRefusedSoSavingStillWorks) {
    TDRecurrence* recurrence = savedRecurrence();
    const QDateTime before = task->modifiedDate();
    // No stored date reaches the year 10000.
    TDRecurrenceRule farOff = weeklyRule({3});
    farOff.setNextStartDate(day(10000, 7, 11));
    EXPECT_FALSE(recurrence->setRule(farOff).ok());
    testing::internal::CaptureStderr();
    recurrence->setValue(QStringLiteral("rule"), QVariant::fromValue(farOff));
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("ERROR: Refusing a recurrence rule for recurrence " + recurrence->uid().toStdString()),
              std::string::npos)
        << log;
    recurrence->setValue(QStringLiteral("rule"), QByteArray("not a rule"));
    EXPECT_TRUE(*recurrence->rule() == weeklyRule({2, 5}));
    EXPECT_EQ(task->modifiedDate(), before);
    EXPECT_TRUE(context->save().ok());
}

TEST_F(RecurrenceTest, UndoBringsTheOldRuleBack) {
    TDRecurrence* recurrence = savedRecurrence();
    undoManager->removeAllActions();
    const QDateTime before = task->modifiedDate();
    EXPECT_TRUE(recurrence->setRule(weeklyRule({7})).ok());
    context->processPendingChanges();
    undoManager->undo();
    EXPECT_TRUE(*recurrence->rule() == weeklyRule({2, 5}));
    EXPECT_EQ(task->modifiedDate(), before);
}

TEST_F(RecurrenceTest, PropertyListsCarryTheRuleAsDataOrBase64Text) {
    const TDRecurrenceRule rule = weeklyRule({4});
    const QByteArray data = TDArchivedDataWithRecurrenceRule(rule).value();
    for (const QVariant& stored : {QVariant(data), QVariant(base64EncodedString(data))}) {
        TDRecurrence* recurrence = savedRecurrence();
        const Status read = recurrence->updateFromPropertyListRepresentation(
            {{QStringLiteral("uid"), QStringLiteral("00000000000000AB")}, {QStringLiteral("rule"), stored}});
        ASSERT_TRUE(read.ok()) << read.error().detailedDescription().toStdString();
        EXPECT_TRUE(*recurrence->rule() == rule);
        EXPECT_EQ(recurrence->uid(), QStringLiteral("00000000000000AB"));
    }
}

TEST_F(RecurrenceTest, AMalformedRuleInAPropertyListChangesNothing) {
    const QByteArray truncated = TDArchivedDataWithRecurrenceRule(weeklyRule({4})).value().chopped(8);
    for (const QVariant& stored :
         {QVariant(QByteArray("bplist00 not really")), QVariant(QStringLiteral("not base64!")),
          QVariant(qint64(7)), QVariant(truncated)}) {
        TDRecurrence* recurrence = savedRecurrence();
        const QString uid = recurrence->uid();
        const Status read = recurrence->updateFromPropertyListRepresentation(
            {{QStringLiteral("uid"), QStringLiteral("00000000000000AB")}, {QStringLiteral("rule"), stored}});
        EXPECT_FALSE(read.ok()) << stored.toString().toStdString();
        EXPECT_TRUE(*recurrence->rule() == weeklyRule({2, 5}));
        EXPECT_EQ(recurrence->uid(), uid);
    }
}

}  // namespace
