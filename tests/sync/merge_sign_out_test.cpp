#include "tests/sync/merge_fixture.h"

#include "model/managed_object_context.h"
#include "model/sync_set.h"
#include "platform/notifications/notification_center.h"

namespace synctest {
namespace {

using SyncSignOutTest = MergeTest;

TEST_F(SyncSignOutTest, SigningOutSwitchesSyncOffAndMakesTheNextSyncAFullOne) {
    SyncSide& side = addSide(QStringLiteral("A"));
    side.manager->setOption(QVariant(true), QStringLiteral("corvaneSyncEnabled"));
    ASSERT_TRUE(sync(side).ok());
    ASSERT_TRUE(side.syncSet()->lastSyncDate().isValid());
    ASSERT_EQ(TDCorvaneLibrarySync(side.library, TDCorvaneSyncType::Incremental).syncType(),
              TDCorvaneSyncType::Incremental);
    int posted = 0;
    QObject owner;
    platform::NotificationCenter::defaultCenter().addObserver(
        &owner, TDSyncDidSignOut, side.manager.get(), [&posted](const platform::Notification&) { ++posted; });

    side.manager->syncSignOut();
    EXPECT_EQ(posted, 1);
    EXPECT_FALSE(side.manager->optionForKey(QStringLiteral("corvaneSyncEnabled")).toBool());
    EXPECT_FALSE(side.syncSet()->lastSyncDate().isValid());
    EXPECT_FALSE(side.manager->syncSetManagedObjectContext()->hasChanges());
    EXPECT_EQ(TDCorvaneLibrarySync(side.library, TDCorvaneSyncType::Incremental).syncType(),
              TDCorvaneSyncType::FullMerge);
}

}  // namespace
}  // namespace synctest
