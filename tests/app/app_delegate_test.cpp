#include "foundation/date_change_notifier.h"
#include "foundation/version.h"
#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/sync_set.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/operations/operation_queue.h"
#include "store/library_files_aside.h"
#include "store/library_manager.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_sync_operation.h"
#include "tests/app/app_delegate_fixture.h"
#include "tests/support/core/store_holder.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QThread>

#include <atomic>

namespace apptest {
namespace {

const QString kQuitAnyway = QStringLiteral("Could not save changes while quitting. Quit anyway?");

// A launched delegate with a library open.
class OpenLibraryTest : public AppDelegateTest {
protected:
    void SetUp() override {
        AppDelegateTest::SetUp();
        path = packagePath(QStringLiteral("Open"));
        createLibraryAt(path);
        storeLocation(path);
        ASSERT_EQ(launch(), std::nullopt);
        ASSERT_TRUE(manager->library());
    }
    // A change the store refuses to save.
    void makeUnsavable() { manager->library()->setValue(QStringLiteral("version"), QVariant()); }
    QString path;
};

TEST_F(OpenLibraryTest, QuitSavesFinishesTheOperationsAndEnds) {
    QSignalSpy exits(delegate.get(), &AppDelegate::exitRequested);
    QStringList posted;
    QObject owner;
    platform::NotificationCenter::defaultCenter().addObserver(
        &owner, TDApplicationWillSaveBeforeTerminating, nullptr,
        [&](const platform::Notification&) { posted << QStringLiteral("willSave"); });
    manager->managedObjectContext()
        ->insertObject(QStringLiteral("List"))
        ->setValue(QStringLiteral("title"), QStringLiteral("Kept at quit"));

    delegate->terminate();
    ASSERT_TRUE(testsupport::spinUntil([&] { return !exits.isEmpty(); }));
    EXPECT_EQ(exits.first().first().toInt(), 0);
    EXPECT_EQ(posted, QStringList{QStringLiteral("willSave")});
    EXPECT_FALSE(manager->managedObjectContext()->hasChanges());
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_EQ(defaults().string(QStringLiteral("library")), manager->library()->uid());
    EXPECT_EQ(defaults().string(QStringLiteral("version")), QStringLiteral(ORDELLO_BUILD_NUMBER));
}

TEST_F(OpenLibraryTest, AFailedSaveAtQuitIsShownAndTheUserMayStayOrQuitAnyway) {
    QSignalSpy exits(delegate.get(), &AppDelegate::exitRequested);
    QSignalSpy cancels(delegate.get(), &AppDelegate::quitCancelled);
    makeUnsavable();
    prompter.answers = {0, 1};  // OK to the save error, Cancel
    delegate->terminate();
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown[0].buttons, QStringList{QStringLiteral("OK")}) << "the save error itself";
    EXPECT_EQ(prompter.shown[1].informativeText, kQuitAnyway);
    EXPECT_EQ(prompter.shown[1].buttons,
              (QStringList{QStringLiteral("Quit Anyway"), QStringLiteral("Cancel")}));
    EXPECT_EQ(cancels.size(), 1);
    EXPECT_TRUE(exits.isEmpty());
    EXPECT_FALSE(delegate->isTerminating());
    EXPECT_NE(manager->library(), nullptr) << "Cancel keeps the library open";

    prompter.shown.clear();
    prompter.answers = {0, 0};  // OK, Quit Anyway
    delegate->terminate();
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown[1].informativeText, kQuitAnyway);
    ASSERT_EQ(exits.size(), 1);
    EXPECT_EQ(exits.first().first().toInt(), 0);
    EXPECT_EQ(manager->library(), nullptr);
}

TEST_F(OpenLibraryTest, AWindowThatStaysOpenCancelsTheQuitWithoutSaving) {
    QSignalSpy cancels(delegate.get(), &AppDelegate::quitCancelled);
    windows.windowStaysOpen = true;
    makeUnsavable();
    delegate->terminate();
    EXPECT_EQ(cancels.size(), 1);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(OpenLibraryTest, QuittingWhileAnOperationHoldsTheStoreSavesOnceItLetsGo) {
    QSignalSpy exits(delegate.get(), &AppDelegate::exitRequested);
    // The journal's sync set is read once; reading it under the holder would wait for it.
    manager->library()->corvaneSyncSet(false);
    testsupport::StoreHolder holder(*manager->syncOperationQueue(), *manager->persistentStoreCoordinator());
    manager->managedObjectContext()
        ->insertObject(QStringLiteral("List"))
        ->setValue(QStringLiteral("title"), QStringLiteral("Kept at quit"));
    delegate->terminate();
    EXPECT_TRUE(exits.isEmpty());
    EXPECT_TRUE(manager->managedObjectContext()->hasChanges());
    holder.release();
    ASSERT_TRUE(testsupport::spinUntil([&] { return !exits.isEmpty(); }));
    EXPECT_FALSE(manager->managedObjectContext()->hasChanges());
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(OpenLibraryTest, AFailedSaveWhileRunningIsPresented) {
    makeUnsavable();
    EXPECT_FALSE(manager->saveLibrary());
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown.first().buttons, QStringList{QStringLiteral("OK")});
}

// Records the option it is given, on the thread it runs on.
class RecordingAttempter : public TDErrorRecoveryAttempter {
public:
    bool attemptRecovery(const TDError&, int optionIndex) override {
        option = optionIndex;
        onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        return true;
    }
    std::atomic<int> option{-1};
    std::atomic<bool> onMainThread{false};
};

TEST_F(AppDelegateTest, AnErrorFromAWorkerIsPresentedOnTheMainThreadAndTheWorkerGetsTheAnswer) {
    makeDelegate();
    auto attempter = std::make_shared<RecordingAttempter>();
    TDError error = TDError::make(900, QStringLiteral("Worker trouble"), QStringLiteral("Pick one"));
    error.recoveryOptions = {QStringLiteral("First"), QStringLiteral("Second")};
    error.recoveryAttempter = attempter;
    prompter.answers = {1};
    std::atomic<bool> done{false};
    TDErrorPresentation answer;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        answer = TDAppDelegate().presentError(error, QStringLiteral("from a worker"));
        done = true;
    }));
    worker->start();
    ASSERT_TRUE(testsupport::spinUntil([&] { return done.load(); }));
    worker->wait();
    EXPECT_EQ(answer.optionIndex, 1);
    EXPECT_TRUE(answer.recovered);
    EXPECT_EQ(attempter->option, 1);
    EXPECT_TRUE(attempter->onMainThread);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown.first().messageText, QStringLiteral("Worker trouble"));
}

TEST_F(AppDelegateTest, NoErrorShowsNothing) {
    makeDelegate().handleError(std::nullopt, QStringLiteral("nothing"));
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(AppDelegateTest, RecoveryBySyncErrorCode) {
    makeDelegate();
    struct Case {
        int code;
        int option;
        int signOuts;
        int panes;
        bool recovered;
    };
    const Case cases[] = {{602, 0, 1, 1, true},
                          {602, 1, 1, 0, true},
                          {605, 0, 0, 1, true},
                          {605, 1, 1, 0, true},
                          {611, 0, 0, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code * 10 + c.option);
        syncControl.signOuts = syncControl.preferencePanes = 0;
        const bool recovered =
            delegate->attemptRecoveryFromError(TDError::make(c.code, QStringLiteral("sync")), c.option);
        EXPECT_EQ(recovered, c.recovered);
        EXPECT_EQ(syncControl.signOuts, c.signOuts);
        EXPECT_EQ(syncControl.preferencePanes, c.panes);
    }
    TDError foreign = TDError::make(602, QStringLiteral("elsewhere"));
    foreign.domain = QStringLiteral("OtherDomain");
    EXPECT_FALSE(delegate->attemptRecoveryFromError(foreign, 0));
}

TEST_F(AppDelegateTest, OnlyImportantSyncErrorsAreShownAndTryAgainSyncs) {
    makeDelegate();
    TDError plain = TDError::make(603, QStringLiteral("Server unhappy"));
    delegate->syncDidFinish(plain, {});
    EXPECT_TRUE(prompter.shown.isEmpty());

    TDError important = plain;
    important.userInfo.insert(QStringLiteral("TDSyncImportantError"), true);
    syncControl.fullSyncing = true;
    delegate->syncDidFinish(important, {});
    EXPECT_TRUE(prompter.shown.isEmpty()) << "a full-sync window is open";

    syncControl.fullSyncing = false;
    prompter.answers = {0};
    delegate->syncDidFinish(important, {QStringLiteral("x-ordello://1/Task/p3")});
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown.first().buttons,
              (QStringList{QStringLiteral("Try Again"), QStringLiteral("Cancel")}));
    EXPECT_EQ(syncControl.syncs, 1);
    prompter.answers = {1};
    delegate->syncDidFinish(important, {});
    EXPECT_EQ(syncControl.syncs, 1) << "Cancel syncs nothing";
}

TEST_F(AppDelegateTest, SkippedObjectsGoToTheirWindowOnTheNextTurnAndAFullSyncCountsAsARestore) {
    makeDelegate();
    delegate->syncDidFinish(std::nullopt, {QStringLiteral("x-ordello://1/Task/p3")});
    EXPECT_TRUE(syncControl.skipped.isEmpty()) << "not while the sync's notice is handled";
    testsupport::drainEvents();
    EXPECT_EQ(syncControl.skipped, QList<QStringList>{{QStringLiteral("x-ordello://1/Task/p3")}});

    EXPECT_FALSE(delegate->isRestoringLibrary());
    syncControl.fullSyncing = true;
    EXPECT_TRUE(delegate->isRestoringLibrary()) << "backup and restore wait for the full sync";
}

// Posts the end of a sync from a thread of its own, as the sync queue does.
void postSyncDidFinishFromAnotherThread(const std::optional<TDError>& error) {
    QVariantMap userInfo;
    if (error) userInfo.insert(TDSyncError, QVariant::fromValue(*error));
    std::unique_ptr<QThread> poster(QThread::create([userInfo] {
        platform::NotificationCenter::defaultCenter().post(TDSyncDidFinish, nullptr, userInfo);
    }));
    poster->start();
    poster->wait();
}

TEST_F(AppDelegateTest, AWrongPasswordOfPeriodicSyncsIsShownOnceAndItsRecoveryOpensTheSyncPreferences) {
    makeDelegate();
    prompter.answers = {0};
    for (int periodic = 0; periodic < 3; ++periodic) {
        postSyncDidFinishFromAnotherThread(corvaneAuthenticationError());
        ASSERT_TRUE(testsupport::spinUntil([&] { return !prompter.shown.isEmpty(); }));
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(prompter.shown.size(), 1) << "the same failure ten minutes later is not shown again";
    EXPECT_EQ(prompter.shown.first().messageText, QStringLiteral("Username or password is wrong"));
    EXPECT_EQ(syncControl.signOuts, 1);
    EXPECT_EQ(syncControl.preferencePanes, 1);

    // After a sync that worked, a new failure is news again.
    postSyncDidFinishFromAnotherThread(std::nullopt);
    postSyncDidFinishFromAnotherThread(corvaneFullSyncRequiredError());
    prompter.answers = {1};
    ASSERT_TRUE(testsupport::spinUntil([&] { return prompter.shown.size() == 2; }));
    EXPECT_EQ(prompter.shown.last().messageText, QStringLiteral("Full sync required"));
    EXPECT_EQ(syncControl.signOuts, 2) << "declining the full sync signs out";
    EXPECT_EQ(syncControl.preferencePanes, 1);
}

TEST_F(OpenLibraryTest, SigningOutClearsTheLastSyncAndTheNextSignInAsksForAFullSyncOnce) {
    TDManagedObjectContext* journal = manager->syncSetManagedObjectContext();
    auto* syncSet = journal->insertObject<TDSyncSet>(QStringLiteral("SyncSet"));
    syncSet->setSyncType(QStringLiteral("corvane"));
    syncSet->setUsername(QStringLiteral("someone"));
    syncSet->setLastSyncDate(QDateTime::currentDateTimeUtc());
    ASSERT_TRUE(journal->save().ok());
    manager->library()->setCorvaneSyncSet(syncSet);
    const QString enabled = QStringLiteral("corvaneSyncEnabled");
    manager->setOption(QVariant(true), enabled);
    TDLibrarySyncControl control(*manager);

    control.signOut();
    EXPECT_FALSE(manager->optionForKey(enabled).toBool());
    EXPECT_FALSE(syncSet->lastSyncDate().isValid());
    EXPECT_FALSE(journal->hasChanges()) << "the cleared date is saved";
    EXPECT_FALSE(manager->isPeriodicSyncActive());

    windows.calls.clear();
    manager->setOption(QVariant(true), enabled);  // signed in again
    control.sync();
    control.sync();
    EXPECT_EQ(windows.calls, (QStringList{QStringLiteral("notice: Full sync needed")}))
        << "a library without a last sync date syncs only through a full sync, and says so once";
    EXPECT_FALSE(manager->isSyncing());
}

TEST_F(AppDelegateTest, AfterWakingTheNetworkIsLookedForElevenTimesThenNoMore) {
    makeDelegate();
    QList<double> delays;
    QList<std::function<void()>> due;
    delegate->setDelayedCallScheduler([&](double seconds, std::function<void()> call) {
        delays << seconds;
        due << std::move(call);
    });
    syncControl.reachable = false;
    delegate->systemDidWake();
    while (!due.isEmpty()) due.takeFirst()();
    EXPECT_EQ(delays, (QList<double>{0.5, 1, 2, 4, 8, 16, 32, 64, 128, 256, 512}));
    EXPECT_EQ(syncControl.syncs, 0);
}

TEST_F(OpenLibraryTest, WakingWithTheNetworkUpSyncsASecondLaterAndAReachableNetworkReplacesIt) {
    QList<double> delays;
    QList<std::function<void()>> due;
    delegate->setDelayedCallScheduler([&](double seconds, std::function<void()> call) {
        delays << seconds;
        due << std::move(call);
    });
    delegate->systemDidWake();
    due.takeFirst()();
    EXPECT_EQ(delays, (QList<double>{0.5, 1.0}));
    delegate->networkBecameReachable();  // cancels the sync scheduled on waking
    EXPECT_EQ(delays.last(), 1.0);
    while (!due.isEmpty()) due.takeFirst()();
    EXPECT_EQ(syncControl.syncs, 1);
}

TEST_F(OpenLibraryTest, TheBadgeFollowsTheCountAndTheMode) {
    RecordingBadgeSink sink;
    delegate->setBadgeSink(&sink);
    defaults().setValue(QStringLiteral("dockBadgeMode"), 2);
    TDTask* task = manager->library()->createOrphanTask();
    ASSERT_TRUE(manager->library()->inboxGroup()->orderedTasks()->insertObject(task, 0).ok());
    task->setValue(QStringLiteral("title"), QStringLiteral("Counted"));
    manager->managedObjectContext()->processPendingChanges();
    ASSERT_FALSE(sink.counts.isEmpty());
    EXPECT_GE(sink.counts.last(), 1);
    defaults().setValue(QStringLiteral("dockBadgeMode"), 0);
    EXPECT_EQ(sink.counts.last(), 0);
    delegate->setBadgeSink(nullptr);
}

TEST_F(OpenLibraryTest, SwitchingLibraryLoadsTheOtherOnceAndTheOpenOneIsRefused) {
    const QString other = packagePath(QStringLiteral("Second"));
    {
        TDLibraryManager builder(other);
        ASSERT_TRUE(builder.createLibrary().ok());
        ASSERT_TRUE(builder.close().ok());
    }
    int loads = 0;
    QStringList changes;
    QObject owner;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(&owner, TDLibraryDidFinishLoadingNotificationName, nullptr,
                       [&](const platform::Notification&) { ++loads; });
    center.addObserver(&owner, TDActiveLibraryWillChangeNotification, nullptr,
                       [&](const platform::Notification&) { changes << QStringLiteral("will"); });
    center.addObserver(&owner, TDActiveLibraryDidChangeNotification, nullptr,
                       [&](const platform::Notification&) { changes << QStringLiteral("did"); });

    EXPECT_FALSE(delegate->switchToLibraryAtPath(path));
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_TRUE(delegate->switchToLibraryAtPath(other));
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(changes, (QStringList{QStringLiteral("will"), QStringLiteral("did")}));
    EXPECT_EQ(manager->libraryPath(), other);
    EXPECT_TRUE(manager->library());
    EXPECT_TRUE(windows.calls.contains(QStringLiteral("willChange")));
    EXPECT_EQ(windows.calls.last(), QStringLiteral("expand")) << "the folders group opens in the new library";
}

TEST_F(OpenLibraryTest, RestoreFromBackupAsksFirst) {
    manager->savePropertyListBackup();
    manager->finishPendingOperations();
    const QString backup = TDNewestLibraryBackupPath(path);
    ASSERT_FALSE(backup.isEmpty());
    const QString uid = manager->library()->uid();
    prompter.answers = {1};
    EXPECT_FALSE(delegate->restoreFromBackupAtPath(backup));
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown.first().messageText, QStringLiteral("Restore from backup?"));
    EXPECT_EQ(prompter.shown.first().buttons,
              (QStringList{QStringLiteral("Restore"), QStringLiteral("Cancel")}));
    EXPECT_TRUE(prompter.shown.first().informativeText.contains(QFileInfo(backup).fileName()));

    prompter.answers = {0, 0};
    ASSERT_TRUE(delegate->restoreFromBackupAtPath(backup));
    EXPECT_TRUE(delegate->isRestoringLibrary());
    // Until "Finished restoring library" the restore still needs the main thread.
    ASSERT_TRUE(testsupport::spinUntil(
        [&] { return !delegate->isRestoringLibrary() && prompter.shown.size() == 3; }));
    EXPECT_EQ(prompter.shown.last().messageText, QStringLiteral("Finished restoring library"));
    ASSERT_TRUE(manager->library());
    EXPECT_EQ(manager->library()->uid(), uid);
}

TEST_F(OpenLibraryTest, FilesBecomeTasksAtTheTopOfTheInbox) {
    const QString file = QDir(tempPath()).filePath(QStringLiteral("Report.pdf"));
    QFile made(file);
    ASSERT_TRUE(made.open(QIODevice::WriteOnly));
    made.write("%PDF");
    made.close();
    const QList<TDTask*> tasks = delegate->createTasksFromFiles({file});
    ASSERT_EQ(tasks.size(), 1);
    EXPECT_EQ(manager->library()->inboxGroup()->orderedTasks()->objectAtIndex(0), tasks.first());
}

TEST_F(OpenLibraryTest, TheTimedTaskOfTheTimeLogIsTimingAgainAfterLoading) {
    TDTask* task = manager->library()->createOrphanTask();
    ASSERT_TRUE(manager->library()->inboxGroup()->orderedTasks()->insertObject(task, 0).ok());
    task->timeLogPunchIn();
    const QString uid = task->uid();
    ASSERT_TRUE(manager->close().ok());
    ASSERT_EQ(launch(), std::nullopt);
    TDTask* timed = manager->library()->activeTask();
    ASSERT_TRUE(timed);
    EXPECT_EQ(timed->uid(), uid);
    EXPECT_TRUE(timed->isTiming());
}

TEST_F(OpenLibraryTest, ADayChangeReloadsTheWindowAndALocaleChangeRedraws) {
    windows.calls.clear();
    platform::NotificationCenter::defaultCenter().post(TDDateChangedNotification);
    delegate->localeChanged();
    EXPECT_EQ(windows.calls, (QStringList{QStringLiteral("reload"), QStringLiteral("redisplay")}));
}

}  // namespace
}  // namespace apptest
