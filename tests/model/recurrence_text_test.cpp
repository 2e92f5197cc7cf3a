#include "language/recurrence_word_tables.h"
#include "model/natural_language_recurrence_rule_value_transformer.h"
#include "platform/transformers/value_transformer.h"
#include "tests/model/recurrence_fixture.h"

#include <QLocale>

namespace {

using Rule = TDRecurrenceRule;
using Transformer = TDNaturalLanguageRecurrenceRuleValueTransformer;

using modeltest::nthDay;

class RecurrenceTextTest : public modeltest::RecurrenceClockTest {
protected:
    RecurrenceTextTest() : RecurrenceClockTest(QDateTime(QDate(2024, 6, 12), QTime(9, 0))) {}
    static std::optional<Rule> read(const QString& text) {
        return Transformer::ruleFromString(text, QDateTime(QDate(2024, 6, 12), QTime(9, 0)));
    }
};

TEST_F(RecurrenceTextTest, ReadsTypedRepetitions) {
    const struct {
        const char* text;
        Result<Rule> expected;
    } cases[] = {
        {"daily", Rule::initDailyRecurrenceWithInterval(1)},
        {"Everyday", Rule::initDailyRecurrenceWithInterval(1)},
        {"every day", Rule::initDailyRecurrenceWithInterval(1)},
        {"every 3 days", Rule::initDailyRecurrenceWithInterval(3)},
        {"every sixteenth day", Rule::initDailyRecurrenceWithInterval(16)},
        {"every 9999 days", Rule::initDailyRecurrenceWithInterval(9999)},
        {"every 2w", Rule::initWeeklyRecurrenceWithInterval(2)},
        {"every week", Rule::initWeeklyRecurrenceWithInterval(1)},
        {"weekly", Rule::initWeeklyRecurrenceWithInterval(1)},
        {"every other week", Rule::initWeeklyRecurrenceWithInterval(2)},
        {"every two weeks", Rule::initWeeklyRecurrenceWithInterval(2)},
        {"every monday and thursday", Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{2, 5})},
        {"thursday and monday", Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{5, 2})},
        {"friday through monday", Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{6, 7, 1, 2})},
        {"mondays, wednesdays & fridays", Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{2, 4, 6})},
        {"every 2 weeks on tue and thurs", Rule::initWeeklyRecurrenceWithInterval(2, QList<int>{3, 5})},
        {"every second tuesday", Rule::initWeeklyRecurrenceWithInterval(2, QList<int>{3})},
        {"monthly", Rule::initMonthlyRecurrenceWithInterval(1)},
        {"on the 1 and 15", Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{1, 15})},
        {"on the 1st and 15th", Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{1, 15})},
        {"on the sixteenth", Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{16})},
        {"on the twenty-first", Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{21})},
        {"every 2 weeks on the 15", Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{15})},
        {"the 5th through 7th", Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{5, 6, 7})},
        {"the last day of the month", Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{31})},
        {"every 3 months on the 1st, 22nd, and last day",
         Rule::initMonthlyRecurrenceWithInterval(3, QList<int>{1, 22, 31})},
        {"the second tuesday of the month",
         Rule::initMonthlyRecurrenceWithInterval(1, quint64(3), qint64(2))},
        {"the first monday and last friday of the month",
         Rule::initMonthlyRecurrenceWithInterval(1, QList<TDNthWeekDay>{nthDay(2, 1), nthDay(6, -1)})},
        {"yearly on march 3", Rule::initYearlyRecurrenceWithInterval(1, QList<int>{3}, QList<int>{3})},
        {"march 3", Rule::initYearlyRecurrenceWithInterval(1, QList<int>{3}, QList<int>{3})},
        {"every year on the 15th", Rule::initYearlyRecurrenceWithInterval(1, QList<int>{15}, QList<int>{6})},
        {"every year on the last friday",
         Rule::initYearlyRecurrenceWithInterval(1, quint64(6), qint64(-1), QList<int>{6})},
        {"every year on the first monday and last friday",
         Rule::initYearlyRecurrenceWithInterval(1, QList<TDNthWeekDay>{nthDay(2, 1), nthDay(6, -1)},
                                                QList<int>{6})},
        {"every 2 years on the 3rd of march and june",
         Rule::initYearlyRecurrenceWithInterval(2, QList<int>{3}, QList<int>{3, 6})},
        {"the 1st of jan through mar",
         Rule::initYearlyRecurrenceWithInterval(1, QList<int>{1}, QList<int>{1, 2, 3})},
        {"annually", Rule::initYearlyRecurrenceWithInterval(1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<Rule> rule = read(QString::fromUtf8(c.text));
        ASSERT_TRUE(rule.has_value());
        EXPECT_EQ(*rule, c.expected.value()) << rule->recurrenceDescription().toStdString();
    }
}

TEST_F(RecurrenceTextTest, TextWithoutARepetitionGivesNoRule) {
    const QString longText = QStringLiteral("every day ") +
                             QString(Transformer::kMaximumTextLength, QLatin1Char(' ')) + QStringLiteral("x");
    for (const QString& text :
         {QString(), QStringLiteral("   "), QStringLiteral("never"), QStringLiteral(" Never "),
          QStringLiteral("hello"), QStringLiteral("every decade"), QStringLiteral("every 10000 days"),
          QStringLiteral("every 99999999999999999999999 days"), QStringLiteral("9,7104m"), longText}) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_FALSE(read(text).has_value());
    }
}

TEST_F(RecurrenceTextTest, HostileTextEndsQuickly) {
    // Each would send nested repetitions into exponential backtracking; here they simply finish.
    const QString inputs[] = {
        QString(199, QLatin1Char('1')) + QLatin1Char('x'),
        QStringLiteral("on the ") + QString(180, QLatin1Char('1')) + QStringLiteral(" days"),
        QStringLiteral("on the ") + QStringLiteral("1 ").repeated(90) + QStringLiteral("weeks"),
        QStringLiteral("1st").repeated(66) + QStringLiteral("!"),
        QStringLiteral("monday").repeated(33) + QStringLiteral("x"),
        QStringLiteral("every ") + QStringLiteral("first ").repeated(31) + QStringLiteral("days"),
        QStringLiteral("janfebmar").repeated(22),
        QStringLiteral("last ").repeated(39) + QStringLiteral("day"),
    };
    for (const QString& text : inputs) {
        ASSERT_LE(text.size(), Transformer::kMaximumTextLength);
        read(text);
    }
}

TEST_F(RecurrenceTextTest, RulesReadBackFromTheirDescriptions) {
    const Result<Rule> rules[] = {
        Rule::initDailyRecurrenceWithInterval(1),
        Rule::initDailyRecurrenceWithInterval(12),
        Rule::initWeeklyRecurrenceWithInterval(1),
        Rule::initWeeklyRecurrenceWithInterval(3),
        Rule::initWeeklyRecurrenceWithInterval(2, QList<int>{2, 5}),
        Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{5, 1, 7}),
        Rule::initMonthlyRecurrenceWithInterval(1),
        Rule::initMonthlyRecurrenceWithInterval(4),
        Rule::initMonthlyRecurrenceWithInterval(3, QList<int>{1, 22, 31}),
        Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{11, 12, 13, 16, 23}),
        Rule::initMonthlyRecurrenceWithInterval(2, quint64(3), qint64(2)),
        Rule::initMonthlyRecurrenceWithInterval(
            1, QList<TDNthWeekDay>{nthDay(2, 1), nthDay(6, -1), nthDay(4, 3)}),
        Rule::initYearlyRecurrenceWithInterval(1),
        Rule::initYearlyRecurrenceWithInterval(1, quint64(6), qint64(-1), QList<int>{3}),
        Rule::initYearlyRecurrenceWithInterval(2, QList<int>{3, 31}, QList<int>{3, 6, 12}),
        Rule::initYearlyRecurrenceWithInterval(5, QList<TDNthWeekDay>{nthDay(1, 4), nthDay(7, 1)},
                                               QList<int>{5, 9}),
    };
    for (const Result<Rule>& rule : rules) {
        const QString text = rule->recurrenceDescription();
        SCOPED_TRACE(text.toStdString());
        const std::optional<Rule> read = RecurrenceTextTest::read(text);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, rule.value()) << read->recurrenceDescription().toStdString();
        EXPECT_EQ(read->recurrenceDescription(), text);
    }
}

TEST_F(RecurrenceTextTest, TransformerIsRegisteredByName) {
    Transformer::registerTransformer();
    const auto transformer =
        platform::valueTransformerForName(QStringLiteral("TDNaturalLanguageRecurrenceRule"));
    ASSERT_TRUE(transformer);
    EXPECT_TRUE(transformer->allowsReverseTransformation());

    const QVariant rule = transformer->reverseTransformedValue(QStringLiteral("every year on the 15th"));
    ASSERT_EQ(rule.metaType(), QMetaType::fromType<Rule>());
    EXPECT_EQ(rule.value<Rule>().monthsOfTheYear(), QList<int>{6}) << "the clock's month";
    EXPECT_EQ(transformer->transformedValue(rule).toString(),
              QStringLiteral("Every year on the 15th of June"));

    EXPECT_FALSE(transformer->transformedValue(QVariant()).isValid());
    EXPECT_FALSE(transformer->transformedValue(QStringLiteral("every day")).isValid());
    EXPECT_FALSE(transformer->reverseTransformedValue(42).isValid());
    EXPECT_FALSE(transformer->reverseTransformedValue(QStringLiteral("never")).isValid());
}

TEST_F(RecurrenceTextTest, NamesAndNumbers) {
    EXPECT_EQ(Transformer::parseInterval(QString()), 1);
    EXPECT_EQ(Transformer::parseInterval(QStringLiteral(" third ")), 3);
    EXPECT_EQ(Transformer::parseInterval(QStringLiteral("12")), 12);
    EXPECT_EQ(Transformer::parseInterval(QStringLiteral("lots")), 0);
    EXPECT_EQ(Transformer::weekDayFromName(QStringLiteral("Sundays")), 1);
    EXPECT_EQ(Transformer::weekDayFromName(QStringLiteral("sat")), 7);
    EXPECT_EQ(Transformer::weekDayFromName(QStringLiteral("month")), 0);
    EXPECT_EQ(Transformer::monthFromName(QStringLiteral("Sept")), 9);
    EXPECT_EQ(Transformer::monthFromName(QStringLiteral("decade")), 0);
    EXPECT_EQ(Transformer::monthFromName(QStringLiteral("monday")), 0);
    EXPECT_EQ(Transformer::monthDayFromName(QStringLiteral("fourteenth")), 14);
    EXPECT_EQ(Transformer::monthDayFromName(QStringLiteral("15th")), 15);
    EXPECT_EQ(Transformer::monthDayFromName(QStringLiteral("may")), 0);
    qint64 interval = -5;
    int type = -5;
    Transformer::getInterval(&interval, &type, QStringLiteral("nothing here"));
    EXPECT_EQ(interval, 1);
    EXPECT_EQ(type, 0);
    Transformer::getInterval(nullptr, &type, QStringLiteral("daily"));
    EXPECT_EQ(type, 0) << "both out-parameters are required";
}

TEST_F(RecurrenceTextTest, EnglishNamesWorkInAnotherLanguage) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TDRebuildRecurrenceWordTables();
    const std::optional<Rule> german = read(QStringLiteral("montag und donnerstag"));
    const std::optional<Rule> english = read(QStringLiteral("every monday and thursday"));
    const std::optional<Rule> month = read(QStringLiteral("yearly on march 3"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TDRebuildRecurrenceWordTables();
    ASSERT_TRUE(german && english && month);
    EXPECT_EQ(german->daysOfTheWeek(), (QList<int>{2, 5}));
    EXPECT_EQ(english->daysOfTheWeek(), (QList<int>{2, 5}));
    EXPECT_EQ(month->monthsOfTheYear(), QList<int>{3});
}

}  // namespace
