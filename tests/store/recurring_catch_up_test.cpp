#include "tests/store/library_manager_fixture.h"

#include "language/date_additions.h"
#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/recurrence.h"
#include "model/task.h"
#include "platform/notifications/notification_center.h"
#include "platform/objectstore/managed_object_context.h"

namespace storetest {
namespace {

class RecurringCatchUpTest : public LibraryManagerTest {};

TEST_F(RecurringCatchUpTest, TheDayChangeCatchesUpOpenRepeatingTasks) {
    TDLibrary* library = createLibrary();
    TDTask* task = library->createTask();
    task->setTitle(QStringLiteral("Feed the cat"));
    TDRecurrenceRule daily = TDRecurrenceRule::initDailyRecurrenceWithInterval(1).value();
    const QDateTime today = dates::dateAtStartOfDay(TDClock::currentDateTime());
    daily.setNextStartDate(today);
    auto* recurrence =
        manager->managedObjectContext()->insertObject<TDRecurrence>(QStringLiteral("Recurrence"));
    ASSERT_TRUE(recurrence->setRule(daily).ok());
    task->setObject(QStringLiteral("recurrence"), recurrence);
    ASSERT_TRUE(manager->saveLibrary());
    const qsizetype before = library->allTasks().size();

    // Nothing is owed on the same day.
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("TDDateChangedNotification"));
    EXPECT_EQ(library->allTasks().size(), before);

    // Three days away: one copy for each day passed, the last one starting today.
    clock->advanceSeconds(3 * 24 * 3600);
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("TDDateChangedNotification"));
    EXPECT_EQ(library->allTasks().size(), before + 3);
    const QList<TDTask*> inbox = library->inboxGroup()->orderedTasks()->objectsAs<TDTask>();
    const qsizetype at = inbox.indexOf(task);
    ASSERT_GE(at, 0);
    ASSERT_GT(inbox.size(), at + 3);
    EXPECT_EQ(inbox[at + 3]->startDate(), dates::dateByAddingDays(today, 3));
    EXPECT_TRUE(inbox[at + 3]->isRecurring());
    EXPECT_TRUE(task->isIncomplete());
    EXPECT_TRUE(manager->saveLibrary());
}

}  // namespace
}  // namespace storetest
