#pragma once

#include "language/nth_week_day.h"
#include "platform/base/clock.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <QDateTime>

namespace modeltest {

inline TDNthWeekDay nthDay(quint64 weekDay, qint64 week) {
    return TDNthWeekDay::nthWeekDayWithWeekDay(weekDay, week).value();
}

// Weeks begin on Sunday, and "now" is the test clock's time, fixed at the given moment.
class RecurrenceClockTest : public testsupport::TempFoldersTest {
protected:
    explicit RecurrenceClockTest(const QDateTime& now) : m_clock(now) {}
    void SetUp() override {
        TempFoldersTest::SetUp();
        defaults().registerDefaults({{QStringLiteral("firstWeekday"), 1}});
        TDClock::setShared(&m_clock);
    }
    void TearDown() override {
        TDClock::setShared(nullptr);
        TempFoldersTest::TearDown();
    }

    TDTestClock m_clock;
};

}  // namespace modeltest
