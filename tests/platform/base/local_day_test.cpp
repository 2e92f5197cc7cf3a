#include "platform/base/local_day.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

class LocalDayTest : public ::testing::Test {
protected:
    ~LocalDayTest() override { setTimeZone("Europe/Berlin"); }
    static void setTimeZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
};

// Asked twice, so the second answer comes from what was remembered.
TEST_F(LocalDayTest, AgreesWithTheCalendarAcrossTransitions) {
    struct Case {
        const char* zone;
        QDate date;
        QTime expectedStart;
    } const cases[] = {
        {"Europe/Berlin", QDate(2027, 3, 28), QTime(0, 0)},      // summer time begins at 02:00
        {"Europe/Berlin", QDate(2027, 10, 31), QTime(0, 0)},     // and ends at 03:00
        {"America/Sao_Paulo", QDate(2018, 11, 4), QTime(1, 0)},  // midnight did not exist
        {"America/Havana", QDate(2027, 3, 14), QTime(1, 0)},     // nor here
        {"Pacific/Apia", QDate(2011, 12, 31), QTime()},          // the day was skipped
        {"UTC", QDate(1, 1, 1), QTime(0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + c.date.toString(Qt::ISODate).toStdString());
        setTimeZone(c.zone);
        const QDateTime expected = c.date.startOfDay();
        for (int pass = 0; pass < 2; ++pass) {
            const QDateTime start = TDStartOfLocalDay(c.date);
            EXPECT_EQ(start, expected);
            EXPECT_EQ(start.toMSecsSinceEpoch(), expected.toMSecsSinceEpoch());
            if (c.expectedStart.isValid()) {
                EXPECT_EQ(start.time(), c.expectedStart);
            }
        }
    }
}

TEST_F(LocalDayTest, FollowsAChangeOfZoneAtOnce) {
    const QDate day(2027, 6, 1);
    setTimeZone("Europe/Berlin");
    const qint64 berlin = TDStartOfLocalDay(day).toMSecsSinceEpoch();
    setTimeZone("America/New_York");
    const qint64 newYork = TDStartOfLocalDay(day).toMSecsSinceEpoch();
    EXPECT_EQ(newYork - berlin, 6 * 3600 * 1000);
    unsetenv("TZ");
    tzset();
    EXPECT_EQ(TDStartOfLocalDay(day), day.startOfDay());
}

TEST_F(LocalDayTest, InvalidDateHasNoStart) {
    EXPECT_FALSE(TDStartOfLocalDay(QDate()).isValid());
}

// Every quarter hour (and a few seconds) through days with and without a change of offset: the
// remembered offsets never give an instant other than Qt's own conversion.
TEST_F(LocalDayTest, BatchConversionAgreesWithQtThroughTransitions) {
    struct Case {
        const char* zone;
        QDate from;
    } const cases[] = {
        {"Europe/Berlin", QDate(2027, 3, 26)},
        {"Europe/Berlin", QDate(2027, 10, 29)},
        {"America/Sao_Paulo", QDate(2018, 11, 2)},
        {"Australia/Lord_Howe", QDate(2027, 4, 2)},  // a half-hour change
        {"UTC", QDate(2027, 1, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone);
        setTimeZone(c.zone);
        TDEpochMSecsReader reader;
        const QDateTime start(c.from, QTime(0, 0));
        for (int step = 0; step < 5 * 24 * 4; ++step) {
            const QDateTime date = start.addSecs(qint64(step) * 900 + 7);
            ASSERT_EQ(reader.msecsSinceEpoch(date), date.toMSecsSinceEpoch())
                << date.toString(Qt::ISODate).toStdString();
        }
        const QDateTime utc(c.from, QTime(12, 0), Qt::UTC);
        EXPECT_EQ(reader.msecsSinceEpoch(utc), utc.toMSecsSinceEpoch());
        EXPECT_EQ(reader.msecsSinceEpoch(QDateTime()), QDateTime().toMSecsSinceEpoch());
    }
}

}  // namespace
