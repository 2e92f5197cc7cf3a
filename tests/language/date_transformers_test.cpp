#include "language/natural_language_date_value_transformer.h"
#include "language/natural_language_days_from_today_value_transformer.h"
#include "language/natural_language_value_transformers.h"
#include "platform/base/clock.h"
#include "platform/defaults/user_defaults.h"
#include "platform/transformers/value_transformer.h"
#include "tests/support/test_environment.h"

#include <gtest/gtest.h>

namespace {

const QDate kToday(2027, 3, 10);

class DateTransformersTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        TDClock::setShared(&m_clock);
    }
    void TearDown() override {
        TDClock::setShared(nullptr);
        TempFoldersTest::TearDown();
    }
    static QString daysFromToday(qint64 days) {
        const QDateTime date = kToday.addDays(days).startOfDay();
        return TDNaturalLanguageDaysFromTodayValueTransformer::shared()->transformedValue(date).toString();
    }

    TDTestClock m_clock{QDateTime(kToday, QTime(16, 45))};
};

TEST_F(DateTransformersTest, writesRelativeWordsForTheThreeNearDaysAndTheShortStyleElse) {
    const auto& transformer = *TDNaturalLanguageDateValueTransformer::shared();
    const auto text = [&](const QDateTime& date) { return transformer.transformedValue(date).toString(); };
    EXPECT_EQ(text(kToday.startOfDay()), QStringLiteral("Today"));
    EXPECT_EQ(text(kToday.addDays(1).startOfDay()), QStringLiteral("Tomorrow"));
    EXPECT_EQ(text(kToday.addDays(-1).startOfDay()), QStringLiteral("Yesterday"));
    EXPECT_EQ(text(kToday.addDays(2).startOfDay()), QStringLiteral("3/12/27"));
    EXPECT_EQ(text(QDateTime(kToday.addDays(1), QTime(12, 0))), QStringLiteral("3/11/27"));
    EXPECT_FALSE(transformer.transformedValue(QVariant()).isValid());
    EXPECT_FALSE(transformer.transformedValue(QStringLiteral("today")).isValid());
}

TEST_F(DateTransformersTest, readsTextBackToTheStartOfItsDay) {
    const auto& transformer = *TDNaturalLanguageDateValueTransformer::shared();
    EXPECT_EQ(transformer.reverseTransformedValue(QStringLiteral("jan 5")).toDateTime(),
              QDate(2027, 1, 5).startOfDay());
    EXPECT_FALSE(transformer.reverseTransformedValue(QStringLiteral("whenever")).isValid());
    EXPECT_FALSE(transformer.reverseTransformedValue(QDateTime::currentDateTime()).isValid());
}

TEST_F(DateTransformersTest, writesDaysFromTodayInCalendarWeeksAndDays) {
    EXPECT_EQ(daysFromToday(1), QStringLiteral("Tomorrow"));
    EXPECT_EQ(daysFromToday(0), QStringLiteral("Today"));
    EXPECT_EQ(daysFromToday(-1), QStringLiteral("Yesterday"));
    EXPECT_EQ(daysFromToday(10), QStringLiteral("1w 3d"));
    EXPECT_EQ(daysFromToday(14), QStringLiteral("2w"));
    EXPECT_EQ(daysFromToday(15), QStringLiteral("2w 1d"));
    EXPECT_EQ(daysFromToday(-3), QStringLiteral("-3d"));
    EXPECT_EQ(daysFromToday(20), QStringLiteral("2w 6d"));  // across the change to summer time
    EXPECT_EQ(daysFromToday(5), QStringLiteral("5d"));
}

TEST_F(DateTransformersTest, registersTheTransformersByName) {
    registerNaturalLanguageValueTransformers();
    for (const char* name : {"TDNaturalLanguageDate", "TDNaturalLanguageFutureDate",
                             "TDNaturalLanguageDaysFromToday", "TDNaturalLanguageTimeInterval"}) {
        const auto transformer = platform::valueTransformerForName(QString::fromLatin1(name));
        ASSERT_TRUE(transformer) << name;
        EXPECT_TRUE(transformer->allowsReverseTransformation()) << name;
    }
    EXPECT_EQ(platform::valueTransformerForName(QStringLiteral("TDNaturalLanguageFutureDate"))
                  ->reverseTransformedValue(QStringLiteral("jan 5"))
                  .toDateTime(),
              QDate(2028, 1, 5).startOfDay());
}

}  // namespace
