#include "foundation/date_change_notifier.h"
#include "platform/base/clock.h"
#include "platform/notifications/notification_center.h"
#include "tests/support/test_environment.h"

#include <QTimeZone>

#include <cstdlib>
#include <ctime>

namespace {

// The test main runs in Europe/Berlin: 22:30 UTC is 23:30 there.
class DateChangeTest : public ::testing::Test {
protected:
    DateChangeTest() {
        TDClock::setShared(&clock);
        center.addObserver(&owner, TDDateChangedNotification, nullptr,
                           [this](const platform::Notification& n) {
                               ++posted;
                               EXPECT_EQ(n.sender, nullptr);
                           });
    }
    ~DateChangeTest() override {
        TDClock::setShared(nullptr);
        setTimeZone("Europe/Berlin");
    }
    static void setTimeZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
    static QDateTime utc(int y, int mo, int d, int h, int mi) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi), Qt::UTC);
    }

    TDTestClock clock{utc(2026, 12, 9, 22, 30)};
    platform::NotificationCenter center;
    QObject owner;
    TDDateChangeNotifier notifier{center};
    int posted = 0;
};

TEST_F(DateChangeTest, MidnightPostsOnceAndNotBeforeStarting) {
    notifier.checkDate();  // not started: nothing to compare with
    EXPECT_EQ(posted, 0);
    notifier.start();
    for (int tick = 0; tick < 40 * 60 + 5; ++tick) {  // 23:30 to 00:10:05, one tick a second
        clock.advanceSeconds(1);
        notifier.checkDate();
    }
    EXPECT_EQ(posted, 1);
}

TEST_F(DateChangeTest, ClockChangesPostOnlyWhenTheDayDiffers) {
    notifier.start();
    clock.setNow(utc(2026, 12, 9, 8, 0));  // earlier the same day
    notifier.checkDate();
    EXPECT_EQ(posted, 0);
    clock.setNow(utc(2027, 12, 9, 8, 0));  // same day and month of another year
    notifier.checkDate();
    EXPECT_EQ(posted, 1);
    clock.setNow(utc(2027, 11, 9, 8, 0));  // same day of another month
    notifier.checkDate();
    EXPECT_EQ(posted, 2);
    notifier.checkDate();
    EXPECT_EQ(posted, 2);
}

TEST_F(DateChangeTest, TimeZoneChangeThatMovesTheDayPosts) {
    notifier.start();
    setTimeZone("Europe/London");  // 22:30, still the 9th
    notifier.checkDate();
    EXPECT_EQ(posted, 0);
    setTimeZone("Asia/Tokyo");  // 07:30 on the 10th
    notifier.checkDate();
    EXPECT_EQ(posted, 1);
    setTimeZone("Europe/Berlin");  // back to the 9th
    notifier.checkDate();
    EXPECT_EQ(posted, 2);
}

TEST_F(DateChangeTest, TheTimerTicksOnItsOwn) {
    clock.setNow(utc(2026, 12, 9, 22, 59).addSecs(59));  // 23:59:59 in Berlin
    notifier.start();
    clock.advanceSeconds(2);
    EXPECT_TRUE(testsupport::spinUntil([this] { return posted == 1; }));
}

}  // namespace
