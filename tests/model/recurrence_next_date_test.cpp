#include "model/recurrence_rule.h"
#include "tests/model/recurrence_fixture.h"

#include <QTimeZone>

#include <functional>

namespace {

using Rule = TDRecurrenceRule;

// Local (Berlin) time, as the test main sets the zone.
QDateTime at(int y, int m, int d, int h = 0, int min = 0, int s = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min, s));
}
QDateTime newYork(int y, int m, int d, int h = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, 0), QTimeZone("America/New_York"));
}

using modeltest::nthDay;

Rule scheduled(Result<Rule> made, const QDateTime& nextStart) {
    Rule rule = made.value();
    rule.setNextStartDate(nextStart);
    return rule;
}

class RecurrenceNextDateTest : public modeltest::RecurrenceClockTest {
protected:
    RecurrenceNextDateTest() : RecurrenceClockTest(at(2024, 6, 12, 15, 30)) {}
    static QDateTime nextStart(const Rule& rule, const QDateTime& after) {
        QDateTime start;
        rule.getNextRecurringStartDate(&start, nullptr, after);
        return start;
    }
};

struct NextCase {
    const char* name;
    std::function<Rule()> rule;
    QDateTime after;
    QDateTime expected;
};

TEST_F(RecurrenceNextDateTest, ScheduledRulesStepToTheNextAllowedDay) {
    const NextCase cases[] = {
        // Daily and the strictly-later comparison.
        {"daily every 3 from a Monday",
         [] { return scheduled(Rule::initDailyRecurrenceWithInterval(3), at(2024, 3, 4)); }, at(2024, 3, 4),
         at(2024, 3, 7)},
        {"candidate later than after is kept",
         [] { return scheduled(Rule::initDailyRecurrenceWithInterval(3), at(2024, 3, 4)); },
         at(2024, 3, 3, 23, 59, 59), at(2024, 3, 4)},
        {"daily catching up over years",
         [] { return scheduled(Rule::initDailyRecurrenceWithInterval(1), at(2000, 1, 1)); },
         at(2024, 6, 15, 12), at(2024, 6, 16)},
        // Weekly, with and without weekday lists.
        {"every 2 weeks Mon/Thu from Monday",
         [] {
             return scheduled(Rule::initWeeklyRecurrenceWithInterval(2, QList<int>{2, 5}), at(2024, 3, 4));
         },
         at(2024, 3, 4), at(2024, 3, 7)},
        {"every 2 weeks Mon/Thu from Thursday skips a week",
         [] {
             return scheduled(Rule::initWeeklyRecurrenceWithInterval(2, QList<int>{2, 5}), at(2024, 3, 7));
         },
         at(2024, 3, 7), at(2024, 3, 18)},
        {"the first listed weekday starts the cycle",
         [] {
             return scheduled(Rule::initWeeklyRecurrenceWithInterval(2, QList<int>{5, 2}), at(2024, 3, 4));
         },
         at(2024, 3, 4), at(2024, 3, 14)},
        {"every 3 weeks on Monday",
         [] { return scheduled(Rule::initWeeklyRecurrenceWithInterval(3, QList<int>{2}), at(2024, 3, 4)); },
         at(2024, 3, 4), at(2024, 3, 25)},
        {"weekly without days catches up to the first later multiple",
         [] { return scheduled(Rule::initWeeklyRecurrenceWithInterval(1), at(2024, 1, 1)); }, at(2024, 3, 11),
         at(2024, 3, 18)},
        {"weekly with an empty day list steps whole weeks",
         [] { return scheduled(Rule::initWeeklyRecurrenceWithInterval(2, QList<int>{}), at(2024, 1, 1)); },
         at(2024, 1, 1), at(2024, 1, 15)},
        // Monthly: month ends, leap years, intervals and nth weekdays.
        {"31st to the end of a leap February",
         [] {
             return scheduled(Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{31}), at(2024, 1, 31));
         },
         at(2024, 1, 31), at(2024, 2, 29)},
        {"31st to the end of a common February",
         [] {
             return scheduled(Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{31}), at(2023, 1, 31));
         },
         at(2023, 1, 31), at(2023, 2, 28)},
        {"last day of February back to the 31st",
         [] {
             return scheduled(Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{31}), at(2024, 2, 29));
         },
         at(2024, 2, 29), at(2024, 3, 31)},
        {"30th matches the last day of April",
         [] {
             return scheduled(Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{30, 31}),
                              at(2024, 3, 31));
         },
         at(2024, 3, 31), at(2024, 4, 30)},
        {"every 2 months on the 1st skips February",
         [] { return scheduled(Rule::initMonthlyRecurrenceWithInterval(2, QList<int>{1}), at(2024, 1, 15)); },
         at(2024, 1, 15), at(2024, 3, 1)},
        {"every 2 months across the year end",
         [] {
             return scheduled(Rule::initMonthlyRecurrenceWithInterval(2, QList<int>{10}), at(2024, 11, 10));
         },
         at(2024, 11, 10), at(2025, 1, 10)},
        {"every 12 months is the same month next year",
         [] {
             return scheduled(Rule::initMonthlyRecurrenceWithInterval(12, QList<int>{15}), at(2024, 1, 15));
         },
         at(2024, 1, 15), at(2025, 1, 15)},
        {"every 13 months counts months absolutely",
         [] {
             return scheduled(Rule::initMonthlyRecurrenceWithInterval(13, QList<int>{15}), at(2024, 1, 15));
         },
         at(2024, 1, 15), at(2025, 2, 15)},
        {"every 24 months on the first Monday",
         [] {
             return scheduled(Rule::initMonthlyRecurrenceWithInterval(24, quint64(2), qint64(1)),
                              at(2024, 1, 1));
         },
         at(2024, 1, 1), at(2026, 1, 5)},
        {"fourth Thursday",
         [] {
             return scheduled(Rule::initMonthlyRecurrenceWithInterval(1, quint64(5), qint64(4)),
                              at(2024, 11, 28));
         },
         at(2024, 11, 28), at(2024, 12, 26)},
        {"first Monday and last Friday: the Friday comes first",
         [] {
             return scheduled(
                 Rule::initMonthlyRecurrenceWithInterval(1, QList<TDNthWeekDay>{nthDay(2, 1), nthDay(6, -1)}),
                 at(2024, 1, 1));
         },
         at(2024, 1, 1), at(2024, 1, 26)},
        {"first Monday and last Friday: then the Monday",
         [] {
             return scheduled(
                 Rule::initMonthlyRecurrenceWithInterval(1, QList<TDNthWeekDay>{nthDay(2, 1), nthDay(6, -1)}),
                 at(2024, 1, 26));
         },
         at(2024, 1, 26), at(2024, 2, 5)},
        {"monthly without days steps from the next start, not the clamped day",
         [] { return scheduled(Rule::initMonthlyRecurrenceWithInterval(1), at(2024, 1, 31)); },
         at(2024, 3, 15), at(2024, 3, 31)},
        {"monthly without days clamps to February",
         [] { return scheduled(Rule::initMonthlyRecurrenceWithInterval(1), at(2024, 1, 31)); },
         at(2024, 1, 31), at(2024, 2, 29)},
        // Yearly.
        {"last Friday of March",
         [] {
             return scheduled(
                 Rule::initYearlyRecurrenceWithInterval(1, quint64(6), qint64(-1), QList<int>{3}),
                 at(2024, 3, 29));
         },
         at(2024, 3, 29), at(2025, 3, 28)},
        {"every 2 years on 29 February lands on the 28th",
         [] {
             return scheduled(Rule::initYearlyRecurrenceWithInterval(2, QList<int>{29}, QList<int>{2}),
                              at(2024, 2, 29));
         },
         at(2024, 2, 29), at(2026, 2, 28)},
        {"yearly on two months",
         [] {
             return scheduled(Rule::initYearlyRecurrenceWithInterval(1, QList<int>{3}, QList<int>{3, 9}),
                              at(2024, 3, 3));
         },
         at(2024, 3, 3), at(2024, 9, 3)},
        {"yearly without days from a leap day",
         [] { return scheduled(Rule::initYearlyRecurrenceWithInterval(1), at(2024, 2, 29)); },
         at(2024, 2, 29), at(2025, 2, 28)},
        {"yearly catching up returns to the leap day",
         [] { return scheduled(Rule::initYearlyRecurrenceWithInterval(1), at(2024, 2, 29)); }, at(2027, 3, 1),
         at(2028, 2, 29)},
        // Summer time in Berlin: the start stays at midnight.
        {"daily into the spring change",
         [] { return scheduled(Rule::initDailyRecurrenceWithInterval(1), at(2024, 3, 30)); }, at(2024, 3, 30),
         at(2024, 3, 31)},
        {"weekly over the spring change",
         [] { return scheduled(Rule::initWeeklyRecurrenceWithInterval(1), at(2024, 3, 25)); },
         at(2024, 3, 25), at(2024, 4, 1)},
        {"daily over the autumn change",
         [] { return scheduled(Rule::initDailyRecurrenceWithInterval(2), at(2024, 10, 26)); },
         at(2024, 10, 26), at(2024, 10, 28)},
        {"monthly day list over the autumn change",
         [] {
             return scheduled(Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{27}), at(2024, 9, 27));
         },
         at(2024, 9, 27), at(2024, 10, 27)},
        // Summer time in New York, counted in New York days.
        {"New York daily into the spring change",
         [] { return scheduled(Rule::initDailyRecurrenceWithInterval(1), newYork(2024, 3, 9)); },
         newYork(2024, 3, 9), newYork(2024, 3, 10)},
        {"New York evening is the next day in Berlin",
         [] { return scheduled(Rule::initDailyRecurrenceWithInterval(1), newYork(2024, 3, 9, 20)); },
         newYork(2024, 3, 9, 20), newYork(2024, 3, 10)},
        {"New York weekly over the autumn change",
         [] {
             return scheduled(Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{1}),
                              newYork(2024, 10, 27));
         },
         newYork(2024, 10, 27), newYork(2024, 11, 3)},
        {"New York last Sunday of the month",
         [] {
             return scheduled(Rule::initMonthlyRecurrenceWithInterval(1, quint64(1), qint64(-1)),
                              newYork(2024, 9, 29));
         },
         newYork(2024, 9, 29), newYork(2024, 10, 27)},
    };
    for (const NextCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QDateTime start = nextStart(c.rule(), c.after);
        ASSERT_TRUE(start.isValid());
        EXPECT_EQ(start, c.expected) << start.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(start.date(), c.expected.date());
        EXPECT_EQ(start.time(), QTime(0, 0));
    }
}

TEST_F(RecurrenceNextDateTest, RulesRepeatingAfterCompletionCountFromTheAfterDate) {
    const auto afterCompletion = [](Result<Rule> made) {
        Rule rule = made.value();
        rule.setRepeatAfterCompletion(true);
        return rule;
    };
    const NextCase cases[] = {
        {"weekly from a Wednesday afternoon",
         [&] { return afterCompletion(Rule::initWeeklyRecurrenceWithInterval(1)); }, at(2024, 3, 6, 17),
         at(2024, 3, 13)},
        {"every 3 days", [&] { return afterCompletion(Rule::initDailyRecurrenceWithInterval(3)); },
         at(2024, 2, 27, 9), at(2024, 3, 1)},
        {"monthly from the 31st", [&] { return afterCompletion(Rule::initMonthlyRecurrenceWithInterval(1)); },
         at(2024, 1, 31, 8), at(2024, 2, 29)},
        {"every 2 years from a leap day",
         [&] { return afterCompletion(Rule::initYearlyRecurrenceWithInterval(2)); }, at(2024, 2, 29, 8),
         at(2026, 2, 28)},
        {"New York late evening", [&] { return afterCompletion(Rule::initDailyRecurrenceWithInterval(1)); },
         newYork(2024, 11, 2, 23), newYork(2024, 11, 3)},
    };
    for (const NextCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(nextStart(c.rule(), c.after), c.expected);
    }
    // Without an after-date the clock's now counts.
    EXPECT_EQ(nextStart(afterCompletion(Rule::initDailyRecurrenceWithInterval(1)), {}), at(2024, 6, 13));
}

TEST_F(RecurrenceNextDateTest, DueDatesKeepTheirDistanceInCalendarDays) {
    const struct {
        const char* name;
        QDateTime nextStart;
        double offset;
        QDateTime expectedDue;
    } cases[] = {
        {"two days", at(2024, 5, 6), 2 * 86400.0, at(2024, 5, 9)},
        {"two days over the autumn change", at(2024, 10, 25), 2 * 86400.0, at(2024, 10, 28)},
        {"two days measured across the autumn change", at(2024, 10, 25), 2 * 86400.0 + 3600,
         at(2024, 10, 28)},
        {"two days measured across the spring change", at(2024, 3, 29), 2 * 86400.0 - 3600, at(2024, 4, 1)},
        {"same day", at(2024, 5, 6), 0, at(2024, 5, 7)},
        {"a day and a half counts as seconds", at(2024, 5, 6), 1.5 * 86400, at(2024, 5, 8)},
        {"New York two days over the spring change", newYork(2024, 3, 8), 2 * 86400.0, newYork(2024, 3, 11)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rule rule = scheduled(Rule::initDailyRecurrenceWithInterval(1), c.nextStart);
        rule.setHasDueDate(true);
        rule.setTimeIntervalBetweenStartAndDueDates(c.offset);
        QDateTime start, due;
        rule.getNextRecurringStartDate(&start, &due, c.nextStart);
        EXPECT_EQ(due, c.expectedDue) << due.toString(Qt::ISODate).toStdString();
    }
    Rule noDue = scheduled(Rule::initDailyRecurrenceWithInterval(1), at(2024, 5, 6));
    noDue.setTimeIntervalBetweenStartAndDueDates(86400);
    QDateTime start, due = at(2000, 1, 1);
    noDue.getNextRecurringStartDate(&start, &due, at(2024, 5, 6));
    EXPECT_EQ(start, at(2024, 5, 7));
    EXPECT_FALSE(due.isValid());
}

TEST_F(RecurrenceNextDateTest, SearchesThatFindNothingGiveNoDate) {
    const auto fromMap = [](QVariantMap map) {
        map.insert(QStringLiteral("nextStartDate"), at(2024, 1, 15));
        map.insert(QStringLiteral("hasDueDate"), true);
        return Rule::fromVariantMap(map).value();
    };
    const QString type = QStringLiteral("recurrenceType"), interval = QStringLiteral("recurrenceInterval");
    const Rule cases[] = {
        fromMap({{type, 4},
                 {interval, 1},
                 {QStringLiteral("daysOfTheMonth"), QVariantList{15}},
                 {QStringLiteral("monthsOfTheYear"), QVariantList{}}}),
        fromMap({{type, 4}, {interval, 1}, {QStringLiteral("daysOfTheMonth"), QVariantList{15}}}),
        fromMap({{type, 2}, {interval, 1}, {QStringLiteral("daysOfTheWeek"), QVariantList{9}}}),
        fromMap({{type, 3}, {interval, 1}, {QStringLiteral("daysOfTheMonth"), QVariantList{0}}}),
        fromMap({{type, 2}, {interval, 0}}),
        fromMap({{type, 7}, {interval, 1}}),
        fromMap({{type, 3}, {interval, qulonglong(1) << 62}}),
        fromMap({{type, 4},
                 {interval, qulonglong(1) << 62},
                 {QStringLiteral("daysOfTheMonth"), QVariantList{15}},
                 {QStringLiteral("monthsOfTheYear"), QVariantList{1}}}),
        fromMap({{type, 2},
                 {interval, std::numeric_limits<qulonglong>::max()},
                 {QStringLiteral("daysOfTheWeek"), QVariantList{2}}}),
    };
    for (const Rule& rule : cases) {
        SCOPED_TRACE(rule.toVariantMap().value(type).toInt());
        QDateTime start = at(2000, 1, 1), due = at(2000, 1, 1);
        rule.getNextRecurringStartDate(&start, &due, at(2024, 1, 15));
        EXPECT_FALSE(start.isValid());
        EXPECT_FALSE(due.isValid());
    }
}

TEST_F(RecurrenceNextDateTest, CatchingUpIsBounded) {
    const Rule weekly = scheduled(Rule::initWeeklyRecurrenceWithInterval(1), at(1800, 1, 6));
    EXPECT_EQ(nextStart(weekly, at(2024, 6, 12)), at(2024, 6, 17)) << "11 711 weeks are within the bound";
    const Rule daily = scheduled(Rule::initDailyRecurrenceWithInterval(1), at(1700, 1, 1));
    EXPECT_FALSE(nextStart(daily, at(2024, 6, 12)).isValid()) << "118 000 days are not";
}

TEST_F(RecurrenceNextDateTest, PredictsTheFirstAllowedDayOnOrAfterADay) {
    const struct {
        const char* name;
        Result<Rule> rule;
        QDateTime day;
        QDateTime expected;
    } cases[] = {
        {"weekly Monday asked on a Monday", Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{2}),
         at(2024, 3, 4, 15), at(2024, 3, 4)},
        {"weekly Monday asked on a Tuesday", Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{2}),
         at(2024, 3, 5), at(2024, 3, 11)},
        {"daily", Rule::initDailyRecurrenceWithInterval(4), at(2024, 3, 5, 10), at(2024, 3, 5)},
        {"monthly on the 31st in April", Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{31}),
         at(2024, 4, 3), at(2024, 4, 30)},
        {"every 2 months on the 1st", Rule::initMonthlyRecurrenceWithInterval(2, QList<int>{1}),
         at(2024, 1, 15), at(2024, 3, 1)},
        {"monthly second Tuesday", Rule::initMonthlyRecurrenceWithInterval(1, quint64(3), qint64(2)),
         at(2024, 3, 13), at(2024, 4, 9)},
        {"yearly on 15 March, asked in April",
         Rule::initYearlyRecurrenceWithInterval(1, QList<int>{15}, QList<int>{3}), at(2024, 4, 1),
         at(2025, 3, 15)},
        {"yearly without days", Rule::initYearlyRecurrenceWithInterval(3), at(2024, 4, 1, 9), at(2024, 4, 1)},
        {"New York weekly Sunday", Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{1}),
         newYork(2024, 3, 9, 21), newYork(2024, 3, 10)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.rule->predictedNextStartDateOnOrAfterDate(c.day), c.expected);
    }
    EXPECT_EQ(Rule::initDailyRecurrenceWithInterval(1)->predictedNextStartDateOnOrAfterDate(),
              at(2024, 6, 12));
    Rule afterCompletion = Rule::initDailyRecurrenceWithInterval(1).value();
    afterCompletion.setRepeatAfterCompletion(true);
    EXPECT_FALSE(afterCompletion.predictedNextStartDateOnOrAfterDate(at(2024, 3, 4)).isValid());
}

TEST_F(RecurrenceNextDateTest, WeekdayNumbersIgnoreTheFirstWeekdaySetting) {
    defaults().setValue(QStringLiteral("firstWeekday"), 2);
    const Rule sundays = scheduled(Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{1}), at(2024, 3, 3));
    EXPECT_EQ(nextStart(sundays, at(2024, 3, 3)), at(2024, 3, 10));
}

TEST(RecurrenceRuleEnd, CountsAndDatesEndTheRule) {
    Rule rule =
        Rule::initDailyRecurrenceWithInterval(1, TDRecurrenceEnd::recurrenceEndWithOccurrenceCount(5).value())
            .value();
    EXPECT_TRUE(rule.usesOccurrenceCount());
    EXPECT_TRUE(rule.decrementOccurrenceCount());
    EXPECT_EQ(rule.recurrenceEnd()->occurrenceCount(), 4u);
    rule.setRecurrenceEnd(TDRecurrenceEnd::recurrenceEndWithOccurrenceCount(2).value());
    EXPECT_TRUE(rule.decrementOccurrenceCount());
    EXPECT_FALSE(rule.decrementOccurrenceCount()) << "a count of 1 cannot go lower";
    EXPECT_EQ(rule.recurrenceEnd()->occurrenceCount(), 1u);

    const TDRecurrenceEnd dateEnd = TDRecurrenceEnd::recurrenceEndWithEndDate(at(2025, 1, 1)).value();
    rule.setRecurrenceEnd(dateEnd);
    EXPECT_FALSE(rule.usesOccurrenceCount());
    EXPECT_FALSE(rule.decrementOccurrenceCount());
    EXPECT_EQ(rule.recurrenceEnd(), dateEnd);
    rule.setRecurrenceEnd(std::nullopt);
    EXPECT_FALSE(rule.usesOccurrenceCount());
    EXPECT_FALSE(rule.decrementOccurrenceCount());
}

TEST(RecurrenceRuleEnd, WhichRulesCanRepeatAfterCompletion) {
    EXPECT_TRUE(Rule::initDailyRecurrenceWithInterval(2)->canRepeatAfterCompletion());
    EXPECT_TRUE(Rule::initWeeklyRecurrenceWithInterval(1)->canRepeatAfterCompletion());
    EXPECT_FALSE(Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{2})->canRepeatAfterCompletion());
    EXPECT_TRUE(Rule::initMonthlyRecurrenceWithInterval(1)->canRepeatAfterCompletion());
    EXPECT_FALSE(Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{2})->canRepeatAfterCompletion());
    EXPECT_FALSE(
        Rule::initMonthlyRecurrenceWithInterval(1, quint64(2), qint64(1))->canRepeatAfterCompletion());
    EXPECT_TRUE(Rule::initYearlyRecurrenceWithInterval(1)->canRepeatAfterCompletion());
    EXPECT_FALSE(
        Rule::initYearlyRecurrenceWithInterval(1, QList<int>{2}, QList<int>{3})->canRepeatAfterCompletion());
    EXPECT_FALSE(Rule().canRepeatAfterCompletion());
}

}  // namespace
