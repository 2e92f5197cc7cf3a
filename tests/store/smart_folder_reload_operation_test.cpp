#include "tests/store/library_manager_fixture.h"

#include "language/date_additions.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/smart_folder.h"
#include "model/task.h"
#include "platform/notifications/notification_center.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/operations/operation_queue.h"
#include "store/smart_folder_reload_operation.h"

#include <atomic>

namespace storetest {
namespace {

class SmartFolderReloadOperationTest : public LibraryManagerTest {
protected:
    // Runs a reload of every smart folder, after dropping the main context's cached predicates as the
    // manager does on a change of day; answers how many saves the operation made.
    int reloadInTheBackground() {
        QList<platform::ObjectID> ids;
        for (TDGroup* group : manager->library()->allSmartFolders()) {
            group->resetPredicate();
            ids.append(group->objectID());
        }
        std::atomic<int> backgroundSaves{0};
        QObject owner;
        platform::NotificationCenter::defaultCenter().addObserver(
            &owner, platform::ManagedObjectContextDidSaveNotification, nullptr,
            [&](const platform::Notification& n) {
                if (n.sender != static_cast<platform::ManagedObjectContext*>(manager->managedObjectContext()))
                    ++backgroundSaves;
            });
        auto operation = std::make_shared<TDSmartFolderReloadOperation>(manager->persistentStoreCoordinator(),
                                                                        manager->library(), ids);
        operation->setLibraryManager(manager.get());
        manager->syncOperationQueue()->addOperation(operation);
        manager->finishPendingOperations();
        EXPECT_TRUE(operation->isFinished());
        return backgroundSaves.load();
    }
};

TEST_F(SmartFolderReloadOperationTest, ATaskStartingTomorrowJoinsTodayThroughTheMerge) {
    TDLibrary* library = createLibrary();
    TDGroup* today = library->todayGroup();
    TDTask* task = library->createTask();
    task->setTitle(QStringLiteral("tomorrow's"));
    const QDateTime tomorrow =
        dates::dateByAddingDays(dates::dateAtStartOfDay(TDClock::currentDateTime()), 1);
    task->setStartDate(tomorrow);
    library->reloadAllSmartFolders();
    ASSERT_TRUE(manager->saveLibrary());
    EXPECT_FALSE(today->tasks().contains(task));
    EXPECT_TRUE(library->upcomingGroup()->tasks().contains(task));
    manager->undoManager()->removeAllActions();

    clock->setNow(tomorrow.addSecs(60));
    startCountingSaves();
    EXPECT_EQ(reloadInTheBackground(), 1);
    EXPECT_TRUE(today->tasks().contains(task));
    EXPECT_FALSE(library->upcomingGroup()->tasks().contains(task));
    EXPECT_TRUE(task->smartFolders().contains(today));
    // Merged, not edited: nothing to undo and no save of the main context during the merge; the counts
    // that the main context keeps follow.
    EXPECT_FALSE(manager->undoManager()->canUndo());
    EXPECT_EQ(saves, 0);
    manager->managedObjectContext()->recalculateTransientProperties();
    EXPECT_EQ(today->taskCount(), today->tasks().size());

    // The same day again changes no membership: no save, no merge.
    EXPECT_EQ(reloadInTheBackground(), 0);
    EXPECT_TRUE(today->tasks().contains(task));
}

class DayChangeRefreshTest : public SmartFolderReloadOperationTest {
protected:
    // A saved library whose one task starts tomorrow, with nothing to undo; the clock then stands
    // just past the coming midnight.
    void SetUp() override {
        SmartFolderReloadOperationTest::SetUp();
        library = createLibrary();
        today = library->todayGroup();
        task = library->createTask();
        task->setTitle(QStringLiteral("tomorrow's"));
        tomorrow = dates::dateByAddingDays(dates::dateAtStartOfDay(TDClock::currentDateTime()), 1);
        task->setStartDate(tomorrow);
        ASSERT_TRUE(manager->saveLibrary());
        ASSERT_FALSE(today->tasks().contains(task));
        manager->undoManager()->removeAllActions();
        clock->setNow(tomorrow.addSecs(60));
    }

    void postDayChange() {
        platform::NotificationCenter::defaultCenter().post(QStringLiteral("TDDateChangedNotification"));
    }

    TDLibrary* library = nullptr;
    TDGroup* today = nullptr;
    TDTask* task = nullptr;
    QDateTime tomorrow;
};

TEST_F(DayChangeRefreshTest, TheDayChangeReloadsInTheBackgroundAndMergesWithoutUndo) {
    std::atomic<int> backgroundSaves{0};
    QObject owner;
    platform::NotificationCenter::defaultCenter().addObserver(
        &owner, platform::ManagedObjectContextDidSaveNotification, nullptr,
        [&](const platform::Notification& n) {
            if (n.sender != static_cast<platform::ManagedObjectContext*>(manager->managedObjectContext()))
                ++backgroundSaves;
        });
    startCountingSaves();
    postDayChange();
    // The merge needs the main thread, which has not run since: the main context is as it was.
    EXPECT_GT(manager->syncOperationQueue()->operationCount(), 0);
    EXPECT_FALSE(today->tasks().contains(task));

    manager->finishPendingOperations();
    EXPECT_EQ(backgroundSaves.load(), 1);
    EXPECT_TRUE(today->tasks().contains(task));
    EXPECT_FALSE(library->upcomingGroup()->tasks().contains(task));
    EXPECT_FALSE(manager->undoManager()->canUndo());
    EXPECT_EQ(saves, 0);

    // Once a day: a second notification queues nothing.
    postDayChange();
    EXPECT_EQ(manager->syncOperationQueue()->operationCount(), 0);
}

TEST_F(DayChangeRefreshTest, UnsavedChangesKeepTheReloadOnTheMainThread) {
    // The store does not know this folder yet; an operation could not judge by it.
    TDGroup* folder = library->createSmartFolder();
    ASSERT_TRUE(folder);
    ASSERT_TRUE(manager->managedObjectContext()->hasChanges());
    postDayChange();
    EXPECT_EQ(manager->syncOperationQueue()->operationCount(), 0);
    EXPECT_TRUE(today->tasks().contains(task));
    EXPECT_FALSE(library->upcomingGroup()->tasks().contains(task));
}

TEST_F(DayChangeRefreshTest, ClosingFinishesAQueuedReload) {
    postDayChange();
    ASSERT_GT(manager->syncOperationQueue()->operationCount(), 0);
    ASSERT_TRUE(manager->close().ok());
    EXPECT_EQ(manager->syncOperationQueue()->operationCount(), 0);

    // The opening finds today's refresh done, so Today holds what the operation saved.
    TDLibraryManager& reopened = newManager();
    const Result<TDLibrary*> loaded = reopened.loadLibrary();
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(reopened.optionForKey(QStringLiteral("lastDateDependentDataChangedDate")).toDateTime(),
              tomorrow.addSecs(60));
    QStringList titles;
    for (TDTask* member : (*loaded)->todayGroup()->tasks()) titles.append(member->title());
    EXPECT_TRUE(titles.contains(QStringLiteral("tomorrow's")));
}

TEST_F(SmartFolderReloadOperationTest, NoSmartFoldersNoWork) {
    createLibrary();
    auto operation = std::make_shared<TDSmartFolderReloadOperation>(
        manager->persistentStoreCoordinator(), manager->library(), QList<platform::ObjectID>());
    manager->syncOperationQueue()->addOperation(operation);
    manager->finishPendingOperations();
    EXPECT_TRUE(operation->isFinished());
}

}  // namespace
}  // namespace storetest
