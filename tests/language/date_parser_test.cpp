#include "language/date_parser.h"
#include "language/date_formatter.h"
#include "language/gregorian_calendar.h"
#include "language/natural_language_future_date_value_transformer.h"
#include "platform/base/clock.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Wednesday 10 March 2027, mid-morning, weeks starting on Monday.
const QDateTime kNow(QDate(2027, 3, 10), QTime(9, 30));

class DateParserTest : public ::testing::Test {
protected:
    void SetUp() override {
        TDClock::setShared(&m_clock);
        setSharedGregorianCalendar(&m_calendar);
    }
    void TearDown() override {
        setSharedGregorianCalendar(nullptr);
        TDClock::setShared(nullptr);
    }
    void setNow(QDate date) { m_clock.setNow(QDateTime(date, QTime(9, 30))); }

    static std::optional<QDate> parsed(const TDDateParser& parser, const char* text) {
        const std::optional<TDDateParser::Parsed> result = parser.parse(QString::fromUtf8(text));
        if (!result) return std::nullopt;
        EXPECT_EQ(result->date.time(), QTime(0, 0)) << text;
        return result->date.date();
    }
    static std::optional<QDate> future(const char* text) {
        const QVariant value = TDNaturalLanguageFutureDateValueTransformer::shared()->reverseTransformedValue(
            QString::fromUtf8(text));
        if (!value.isValid()) return std::nullopt;
        return value.toDateTime().date();
    }

    TDTestClock m_clock{kNow};
    TDGregorianCalendar m_calendar{2, 4};
};

struct Phrase {
    const char* text;
    std::optional<QDate> expected;
};

const QDate kToday(2027, 3, 10);

const Phrase kPhrases[] = {
    // Keywords and their short forms, any case, trimmed.
    {"tomorrow", kToday.addDays(1)},
    {"  Tomorrow \n", kToday.addDays(1)},
    {"Tom", kToday.addDays(1)},
    {"tomorow", kToday.addDays(1)},
    {"to", kToday.addDays(1)},
    {"today", kToday},
    {"T", kToday},
    {"yesterday", kToday.addDays(-1)},
    {"y", kToday.addDays(-1)},
    {"yes", kToday.addDays(-1)},
    {"yesterday at noon", kToday.addDays(-1)},
    {"ye", std::nullopt},
    {"weekend", QDate(2027, 3, 13)},
    // Relative amounts, forwards and back.
    {"in 3 days", kToday.addDays(3)},
    {"3 days", kToday.addDays(3)},
    {"3d", kToday.addDays(3)},
    {"three days", kToday.addDays(3)},
    {"in two weeks", kToday.addDays(14)},
    {"a week", kToday.addDays(7)},
    {"1.5 weeks", kToday.addDays(11)},
    {"2 weeks 3 days", kToday.addDays(17)},
    {"1w 2d", kToday.addDays(9)},
    {"1w2d", kToday.addDays(9)},
    {"3 days from now", kToday.addDays(3)},
    {"2m", QDate(2027, 5, 10)},
    {"1 year", QDate(2028, 3, 10)},
    {"-1 month", QDate(2027, 2, 10)},
    {"-3 days", kToday.addDays(-3)},
    {"3 days ago", kToday.addDays(-3)},
    {"a week ago", kToday.addDays(-7)},
    {"1w 2d ago", kToday.addDays(-9)},
    {"2 wed", std::nullopt},
    {"2 mon", std::nullopt},
    // Numeric dates in the order of M/d/yy; a four-digit first number is a year.
    {"12/25", QDate(2027, 12, 25)},
    {"3/2015", QDate(2015, 3, 1)},
    {"13/2015", std::nullopt},
    {"12/25/14", QDate(2014, 12, 25)},
    {"12/25/99", QDate(2099, 12, 25)},
    {"12/25/2014", QDate(2014, 12, 25)},
    {"2027-01-05", QDate(2027, 1, 5)},
    {"2015.3.7", QDate(2015, 3, 7)},
    {"0/5", std::nullopt},
    {"12/x", std::nullopt},
    {"2/30", std::nullopt},
    // Month names with a day and an optional year, in either order.
    {"jan 5", QDate(2027, 1, 5)},
    {"Jan. 5", QDate(2027, 1, 5)},
    {"January 5 2027", QDate(2027, 1, 5)},
    {"january 5, 2028", QDate(2028, 1, 5)},
    {"mar 2", QDate(2027, 3, 2)},
    {"5 jan", QDate(2027, 1, 5)},
    {"12december", QDate(2027, 12, 12)},
    {"5 jan 27", QDate(2027, 1, 5)},
    {"5 mar 27", QDate(2027, 3, 5)},
    {"5 dec 27", QDate(2027, 12, 5)},
    {"5 December 2030", QDate(2030, 12, 5)},
    {"feb 30", std::nullopt},
    {"march", std::nullopt},
    // Weekday names: the coming one, today included.
    {"wed", kToday},
    {"Wednesday", kToday},
    {"thu", kToday.addDays(1)},
    {"friday", kToday.addDays(2)},
    {"sun", kToday.addDays(4)},
    {"mon", kToday.addDays(5)},
    // "next" and a weekday: the coming one after today, a week on for today's own weekday.
    {"next thu", kToday.addDays(1)},
    {"next fri", kToday.addDays(2)},
    {"Next Tuesday", kToday.addDays(6)},
    {"next wed", kToday.addDays(7)},
    {"next  wednesday", kToday.addDays(7)},
    {"next", std::nullopt},
    {"next soon", std::nullopt},
    {"next march", std::nullopt},
    // Nothing.
    {"", std::nullopt},
    {"   ", std::nullopt},
    {"soon", std::nullopt},
    {"99999999999999999999 days", std::nullopt},
    {"20000 years", std::nullopt},
    {"1e999 days", std::nullopt},
};

TEST_F(DateParserTest, readsEveryPhraseFormFromAFixedToday) {
    for (const Phrase& phrase : kPhrases)
        EXPECT_EQ(parsed(TDDateParser::shared(), phrase.text), phrase.expected) << phrase.text;
}

TEST_F(DateParserTest, textLongerThanAnyDateIsNoneButWhiteSpaceAroundItDoesNotCount) {
    EXPECT_EQ(parsed(TDDateParser::shared(),
                     "tomorrow                                                              "
                     "                                                                      "
                     "                                                                      "
                     "                                                                      "),
              kToday.addDays(1));
    EXPECT_EQ(TDDateParser::shared().parse(QString(300, QLatin1Char('1'))), std::nullopt);
}

TEST_F(DateParserTest, weekendIsTodayOnASaturdayOrSunday) {
    setNow(QDate(2027, 3, 14));
    EXPECT_EQ(parsed(TDDateParser::shared(), "weekend"), QDate(2027, 3, 14));
    setNow(QDate(2027, 3, 13));
    EXPECT_EQ(parsed(TDDateParser::shared(), "weekend"), QDate(2027, 3, 13));
}

TEST_F(DateParserTest, relativeAmountsAcrossSummerTimeLandOnTheStartOfTheDay) {
    setNow(QDate(2027, 3, 26));
    const std::optional<TDDateParser::Parsed> result = TDDateParser::shared().parse(QStringLiteral("3 days"));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->date, QDate(2027, 3, 29).startOfDay());
}

TEST_F(DateParserTest, followsTheOrderOfTheShortDateFormat) {
    struct Case {
        const char* format;
        const char* text;
        std::optional<QDate> expected;
    };
    const Case cases[] = {
        {"dd.MM.yy", "25.12", QDate(2027, 12, 25)},    {"dd.MM.yy", "25.12.14", QDate(2014, 12, 25)},
        {"dd.MM.yy", "3.2015", QDate(2015, 3, 1)},     {"d/M/yyyy", "5/1/2028", QDate(2028, 1, 5)},
        {"yyyy/MM/dd", "2015/3/7", QDate(2015, 3, 7)}, {"yyyy/MM/dd", "3/7", QDate(2027, 3, 7)},
        {"yyyy/MM/dd", "2015/13", std::nullopt},       {"yyyy-MM-dd", "2015-3", QDate(2015, 3, 1)},
        {"dd.MM.yy", "2027-01-05", QDate(2027, 1, 5)}, {"d MMM y", "25.12", std::nullopt},
    };
    for (const Case& c : cases) {
        TDDateFormatter shortFormatter(TDDateFormatter::ShortStyle, TDDateFormatter::NoStyle,
                                       QLocale(QLocale::English, QLocale::UnitedStates));
        shortFormatter.setDateFormat(QString::fromLatin1(c.format));
        const TDDateParser parser(shortFormatter, TDDateFormatter::longDateFormatter());
        EXPECT_EQ(parsed(parser, c.text), c.expected) << c.format << " " << c.text;
    }
}

TEST_F(DateParserTest, readsMonthNamesOfTheLocale) {
    const QLocale german(QLocale::German, QLocale::Germany);
    TDDateFormatter shortFormatter(TDDateFormatter::ShortStyle, TDDateFormatter::NoStyle, german);
    TDDateFormatter longFormatter(TDDateFormatter::LongStyle, TDDateFormatter::NoStyle, german);
    const TDDateParser parser(shortFormatter, longFormatter);
    EXPECT_EQ(parsed(parser, "5. März"), QDate(2027, 3, 5));
    EXPECT_EQ(parsed(parser, "märz 5"), QDate(2027, 3, 5));
    EXPECT_EQ(parsed(parser, "5 dez 2027"), QDate(2027, 12, 5));
    EXPECT_EQ(parsed(parser, "25.12"), QDate(2027, 12, 25));
    EXPECT_EQ(parsed(parser, "fr"), QDate(2027, 3, 12));
}

TEST_F(DateParserTest, splitsNumericDateComponents) {
    EXPECT_EQ(splitNumericDateComponents(u"12/25/14"), (QList<int>{12, 25, 14}));
    EXPECT_EQ(splitNumericDateComponents(u"3.7"), (QList<int>{3, 7}));
    EXPECT_EQ(splitNumericDateComponents(u"2027-01-05"), (QList<int>{2027, 1, 5}));
    EXPECT_EQ(splitNumericDateComponents(u" 4 /5x"), (QList<int>{4, 5}));
    EXPECT_EQ(splitNumericDateComponents(u"0/5"), std::nullopt);
    EXPECT_EQ(splitNumericDateComponents(u"12/x"), std::nullopt);
    EXPECT_EQ(splitNumericDateComponents(u"1225"), std::nullopt);
}

TEST_F(DateParserTest, futureShiftMovesOnlyDatesThatHavePassed) {
    const Phrase cases[] = {
        {"jan 5", QDate(2028, 1, 5)},  // before this month: next year
        {"feb 28", QDate(2028, 2, 28)},
        {"mar 2", QDate(2027, 3, 2)},  // on or after the first of this month: stays
        {"dec 24", QDate(2027, 12, 24)},
        {"12/25/13", QDate(2013, 12, 25)},  // three numbers stay as typed
        {"jan 5 2027", QDate(2027, 1, 5)},  // so does a date with its year
        {"5 jan 27", QDate(2027, 1, 5)},
        {"11/2024", QDate(2024, 11, 1)},
        {"2/5", QDate(2028, 2, 5)},
        {"-3 days", QDate(2027, 3, 7)},  // counted back: stays in the past
        {"3 days ago", QDate(2027, 3, 7)},
        {"-1 month", QDate(2027, 2, 10)},
        {"tomorrow", QDate(2027, 3, 11)},
        {"mon", QDate(2027, 3, 15)},
        {"soon", std::nullopt},
    };
    for (const Phrase& phrase : cases) EXPECT_EQ(future(phrase.text), phrase.expected) << phrase.text;
}

TEST_F(DateParserTest, everyFormOfYesterdayIsExemptFromTheFutureShift) {
    setNow(QDate(2027, 4, 1));
    for (const char* text : {"y", "yes", "yest", "yesterday", "Yesterday "})
        EXPECT_EQ(future(text), QDate(2027, 3, 31)) << text;
}

TEST_F(DateParserTest, futureShiftOfTheTwentyNinthOfFebruaryGoesToTheNextYearThatHasIt) {
    setNow(QDate(2028, 4, 10));
    EXPECT_EQ(future("feb 29"), QDate(2032, 2, 29));
}

TEST_F(DateParserTest, futureTransformerReadsOnlyText) {
    EXPECT_FALSE(
        TDNaturalLanguageFutureDateValueTransformer::shared()->reverseTransformedValue(42).isValid());
    EXPECT_FALSE(
        TDNaturalLanguageFutureDateValueTransformer::shared()->reverseTransformedValue(QVariant()).isValid());
}

}  // namespace
