#include "model/recurrence_rule.h"
#include "tests/support/test_environment.h"

#include <QSet>
#include <QTimeZone>

#include <functional>

namespace {

using Rule = TDRecurrenceRule;

QDateTime localDate(int y, int m, int d) {
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}

TDRecurrenceEnd countEnd(quint64 count) {
    return TDRecurrenceEnd::recurrenceEndWithOccurrenceCount(count).value();
}

// The dictionary of a valid daily rule, for tests that spoil one field at a time.
QVariantMap validDailyMap() {
    Rule rule = Rule::initDailyRecurrenceWithInterval(1).value();
    rule.setNextStartDate(localDate(2024, 3, 4));
    return rule.toVariantMap();
}

QVariantMap nth(QVariant weekDay, QVariant week) {
    return {{QStringLiteral("dayOfTheWeek"), weekDay}, {QStringLiteral("weekNumber"), week}};
}

TEST(RecurrenceRuleFactories, DropDuplicatesKeepingWeekdayOrderAndSortingOtherLists) {
    const Rule weekly = Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{5, 2, 5}).value();
    EXPECT_EQ(weekly.daysOfTheWeek(), (QList<int>{5, 2}));
    const Rule monthly = Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{15, 1, 15}).value();
    EXPECT_EQ(monthly.daysOfTheMonth(), (QList<int>{1, 15}));
    const Rule yearly =
        Rule::initYearlyRecurrenceWithInterval(1, QList<int>{3}, QList<int>{12, 3, 12}).value();
    EXPECT_EQ(yearly.monthsOfTheYear(), (QList<int>{3, 12}));
    const TDNthWeekDay lastFriday = TDNthWeekDay::nthWeekDayWithWeekDay(6, -1).value();
    const TDNthWeekDay firstMonday = TDNthWeekDay::nthWeekDayWithWeekDay(2, 1).value();
    const Rule nthRule =
        Rule::initMonthlyRecurrenceWithInterval(1, QList<TDNthWeekDay>{firstMonday, lastFriday, firstMonday})
            .value();
    EXPECT_EQ(nthRule.nthWeekDaysOfTheMonth(), (QList<TDNthWeekDay>{lastFriday, firstMonday}));
    EXPECT_FALSE(weekly.daysOfTheMonth().has_value());
    EXPECT_EQ(Rule::initWeeklyRecurrenceWithInterval(1).value().daysOfTheWeek(), std::nullopt);
}

TEST(RecurrenceRuleFactories, RefuseBadArgumentsWithTheirMessage) {
    const struct {
        const char* name;
        std::function<Result<Rule>()> make;
        const char* message;
    } cases[] = {
        {"interval 0", [] { return Rule::initDailyRecurrenceWithInterval(0); },
         "Recurrence interval cannot be 0"},
        {"day 0", [] { return Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{0}); },
         "Day of month must be between 1 and 31"},
        {"day 32",
         [] {
             return Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{1, 32});
         },
         "Day of month must be between 1 and 31"},
        {"weekday 8",
         [] {
             return Rule::initWeeklyRecurrenceWithInterval(2, QList<int>{2, 8});
         },
         "Weekday must be between 1 and 7"},
        {"month 13", [] { return Rule::initYearlyRecurrenceWithInterval(1, QList<int>{3}, QList<int>{13}); },
         "Month must be between 1 and 12"},
        {"week 5", [] { return Rule::initMonthlyRecurrenceWithInterval(1, quint64(2), qint64(5)); },
         "Week must be 1, 2, 3, 4, or -1"},
        {"weekday tested before week",
         [] { return Rule::initMonthlyRecurrenceWithInterval(1, quint64(0), qint64(5)); },
         "Weekday must be between 1 and 7"},
        {"week before months",
         [] { return Rule::initYearlyRecurrenceWithInterval(1, quint64(2), qint64(0), QList<int>{13}); },
         "Week must be 1, 2, 3, 4, or -1"},
        {"default nth weekday",
         [] { return Rule::initMonthlyRecurrenceWithInterval(1, QList<TDNthWeekDay>{{}}); },
         "Weekday must be between 1 and 7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result<Rule> rule = c.make();
        ASSERT_FALSE(rule.ok());
        EXPECT_EQ(rule.error().code, 401);
        EXPECT_EQ(rule.error().description, QString::fromLatin1(c.message));
    }
    EXPECT_EQ(TDRecurrenceEnd::recurrenceEndWithOccurrenceCount(0).error().description,
              QStringLiteral("Occurrence count of 0 not allowed when making a TDRecurrenceEnd object"));
    EXPECT_EQ(TDRecurrenceEnd::recurrenceEndWithEndDate(QDateTime()).error().description,
              QStringLiteral("Nil endDate not allowed when making a TDRecurrenceEnd object"));
}

TEST(RecurrenceRuleValidation, ReportsTheFirstFailedCheck) {
    const QString daysOfTheWeek = QStringLiteral("daysOfTheWeek");
    const QString daysOfTheMonth = QStringLiteral("daysOfTheMonth");
    const QString months = QStringLiteral("monthsOfTheYear");
    const QString nthDays = QStringLiteral("nthWeekDaysOfTheMonth");
    const QString type = QStringLiteral("recurrenceType");
    const struct {
        const char* name;
        QVariantMap changes;
        QStringList removed;
        const char* message;
    } cases[] = {
        {"never", {{type, 0}}, {}, "A recurrence rule that never repeats encountered."},
        {"after completion with an empty list",
         {{type, 2}, {QStringLiteral("repeatAfterCompletion"), true}, {daysOfTheWeek, QVariantList{}}},
         {},
         "Recurrence rule that repeats after completion contains unnecessary values."},
        {"after completion with a first weekday",
         {{QStringLiteral("repeatAfterCompletion"), true}, {QStringLiteral("firstDayOfTheWeek"), 1}},
         {},
         "Recurrence rule that repeats after completion contains unnecessary values."},
        {"no next start",
         {},
         {QStringLiteral("nextStartDate")},
         "Next start date is nil for a rule that does not repeat after completion"},
        {"daily with an empty weekday list",
         {{daysOfTheWeek, QVariantList{}}},
         {},
         "Daily recurrence rule contains unnecessary values."},
        {"weekly with a first weekday",
         {{type, 2}, {QStringLiteral("firstDayOfTheWeek"), 1}},
         {},
         "Weekly recurrence rule contains unnecessary values."},
        {"monthly with months",
         {{type, 3}, {months, QVariantList{1}}},
         {},
         "Monthly recurrence rule contains unnecessary values."},
        {"yearly with weekdays",
         {{type, 4}, {daysOfTheWeek, QVariantList{2}}},
         {},
         "Yearly recurrence rule contains unnecessary values."},
        {"days and nth weekdays",
         {{type, 3}, {daysOfTheMonth, QVariantList{1}}, {nthDays, QVariantList{nth(2, 1)}}},
         {},
         "Both nthWeekDaysOfTheMonth and daysOfTheMonth present in recurrence rule"},
        {"interval 0", {{QStringLiteral("recurrenceInterval"), 0}}, {}, "Recurrence interval cannot be 0"},
        {"weekday 9",
         {{type, 2}, {daysOfTheWeek, QVariantList{2, 9}}},
         {},
         "Weekday must be between 1 and 7"},
        {"weekday twice",
         {{type, 2}, {daysOfTheWeek, QVariantList{2, 2}}},
         {},
         "Duplicate values found in days of the week array"},
        {"nth weekday 8",
         {{type, 3}, {nthDays, QVariantList{nth(8, 1)}}},
         {},
         "Weekday must be between 1 and 7"},
        {"nth week 5", {{type, 3}, {nthDays, QVariantList{nth(2, 5)}}}, {}, "Week must be 1, 2, 3, 4, or -1"},
        {"nth twice",
         {{type, 3}, {nthDays, QVariantList{nth(2, -1), nth(2, -1)}}},
         {},
         "Duplicate values found in nthWeekDays array"},
        {"day 0",
         {{type, 3}, {daysOfTheMonth, QVariantList{0}}},
         {},
         "Day of month must be between 1 and 31"},
        {"day twice",
         {{type, 3}, {daysOfTheMonth, QVariantList{3, 3}}},
         {},
         "Duplicate values found in days of the month array"},
        {"month 13",
         {{type, 4}, {daysOfTheMonth, QVariantList{1}}, {months, QVariantList{13}}},
         {},
         "Month must be between 1 and 12"},
        {"month twice",
         {{type, 4}, {daysOfTheMonth, QVariantList{1}}, {months, QVariantList{2, 2}}},
         {},
         "Duplicate values found in month array"},
        {"end with date and count",
         {{QStringLiteral("recurrenceEnd"), QVariantMap{{QStringLiteral("endDate"), localDate(2025, 1, 1)},
                                                        {QStringLiteral("occurrenceCount"), 3}}}},
         {},
         "Could not validate recurrence end. Occurrence count is greater than zero when an end date exists."},
        {"end with neither",
         {{QStringLiteral("recurrenceEnd"), QVariantMap{{QStringLiteral("occurrenceCount"), 0}}}},
         {},
         "Could not validate recurrence end. Occurrence count is zero when an end date does not exist."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QVariantMap map = validDailyMap();
        for (auto it = c.changes.cbegin(); it != c.changes.cend(); ++it) map.insert(it.key(), it.value());
        for (const QString& key : c.removed) map.remove(key);
        const Result<Rule> rule = Rule::fromVariantMap(map);
        ASSERT_TRUE(rule.ok()) << rule.error().description.toStdString();
        const Status status = rule->validate();
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.error().code, 401);
        EXPECT_EQ(status.error().description, QString::fromLatin1(c.message));
    }
}

TEST(RecurrenceRuleValidation, AcceptsWhatTheFactoriesMake) {
    Rule afterCompletion = Rule::initWeeklyRecurrenceWithInterval(2).value();
    afterCompletion.setRepeatAfterCompletion(true);
    EXPECT_TRUE(afterCompletion.validate().ok()) << "no next start date is needed after completion";

    Rule yearly = Rule::initYearlyRecurrenceWithInterval(
                      1, quint64(6), qint64(-1), QList<int>{3},
                      TDRecurrenceEnd::recurrenceEndWithEndDate(localDate(2030, 1, 1)).value())
                      .value();
    yearly.setNextStartDate(localDate(2024, 3, 29));
    EXPECT_TRUE(yearly.validate().ok());
    yearly.setRecurrenceEnd(countEnd(4));
    EXPECT_TRUE(yearly.validate().ok());
}

TEST(RecurrenceRuleDescription, ReadsAsEnglish) {
    const TDNthWeekDay lastFriday = TDNthWeekDay::nthWeekDayWithWeekDay(6, -1).value();
    const TDNthWeekDay firstMonday = TDNthWeekDay::nthWeekDayWithWeekDay(2, 1).value();
    const struct {
        Result<Rule> rule;
        const char* text;
    } cases[] = {
        {Rule::initDailyRecurrenceWithInterval(1), "Every day"},
        {Rule::initDailyRecurrenceWithInterval(3), "Every 3 days"},
        {Rule::initWeeklyRecurrenceWithInterval(1), "Every week"},
        {Rule::initWeeklyRecurrenceWithInterval(2, QList<int>{2, 5}), "Every 2 weeks on Monday and Thursday"},
        {Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{5, 1, 7}),
         "Every week on Thursday, Sunday, and Saturday"},
        {Rule::initMonthlyRecurrenceWithInterval(3, QList<int>{1, 22, 31}),
         "Every 3 months on the 1st, 22nd, and last day"},
        {Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{11, 12, 13}),
         "Every month on the 11th, 12th, and 13th"},
        {Rule::initMonthlyRecurrenceWithInterval(1, QList<int>{2, 3, 21, 23}),
         "Every month on the 2nd, 3rd, 21st, and 23rd"},
        {Rule::initMonthlyRecurrenceWithInterval(1, QList<TDNthWeekDay>{firstMonday, lastFriday}),
         "Every month on the last Friday and first Monday"},
        {Rule::initYearlyRecurrenceWithInterval(1, quint64(6), qint64(-1), QList<int>{3}),
         "Every year on the last Friday of March"},
        {Rule::initYearlyRecurrenceWithInterval(2, QList<int>{3}, QList<int>{6, 3}),
         "Every 2 years on the 3rd of March and June"},
        {Rule::initYearlyRecurrenceWithInterval(1), "Every year"},
        {Rule::fromVariantMap({{QStringLiteral("recurrenceType"), 9}}), "Unknown recurrence type"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.rule.ok());
        EXPECT_EQ(c.rule->recurrenceDescription(), QString::fromLatin1(c.text));
    }
    EXPECT_EQ(cases[0].rule->description(), QStringLiteral("<TDRecurrenceRule>: Every day"));
    EXPECT_EQ(countEnd(1).recurrenceEndDescription(), QStringLiteral("Ends after 1 time"));
    EXPECT_EQ(countEnd(3).recurrenceEndDescription(), QStringLiteral("Ends after 3 times"));
    EXPECT_EQ(TDRecurrenceEnd::recurrenceEndWithEndDate(localDate(2024, 3, 31))->recurrenceEndDescription(),
              QStringLiteral("Ends on 3/31/24"));
}

TEST(RecurrenceRuleDescription, SkipsValuesOutOfRange) {
    const Result<Rule> rule =
        Rule::fromVariantMap({{QStringLiteral("recurrenceType"), 2},
                              {QStringLiteral("recurrenceInterval"), 1},
                              {QStringLiteral("daysOfTheWeek"), QVariantList{0, 2, 8}}});
    ASSERT_TRUE(rule.ok());
    EXPECT_EQ(rule->recurrenceDescription(), QStringLiteral("Every week on Monday"));
}

TEST(RecurrenceRuleEquality, EqualRulesHashEqually) {
    const auto monthly = [](QList<int> days) {
        Rule rule = Rule::fromVariantMap({{QStringLiteral("recurrenceType"), 3},
                                          {QStringLiteral("recurrenceInterval"), 1},
                                          {QStringLiteral("daysOfTheMonth"),
                                           QVariant::fromValue(QVariantList(days.begin(), days.end()))}})
                        .value();
        rule.setNextStartDate(localDate(2024, 1, 1));
        return rule;
    };
    const Rule a = monthly({1, 15, 31});
    const Rule b = monthly({31, 1, 15});
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a), qHash(b));
    EXPECT_EQ(QSet<Rule>({a, b}).size(), 1);

    const auto yearly = [](QList<int> months) {
        return Rule::initYearlyRecurrenceWithInterval(1, QList<int>{1}, months).value();
    };
    Rule c = yearly({3, 6});
    Rule d = Rule::fromVariantMap(c.toVariantMap()).value();
    QVariantMap reversed = d.toVariantMap();
    reversed.insert(QStringLiteral("monthsOfTheYear"), QVariantList{6, 3});
    d = Rule::fromVariantMap(reversed).value();
    EXPECT_EQ(c, d);
    EXPECT_EQ(qHash(c), qHash(d));

    // The same instant in another time zone is the same next start.
    Rule e = Rule::initDailyRecurrenceWithInterval(1).value();
    Rule f = e;
    e.setNextStartDate(QDateTime(QDate(2024, 3, 4), QTime(6, 0), QTimeZone("America/New_York")));
    f.setNextStartDate(QDateTime(QDate(2024, 3, 4), QTime(12, 0)));
    EXPECT_EQ(e, f);
    EXPECT_EQ(qHash(e), qHash(f));
}

TEST(RecurrenceRuleEquality, WeekdayOrderAbsentListsAndEveryFieldCount) {
    const Rule mondayThursday = Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{2, 5}).value();
    EXPECT_NE(mondayThursday, Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{5, 2}).value());
    EXPECT_NE(Rule::initWeeklyRecurrenceWithInterval(1).value(),
              Rule::initWeeklyRecurrenceWithInterval(1, QList<int>{}).value());

    const Rule base = Rule::initDailyRecurrenceWithInterval(1).value();
    const std::function<void(Rule&)> changes[] = {
        [](Rule& r) { r.setHasDueDate(true); },
        [](Rule& r) { r.setRepeatAfterCompletion(true); },
        [](Rule& r) { r.setTimeIntervalBetweenStartAndDueDates(0.5); },
        [](Rule& r) { r.setNextStartDate(localDate(2024, 1, 1)); },
        [](Rule& r) { r.setRecurrenceEnd(countEnd(2)); },
    };
    for (const auto& change : changes) {
        Rule changed = base;
        change(changed);
        EXPECT_NE(base, changed);
    }
    EXPECT_NE(base, Rule::initDailyRecurrenceWithInterval(2).value());
    EXPECT_NE(base, Rule::initWeeklyRecurrenceWithInterval(1).value());
    EXPECT_NE(countEnd(2), countEnd(3));
}

TEST(RecurrenceRuleDictionary, ReadsBackEqual) {
    const TDNthWeekDay secondTuesday = TDNthWeekDay::nthWeekDayWithWeekDay(3, 2).value();
    Rule rule = Rule::initYearlyRecurrenceWithInterval(2, QList<TDNthWeekDay>{secondTuesday},
                                                       QList<int>{4, 10}, countEnd(7))
                    .value();
    rule.setNextStartDate(QDateTime(QDate(2024, 4, 9), QTime(0, 0)));
    rule.setHasDueDate(true);
    rule.setTimeIntervalBetweenStartAndDueDates(2 * 86400.0);
    const Result<Rule> read = Rule::fromVariantMap(rule.toVariantMap());
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value(), rule);
    EXPECT_EQ(read->nthWeekDaysOfTheMonth(), QList<TDNthWeekDay>{secondTuesday});
    EXPECT_FALSE(read->daysOfTheWeek().has_value());

    Rule weekly =
        Rule::initWeeklyRecurrenceWithInterval(
            1, QList<int>{}, TDRecurrenceEnd::recurrenceEndWithEndDate(localDate(2025, 6, 1)).value())
            .value();
    weekly.setRepeatAfterCompletion(true);
    const Result<Rule> readWeekly = Rule::fromVariantMap(weekly.toVariantMap());
    ASSERT_TRUE(readWeekly.ok());
    EXPECT_EQ(readWeekly.value(), weekly);
    EXPECT_EQ(readWeekly->daysOfTheWeek(), QList<int>{}) << "an empty list stays present";
}

TEST(RecurrenceRuleDictionary, RefusesMalformedFields) {
    QVariantList tooLong;
    for (int i = 0; i < 101; ++i) tooLong.append(1);
    const struct {
        const char* key;
        QVariant value;
    } cases[] = {
        {"recurrenceType", QStringLiteral("2")},
        {"recurrenceType", qlonglong(1) << 40},
        {"recurrenceType", 2.0},
        {"recurrenceInterval", -1},
        {"recurrenceInterval", true},
        {"firstDayOfTheWeek", QStringLiteral("x")},
        {"daysOfTheWeek", QStringLiteral("2")},
        {"daysOfTheWeek", QVariantList{2, QStringLiteral("5")}},
        {"daysOfTheMonth", QVariantList{qlonglong(1) << 40}},
        {"monthsOfTheYear", tooLong},
        {"monthsOfTheYear", QVariantMap{}},
        {"nthWeekDaysOfTheMonth", QVariantList{3}},
        {"nthWeekDaysOfTheMonth", QVariantList{nth(QStringLiteral("x"), 1)}},
        {"nthWeekDaysOfTheMonth", QVariantList{nth(2, 1.5)}},
        {"nthWeekDaysOfTheMonth", nth(2, 1)},
        {"recurrenceEnd", countEnd(2).occurrenceCount()},
        {"recurrenceEnd", QVariantMap{{QStringLiteral("endDate"), QStringLiteral("2024-01-01")}}},
        {"recurrenceEnd", QVariantMap{{QStringLiteral("occurrenceCount"), -3}}},
        {"nextStartDate", QStringLiteral("2024-01-01")},
        {"nextStartDate", QDate(2024, 1, 1)},
        {"repeatAfterCompletion", 1},
        {"hasDueDate", QStringLiteral("true")},
        {"timeIntervalBetweenStartAndDueDates", QStringLiteral("86400")},
        {"timeIntervalBetweenStartAndDueDates", std::numeric_limits<double>::quiet_NaN()},
        {"timeIntervalBetweenStartAndDueDates", std::numeric_limits<double>::infinity()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " = " + c.value.toString().toStdString());
        QVariantMap map = validDailyMap();
        map.insert(QString::fromLatin1(c.key), c.value);
        const Result<Rule> rule = Rule::fromVariantMap(map);
        ASSERT_FALSE(rule.ok());
        EXPECT_EQ(rule.error().code, 401);
        EXPECT_FALSE(rule.error().description.isEmpty());
    }
    EXPECT_EQ(Rule::fromVariantMap({{QStringLiteral("nthWeekDaysOfTheMonth"), QVariantList{3}}})
                  .error()
                  .description,
              QStringLiteral("Got another class when expecting TDNthWeekDay"));
}

}  // namespace
