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
    const QDateTime tomorrow = dates::dateByAddingDays(dates::dateAtStartOfDay(TDClock::currentDateTime()), 1);
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

TEST_F(SmartFolderReloadOperationTest, NoSmartFoldersNoWork) {
    createLibrary();
    auto operation = std::make_shared<TDSmartFolderReloadOperation>(manager->persistentStoreCoordinator(),
                                                                     manager->library(), QList<platform::ObjectID>());
    manager->syncOperationQueue()->addOperation(operation);
    manager->finishPendingOperations();
    EXPECT_TRUE(operation->isFinished());
    EXPECT_FALSE(manager->managedObjectContext()->hasChanges());
}

}  // namespace
}  // namespace storetest
