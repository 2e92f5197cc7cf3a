#include "tests/sync/sync_operation_fixture.h"

#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/sync_set.h"
#include "model/task.h"

#include <QEventLoop>
#include <QTimer>

namespace synctest {
namespace {

class SyncHooksTest : public SyncOperationTest {
protected:
    void SetUp() override {
        SyncOperationTest::SetUp();
        side = &addSide(QStringLiteral("A"));
        TDLibraryManager::setSyncOperationMaker(
            [this](TDLibraryManager*, TDLibrary*) { return makeOperation(*side); });
    }
    void TearDown() override {
        TDLibraryManager::setSyncOperationMaker({});
        SyncOperationTest::TearDown();
    }

    void addTask(const QString& title) {
        TDTask* task = side->library->createTask();
        task->setTitle(title);  // at the top of the Inbox
    }
    void turnSyncOn() { side->manager->setOption(QVariant(true), QStringLiteral("corvaneSyncEnabled")); }
    qsizetype putCount() const {
        qsizetype count = 0;
        for (const LoopbackSyncServer::RecordedRequest& request : server->requests())
            count += request.method == "PUT";
        return count;
    }

    SyncSide* side = nullptr;
};

TEST_F(SyncHooksTest, WithSyncOffNothingIsQueuedOrScheduled) {
    ASSERT_TRUE(syncOverNetwork(*side).ok());
    server->clearRequests();
    side->manager->sync();
    side->manager->scheduleSyncAfterDelay(0);
    addTask(QStringLiteral("Quiet"));
    ASSERT_TRUE(side->manager->saveLibrary());
    EXPECT_FALSE(side->manager->isSyncing());
    EXPECT_FALSE(side->manager->isPeriodicSyncActive());
    side->manager->finishPendingOperations();
    EXPECT_TRUE(server->requests().isEmpty());
}

// While sync is on a save sends its changes, and a timer syncs every ten minutes until sign-out.
TEST_F(SyncHooksTest, ASaveWhileSyncIsOnSendsItsChangesAndThePeriodicSyncRunsUntilSignOut) {
    ASSERT_TRUE(syncOverNetwork(*side).ok());
    turnSyncOn();
    server->clearRequests();
    addTask(QStringLiteral("Sent on save"));
    ASSERT_TRUE(side->manager->saveLibrary());
    side->manager->finishPendingOperations();
    EXPECT_EQ(putCount(), 1);
    EXPECT_TRUE(journalledUIDs(*side).isEmpty());
    EXPECT_TRUE(side->manager->isPeriodicSyncActive());

    side->manager->syncSignOut();
    EXPECT_FALSE(side->manager->isPeriodicSyncActive());
}

TEST_F(SyncHooksTest, AScheduledSyncRunsOnceAfterItsDelayAndACancelledOneNever) {
    ASSERT_TRUE(syncOverNetwork(*side).ok());
    turnSyncOn();
    side->manager->setDisableSyncOnSave(true);
    addTask(QStringLiteral("Later"));
    ASSERT_TRUE(side->manager->saveLibrary());
    server->clearRequests();

    side->manager->scheduleSyncAfterDelay(3600);
    side->manager->cancelScheduledSync();
    side->manager->scheduleSyncAfterDelay(0);
    side->manager->scheduleSyncAfterDelay(0);  // replaces the pending one
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
    side->manager->finishPendingOperations();
    EXPECT_EQ(putCount(), 1);
    EXPECT_TRUE(journalledUIDs(*side).isEmpty());
}

// A library that never synced is not sent as it is: the application is asked for a full sync.
TEST_F(SyncHooksTest, ALibraryThatNeverSyncedQueuesNothing) {
    turnSyncOn();
    side->manager->sync();
    EXPECT_FALSE(side->manager->isSyncing());
    side->manager->finishPendingOperations();
    EXPECT_TRUE(server->requests().isEmpty());
}

TEST_F(SyncHooksTest, CancelSyncStopsAStalledSyncWithoutMergingAnything) {
    ASSERT_TRUE(syncOverNetwork(*side).ok());
    turnSyncOn();
    side->manager->setDisableSyncOnSave(true);
    addTask(QStringLiteral("Stays journalled"));
    ASSERT_TRUE(side->manager->saveLibrary());
    const Snapshot before = snapshot(*side);
    server->injectFault(QStringLiteral("/sync/library/"),
                        LoopbackSyncServer::Fault::of(LoopbackSyncServer::Fault::Kind::Stall), 5);
    side->manager->sync();
    EXPECT_TRUE(side->manager->isSyncing());
    QTimer::singleShot(100, side->manager.get(), [this] { side->manager->cancelSync(); });
    side->manager->finishPendingOperations();
    EXPECT_FALSE(side->manager->isSyncing());
    EXPECT_TRUE(snapshot(*side) == before);
    server->clearFaults();
}

}  // namespace
}  // namespace synctest

namespace {

TEST(SyncReachabilityTest, WithoutANetworkOnlyAServiceOnThisMachineOrTheLocalNetworkIsTried) {
    const struct {
        const char* url;
        bool reachable;
        bool sent;
    } cases[] = {
        {"https://sync.example.com/", true, true},
        {"https://sync.example.com/", false, false},
        {"https://localhost:8443/", false, true},
        {"https://127.0.0.1:4430/", false, true},
        {"https://192.168.1.20/", false, true},
        {"https://10.0.0.2/", false, false},
        {"", false, false},
        {"not a url", false, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TDSyncMaySendTo(QString::fromLatin1(c.url), c.reachable), c.sent)
            << c.url << " " << c.reachable;
}

}  // namespace
