#include "language/natural_language_time_interval_value_transformer.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

class TimeIntervalTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        defaults().registerDefaults(
            {{QStringLiteral("secondsPerDay"), 28800}, {QStringLiteral("secondsPerWeek"), 144000}});
    }
    std::optional<double> read(const char* text) const {
        return m_transformer.secondsFromString(QString::fromUtf8(text));
    }
    QString write(double seconds) const { return m_transformer.stringFromSeconds(seconds); }

    TDNaturalLanguageTimeIntervalValueTransformer m_transformer;
};

TEST_F(TimeIntervalTest, readsDurationsInWorkDaysAndWeeks) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"1h 30m", 5400},
        {"90m", 5400},
        {"1.5", 5400},
        {"1.5h", 5400},
        {"90 mins", 5400},
        {"1h30m", 5400},
        {"2d", 2 * 28800},
        {"1w", 144000},
        {"1w 2d", 201600},
        {"30 min", 1800},
        {"2H", 7200},
        {"2 Hours", 7200},
        {"h", 3600},
        {".5h", 1800},
        {"1 week 1 day", 172800},
        {" 45m\n", 2700},
        {"0", 0},
        {"1h 2", 3600 + 7200},
        // Text that does not read whole is no duration; neither is a negative one.
        {"abc", std::nullopt},
        {"1h foo", std::nullopt},
        {"2 3", std::nullopt},
        {"1month", std::nullopt},
        {"-1h", std::nullopt},
        {"1h -30m", std::nullopt},
        {"", std::nullopt},
        {"  \t", std::nullopt},
        {"1.", std::nullopt},
        {"99999999999999999999w", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(read(text), expected) << text;
}

TEST_F(TimeIntervalTest, readsCalendarDaysWhenWorkDaysAreOff) {
    m_transformer.setUsesWorkHoursAndDays(false);
    EXPECT_EQ(read("2d"), 2 * 86400.0);
    EXPECT_EQ(read("1w"), 604800.0);
}

TEST_F(TimeIntervalTest, writesTheShortForm) {
    const std::pair<double, const char*> cases[] = {
        {0, ""},           {45, "1m"},       {600, "10m"},     {900, ".25h"},
        {2700, ".75h"},    {3600, "1h"},     {4200, "1h 10m"}, {5400, "1.5h"},
        {3599, "1h"},      {28800, "1d"},    {144000, "1w"},   {151200, "1w 1d"},
        {180000, "1w 2d"}, {64800, "2d 2h"}, {36000, "1d 2h"}, {144000 + 7800, "1w 1d"},
        {-5400, "-1.5h"},  {0.4, "1m"},
    };
    for (const auto& [seconds, expected] : cases)
        EXPECT_EQ(write(seconds), QString::fromUtf8(expected)) << seconds;
}

TEST_F(TimeIntervalTest, writesCalendarDaysWhenWorkDaysAreOff) {
    m_transformer.setUsesWorkHoursAndDays(false);
    EXPECT_EQ(write(86400), QStringLiteral("1d"));
    EXPECT_EQ(write(2 * 604800), QStringLiteral("2w"));
    EXPECT_EQ(write(86400 + 10 * 3600), QStringLiteral("1d 10h"));
}

TEST_F(TimeIntervalTest, writesFullWordsWhenAsked) {
    defaults().setValue(QStringLiteral("showFullDuration"), true);
    EXPECT_EQ(write(45), QStringLiteral("1 minute"));
    EXPECT_EQ(write(5400), QStringLiteral("1 hour 30 minutes"));
    EXPECT_EQ(write(3600), QStringLiteral("1 hour"));
    EXPECT_EQ(write(144000 + 28800 * 2 + 60), QStringLiteral("1 week 2 days 1 minute"));
}

TEST_F(TimeIntervalTest, roundTripsWhatItWrites) {
    for (double seconds : {60.0, 900.0, 4200.0, 5400.0, 28800.0, 64800.0, 144000.0, 288000.0})
        EXPECT_EQ(read(write(seconds).toUtf8().constData()), seconds) << seconds;
}

TEST_F(TimeIntervalTest, keepsMinutesOfAWorkDayThatIsNotWholeHours) {
    defaults().setValue(QStringLiteral("secondsPerDay"), 27000);  // 7.5 hours
    defaults().setValue(QStringLiteral("secondsPerWeek"), 135000);
    EXPECT_EQ(write(27000), QStringLiteral("1d"));
    EXPECT_EQ(write(27000 + 1800), QStringLiteral("1d .5h"));
    EXPECT_EQ(write(27000 + 600), QStringLiteral("1d 10m"));
    EXPECT_EQ(read("1d"), 27000.0);
}

// A work day or week given with a fraction counts its whole seconds, whether the setting was just
// made or read back from the settings file as text.
TEST_F(TimeIntervalTest, aFractionalWorkDayOrWeekCountsItsWholeSeconds) {
    for (const QVariant& day : {QVariant(27000.7), QVariant(QStringLiteral("27000.7"))}) {
        defaults().setValue(QStringLiteral("secondsPerDay"), day);
        defaults().setValue(QStringLiteral("secondsPerWeek"), day.typeId() == QMetaType::Double
                                                                  ? QVariant(135000.9)
                                                                  : QVariant(QStringLiteral("135000.9")));
        EXPECT_EQ(m_transformer.dayLength(), 27000) << day.toString().toStdString();
        EXPECT_EQ(m_transformer.weekLength(), 135000) << day.toString().toStdString();
        EXPECT_EQ(read("1d"), 27000.0);
        EXPECT_EQ(read("1w"), 135000.0);
        EXPECT_EQ(write(27000), QStringLiteral("1d"));
        EXPECT_EQ(write(135000 + 27000), QStringLiteral("1w 1d"));
    }
}

TEST_F(TimeIntervalTest, aWorkDayOrWeekOfZeroOrLessFallsBackToTheRegisteredValue) {
    defaults().setValue(QStringLiteral("secondsPerDay"), 0);
    defaults().setValue(QStringLiteral("secondsPerWeek"), -5);
    EXPECT_EQ(m_transformer.dayLength(), 28800);
    EXPECT_EQ(m_transformer.weekLength(), 144000);
    EXPECT_EQ(write(28800), QStringLiteral("1d"));
    EXPECT_EQ(read("1w"), 144000.0);
}

TEST_F(TimeIntervalTest, withoutRegisteredValuesTheDocumentedDefaultsHold) {
    platform::UserDefaults bare(tempPath() + QStringLiteral("/bare.conf"));
    platform::UserDefaults::setStandard(&bare);
    bare.setValue(QStringLiteral("secondsPerDay"), -1);
    EXPECT_EQ(m_transformer.dayLength(), 28800);
    EXPECT_EQ(m_transformer.weekLength(), 144000);
    platform::UserDefaults::setStandard(&defaults());
}

TEST_F(TimeIntervalTest, transformsValuesBothWays) {
    EXPECT_FALSE(m_transformer.transformedValue(QVariant()).isValid());
    EXPECT_EQ(m_transformer.transformedValue(5400).toString(), QStringLiteral("1.5h"));
    EXPECT_FALSE(m_transformer.transformedValue(std::numeric_limits<double>::infinity()).isValid());
    EXPECT_FALSE(m_transformer.transformedValue(std::numeric_limits<double>::quiet_NaN()).isValid());
    EXPECT_EQ(m_transformer.reverseTransformedValue(QStringLiteral("2h")).toDouble(), 7200.0);
    EXPECT_FALSE(m_transformer.reverseTransformedValue(7200).isValid());
    EXPECT_TRUE(m_transformer.allowsReverseTransformation());
}

}  // namespace
