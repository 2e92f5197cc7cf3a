#include "tests/store/library_manager_fixture.h"

#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/sync_set.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/undo/undo_manager.h"

namespace storetest {
namespace {

using SyncJournalSavingTest = LibraryManagerTest;

// The journal an account set-up leaves: one sync set, saved.
TDSyncSet* addSyncSet(TDLibraryManager& manager) {
    TDManagedObjectContext* journalContext = manager.syncSetManagedObjectContext();
    auto* syncSet = journalContext->insertObject<TDSyncSet>(QStringLiteral("SyncSet"));
    syncSet->setSyncType(QStringLiteral("corvane"));
    EXPECT_TRUE(journalContext->save().ok());
    return syncSet;
}

QStringList journalledUIDs(TDSyncSet* journal) {
    QStringList uids;
    for (TDSyncSetItem* item : journal->items())
        if (!item->isDeleted()) uids << item->itemUID();
    return uids;
}

TEST_F(SyncJournalSavingTest, AnEditIsJournalledBySavingTheLibraryAndIsThereAfterReopening) {
    TDLibrary* library = createLibrary();
    ASSERT_TRUE(library);
    addSyncSet(*manager);
    ASSERT_NE(library->corvaneSyncSet(), nullptr);
    EXPECT_EQ(library->corvaneSyncSetManagedObjectContext(), manager->syncSetManagedObjectContext());
    TDTask* task = library->createTask();
    task->setTitle(QStringLiteral("Water the ferns"));
    const QString uid = task->uid();
    ASSERT_TRUE(manager->saveLibrary());
    EXPECT_FALSE(manager->syncSetManagedObjectContext()->hasChanges());
    ASSERT_TRUE(manager->close().ok());

    auto reopened = newManager().loadLibrary();
    ASSERT_TRUE(reopened.ok()) << reopened.error().detailedDescription().toStdString();
    TDSyncSet* journal = (*reopened)->corvaneSyncSet();
    ASSERT_NE(journal, nullptr);
    EXPECT_EQ(journal->managedObjectContext(), manager->syncSetManagedObjectContext());
    EXPECT_TRUE(journalledUIDs(journal).contains(uid));
}

TEST_F(SyncJournalSavingTest, AMergedRenameIsNoEditOfThisLibrary) {
    // The test watches whether the merge schedules a save, so the edits' own autosave must come and go.
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), kShortAutosaveDelay);
    TDLibrary* library = createLibrary();
    ASSERT_TRUE(library);
    TDSyncSet* journal = addSyncSet(*manager);
    TDTask* task = library->createTask();
    task->setTitle(QStringLiteral("Before"));
    ASSERT_TRUE(manager->saveLibrary());
    for (TDSyncSetItem* item : journal->items()) manager->syncSetManagedObjectContext()->deleteObject(item);
    ASSERT_TRUE(manager->syncSetManagedObjectContext()->save().ok());
    manager->undoManager()->removeAllActions();
    // The autosave that the edits above scheduled finds nothing left to save.
    ASSERT_TRUE(testsupport::spinUntil([this] { return !manager->isSaveScheduled(); }));

    // A sync's context on the same store writes the server's rename and saves it.
    const QDateTime editedAt = task->modifiedDate();
    TDManagedObjectContext other(manager->persistentStoreCoordinator());
    ASSERT_TRUE(other.loadAllObjects().ok());
    other.setLibrary(dynamic_cast<TDLibrary*>(other.objectWithID(library->objectID())));
    other.setSyncingLibrary(true);
    auto* otherTask = dynamic_cast<TDTask*>(other.objectWithID(task->objectID()));
    ASSERT_TRUE(otherTask && other.library());
    otherTask->setTitle(QStringLiteral("Renamed elsewhere"));
    QList<platform::Notification> saves;
    QObject owner;
    platform::NotificationCenter::defaultCenter().addObserver(
        &owner, platform::ManagedObjectContextDidSaveNotification,
        static_cast<platform::ManagedObjectContext*>(&other),
        [&saves](const platform::Notification& n) { saves.append(n); });
    ASSERT_TRUE(other.save().ok());
    ASSERT_EQ(saves.size(), 1);

    clock->advanceSeconds(3600);
    manager->mergeChangesFromOperationSave(saves.first());
    testsupport::drainEvents();

    EXPECT_EQ(task->title(), QStringLiteral("Renamed elsewhere"));
    EXPECT_EQ(task->modifiedDate(), editedAt);
    EXPECT_TRUE(journalledUIDs(journal).isEmpty());
    EXPECT_FALSE(manager->syncSetManagedObjectContext()->hasChanges());
    EXPECT_TRUE(library->modifiedTasks().isEmpty());
    EXPECT_FALSE(manager->managedObjectContext()->hasChanges());
    EXPECT_FALSE(manager->undoManager()->canUndo());
    EXPECT_FALSE(manager->isSaveScheduled());
}

}  // namespace
}  // namespace storetest
