#include "sync/sync_now_progress.h"
#include "platform/notifications/notification_center.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_sync_operation.h"
#include "tests/support/test_environment.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

TEST(SyncNowProgressTest, TheStatusBarWordsFollowThePhases) {
    const struct {
        QVariantMap info;
        const char* expected;
    } cases[] = {
        {{{QStringLiteral("phase"), QStringLiteral("upload")},
          {QStringLiteral("uploaded"), 3},
          {QStringLiteral("total"), 7}},
         "Syncing: uploaded 3 of 7 objects…"},
        {{{QStringLiteral("phase"), QStringLiteral("upload")},
          {QStringLiteral("uploaded"), 0},
          {QStringLiteral("total"), 0}},
         ""},
        {{{QStringLiteral("phase"), QStringLiteral("download")}, {QStringLiteral("downloaded"), 12}},
         "Syncing: downloaded 12 objects…"},
        {{{QStringLiteral("phase"), QStringLiteral("merge")}}, "Syncing: finishing up…"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TDSyncNowProgress::statusForProgress(c.info), QString::fromUtf8(c.expected));
}

TEST(SyncNowProgressTest, OnlyAFollowedSyncIsToldAndItsErrorSaysWhetherItIsImportant) {
    TDSyncNowProgress progress;
    QSignalSpy statuses(&progress, &TDSyncNowProgress::statusChanged);
    QSignalSpy failures(&progress, &TDSyncNowProgress::failed);
    auto& center = platform::NotificationCenter::defaultCenter();
    const QVariantMap failed{{TDSyncError, QVariant::fromValue(corvaneAuthenticationError())}};

    center.post(TDSyncDidFinish, nullptr, failed);  // a sync nobody asked for
    testsupport::drainEvents();
    EXPECT_EQ(statuses.count(), 0);

    progress.follow();
    center.post(TDSyncProgressDidChange, nullptr, {{QStringLiteral("phase"), QStringLiteral("merge")}});
    center.post(TDSyncDidFinish, nullptr, failed);
    testsupport::drainEvents();
    ASSERT_EQ(failures.count(), 1);
    EXPECT_TRUE(failures.first().at(1).toBool());
    EXPECT_EQ(statuses.last().first().toString(), QStringLiteral("Sync failed"));
    EXPECT_FALSE(progress.isFollowing());
}

}  // namespace
