#include "language/date_additions.h"
#include "language/date_formatter.h"
#include "language/gregorian_calendar.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <gtest/gtest.h>

#include <unicode/ucal.h>

namespace {

QDateTime at(int year, int month, int day, QTime time = QTime(10, 15)) {
    return QDateTime(QDate(year, month, day), time);
}

const QList<int> kAllMonths{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

TEST(DateAdditionsTest, addsCalendarUnitsKeepingTheTimeAndClampingTheDay) {
    EXPECT_EQ(dates::dateByAddingMonths(at(2027, 1, 31), 1), at(2027, 2, 28));
    EXPECT_EQ(dates::dateByAddingMonths(at(2028, 1, 31), 1), at(2028, 2, 29));
    EXPECT_EQ(dates::dateByAddingYears(at(2028, 2, 29), 1), at(2029, 2, 28));
    EXPECT_EQ(dates::dateByAddingDays(at(2027, 3, 27), 2), at(2027, 3, 29));  // across summer time
    EXPECT_EQ(dates::dateAtStartOfDay(at(2027, 3, 28)), QDateTime(QDate(2027, 3, 28), QTime(0, 0)));
    EXPECT_FALSE(dates::dateAtStartOfDay(QDateTime()).isValid());
}

TEST(DateAdditionsTest, readsCalendarFieldsWithSundayAsOne) {
    const QDateTime sunday = at(2027, 3, 14);
    EXPECT_EQ(dates::weekday(sunday), 1);
    EXPECT_EQ(dates::weekday(at(2027, 3, 13)), 7);
    EXPECT_EQ(dates::day(sunday), 14);
    EXPECT_EQ(dates::month(sunday), 3);
    EXPECT_EQ(dates::year(sunday), 2027);
}

TEST(DateAdditionsTest, weeksFollowTheFirstWeekdayAndNeverTheWeekdayNumbers) {
    const TDGregorianCalendar mondayFirst(2, 4);
    setSharedGregorianCalendar(&mondayFirst);
    EXPECT_EQ(dates::weekday(at(2027, 3, 14)), 1);
    EXPECT_EQ(dates::week(at(2027, 1, 1)), 53);  // a Friday: the last week of 2026
    EXPECT_EQ(dates::week(at(2027, 1, 4)), 1);
    EXPECT_EQ(dates::week(at(2026, 12, 31)), 53);
    EXPECT_EQ(dates::week(at(2024, 12, 30)), 1);  // a Monday of the week holding 1 January 2025
    EXPECT_TRUE(dates::isOnLastWeekOfTheMonth(at(2027, 3, 29)));
    EXPECT_FALSE(dates::isOnLastWeekOfTheMonth(at(2027, 3, 28)));  // Sunday ends the week before

    const TDGregorianCalendar sundayFirst(1, 1);
    setSharedGregorianCalendar(&sundayFirst);
    EXPECT_EQ(dates::week(at(2027, 1, 1)), 1);
    EXPECT_EQ(dates::week(at(2027, 1, 3)), 2);
    EXPECT_TRUE(dates::isOnLastWeekOfTheMonth(at(2027, 3, 28)));
    setSharedGregorianCalendar(nullptr);
}

TEST(DateAdditionsTest, weekOfYearAgreesWithIcuForEveryFirstWeekdayAndFirstWeekRule) {
    for (int firstWeekday = 1; firstWeekday <= 7; ++firstWeekday) {
        for (int minimumDays : {1, 4, 7}) {
            const TDGregorianCalendar calendar(firstWeekday, minimumDays);
            UErrorCode status = U_ZERO_ERROR;
            UCalendar* icu = ucal_open(u"UTC", -1, "en_US", UCAL_GREGORIAN, &status);
            ASSERT_TRUE(U_SUCCESS(status));
            ucal_setAttribute(icu, UCAL_FIRST_DAY_OF_WEEK, firstWeekday);
            ucal_setAttribute(icu, UCAL_MINIMAL_DAYS_IN_FIRST_WEEK, minimumDays);
            for (QDate date(2023, 12, 1); date <= QDate(2029, 1, 31); date = date.addDays(1)) {
                ucal_setDate(icu, date.year(), date.month() - 1, date.day(), &status);
                ASSERT_EQ(calendar.weekOfYear(date), ucal_get(icu, UCAL_WEEK_OF_YEAR, &status))
                    << date.toString(Qt::ISODate).toStdString() << " " << firstWeekday << " " << minimumDays;
            }
            ucal_close(icu);
        }
    }
}

class SharedCalendarTest : public testsupport::TempFoldersTest {};

TEST_F(SharedCalendarTest, theFirstWeekdayComesFromTheUserDefaultWithTheRegisteredValueBehindIt) {
    EXPECT_EQ(TDGregorianCalendar::fromUserDefaults().firstWeekday(), 1);
    defaults().registerDefaults({{QStringLiteral("firstWeekday"), 3}});
    EXPECT_EQ(TDGregorianCalendar::fromUserDefaults().firstWeekday(), 3);
    defaults().setValue(QStringLiteral("firstWeekday"), 2);
    EXPECT_EQ(TDGregorianCalendar::fromUserDefaults().firstWeekday(), 2);
    defaults().setValue(QStringLiteral("firstWeekday"), 9);
    EXPECT_EQ(TDGregorianCalendar::fromUserDefaults().firstWeekday(), 3);
    EXPECT_EQ(TDGregorianCalendar::fromUserDefaults().minimumDaysInFirstWeek(), 1);  // en_US
}

TEST(DateAdditionsTest, matchesDaysOfTheMonthWithTheLastDayStandingForLaterDays) {
    for (const QDateTime& date : {at(2027, 1, 31), at(2027, 2, 28), at(2028, 2, 29), at(2027, 4, 30)})
        EXPECT_TRUE(dates::isOnDaysOfTheMonth(date, {31}, kAllMonths)) << date.toString().toStdString();
    EXPECT_FALSE(dates::isOnDaysOfTheMonth(at(2027, 1, 30), {31}, kAllMonths));
    EXPECT_TRUE(dates::isOnDaysOfTheMonth(at(2027, 2, 28), {29, 30}, {2}));
    EXPECT_TRUE(dates::isOnDaysOfTheMonth(at(2028, 2, 29), {29, 30}, {2}));
    EXPECT_FALSE(dates::isOnDaysOfTheMonth(at(2028, 2, 28), {29, 30}, {2}));
    EXPECT_FALSE(dates::isOnDaysOfTheMonth(at(2027, 3, 31), {31}, {2}));
    EXPECT_TRUE(dates::isOnDaysOfTheMonth(at(2027, 3, 5), {5}, {3}, {2027}));
    EXPECT_FALSE(dates::isOnDaysOfTheMonth(at(2027, 3, 5), {5}, {3}, {2028}));
}

TDNthWeekDay nth(quint64 weekDay, qint64 week) {
    return TDNthWeekDay::nthWeekDayWithWeekDay(weekDay, week).value();
}

TEST(DateAdditionsTest, matchesNthAndLastWeekdays) {
    // March 2027: Fridays on 5, 12, 19, 26.
    EXPECT_TRUE(dates::isLastWeekDayOfTheMonth(at(2027, 3, 26), 6));
    EXPECT_FALSE(dates::isLastWeekDayOfTheMonth(at(2027, 3, 19), 6));
    EXPECT_TRUE(dates::isOnNthWeekDaysOfTheMonth(at(2027, 3, 12), {nth(6, 2)}, {3}));
    EXPECT_FALSE(dates::isOnNthWeekDaysOfTheMonth(at(2027, 3, 12), {nth(6, 2)}, {4}));
    EXPECT_TRUE(dates::isOnNthWeekDaysOfTheMonth(at(2027, 3, 26), {nth(2, 1), nth(6, -1)}, {3}));
    EXPECT_FALSE(dates::isOnNthWeekDaysOfTheMonth(at(2027, 3, 26), {nth(6, 4)}, {3}, {2026}));
    EXPECT_TRUE(dates::isOnWeekDays(at(2027, 3, 26), {6}));
    EXPECT_TRUE(dates::isLastDayOfMonth(at(2027, 2, 28)));
}

TEST(DateAdditionsTest, nextDateSearchesNeverAnswerTheStartAndStopAtTheBound) {
    const QDateTime monday = at(2027, 3, 15);
    EXPECT_EQ(dates::nextDateOnWeekDays(monday, {2}), at(2027, 3, 22));
    EXPECT_FALSE(dates::nextDateOnWeekDays(monday, {}).isValid());
    EXPECT_FALSE(dates::nextDateOnWeekDays(monday, {9}).isValid());
    EXPECT_EQ(dates::nextDateOnDaysOfTheMonth(monday, {30}, {2}), at(2028, 2, 29));
    EXPECT_EQ(dates::nextDateOnDaysOfTheMonth(at(2028, 3, 1), {30}, {2}), at(2029, 2, 28));
    EXPECT_FALSE(dates::nextDateOnDaysOfTheMonth(monday, {5}, {3}, {2020}).isValid());
    EXPECT_FALSE(dates::nextDateOnDaysOfTheMonth(monday, {}, {3}).isValid());
    EXPECT_FALSE(dates::nextDateOnNthWeekDaysOfTheMonth(monday, {nth(2, 1)}, {}).isValid());
    EXPECT_EQ(dates::nextDateOnNthWeekDaysOfTheMonth(monday, {nth(6, -1)}, {3}), at(2027, 3, 26));
    EXPECT_EQ(dates::nextDateOnNthWeekDaysOfTheMonth(monday, {nth(2, 1)}, {4}, {2028}), at(2028, 4, 3));
}

TEST(DateAdditionsTest, writesStampsForFileNames) {
    const QDateTime date(QDate(2014, 3, 7), QTime(0, 0, 7, 250));
    EXPECT_EQ(dates::timeStampString(date), QStringLiteral("2014-03-07-000007.250"));
    EXPECT_EQ(dates::dateStampString(date), QStringLiteral("2014-03-07"));
    EXPECT_EQ(dates::timeStampString(QDateTime(QDate(2014, 3, 7), QTime(23, 59, 59))),
              QStringLiteral("2014-03-07-235959.000"));
}

TEST(DateAdditionsTest, earlierDateTakesTheOtherWhenOneIsMissing) {
    const QDateTime date = at(2027, 3, 15);
    EXPECT_EQ(TDEarlierDate(QDateTime(), date), date);
    EXPECT_EQ(TDEarlierDate(date, QDateTime()), date);
    EXPECT_FALSE(TDEarlierDate(QDateTime(), QDateTime()).isValid());
    EXPECT_EQ(TDEarlierDate(date, at(2027, 3, 14)), at(2027, 3, 14));
}

TEST(DateFormatterTest, sharedFormattersWriteInTheLocale) {
    EXPECT_EQ(TDDateFormatter::shortDateFormatter().dateFormat(), QStringLiteral("M/d/yy"));
    EXPECT_EQ(TDDateFormatter::shortDateFormatter().stringFromDate(at(2027, 3, 5)), QStringLiteral("3/5/27"));
    EXPECT_EQ(TDDateFormatter::longDateFormatter().allMonthSymbols().size(), 48);
    EXPECT_EQ(TDDateFormatter::longDateFormatter().allMonthSymbols().at(12), QStringLiteral("January"));
    ASSERT_NE(TDDateFormatter::relativeDateFormatter(), nullptr);
    const auto formatter = TDDateFormatter::formatter();
    formatter->setDateFormat(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(formatter->stringFromDate(at(2027, 3, 5)), QStringLiteral("2027-03-05"));
    EXPECT_EQ(formatter->dateFromString(QStringLiteral("2027-03-05")).date(), QDate(2027, 3, 5));
    EXPECT_FALSE(formatter->dateFromString(QStringLiteral("2027-03-05 and more")).isValid());
}

}  // namespace
