#include "model/comparison_rule.h"
#include "model/compound_rule.h"
#include "platform/defaults/user_defaults.h"
#include "platform/predicates/comparison_predicate.h"
#include "platform/predicates/compound_predicate.h"
#include "tests/model/rule_test_support.h"

namespace {

using platform::ComparisonPredicate;
using platform::CompoundPredicate;
using platform::PredicatePtr;
using ruletest::RuleTest;
using ruletest::Thing;

std::shared_ptr<TRComparisonRule> leaf(const QString& keyPath, int condition, const QVariant& value = {},
                                       int ruleType = TRRuleTypeString) {
    auto rule = std::make_shared<TRComparisonRule>(ruleType);
    rule->setKeyPath(keyPath);
    rule->setConditionType(condition);
    rule->setValue(value);
    return rule;
}

bool matches(const TRRule& rule, const QVariantMap& task) {
    const PredicatePtr predicate = rule.predicate();
    EXPECT_TRUE(predicate);
    Thing thing(task);
    return predicate && predicate->evaluate(&thing);
}

QVariantMap titled(const QString& title) {
    return {{QStringLiteral("title"), title}};
}

TEST_F(RuleTest, ContainsMatchesTheTextLiterallyWhateverItsPatternCharacters) {
    struct Case {
        QString text;
        QString title;
        bool contained;
    };
    const Case cases[] = {
        {QStringLiteral("a*b?"), QStringLiteral("see A*B? here"), true},
        {QStringLiteral("a*b?"), QStringLiteral("a long b!"), false},  // "*" and "?" are no wildcards
        {QStringLiteral("a*b?"), QStringLiteral("ab?"), false},
        {QStringLiteral("C:\\temp"), QStringLiteral("file in c:\\TEMP\\x"), true},
        {QStringLiteral("C:\\temp"), QStringLiteral("C:temp"), false},  // the backslash is no escape
        {QStringLiteral("\\*"), QStringLiteral("a \\* b"), true},
        {QStringLiteral("\\*"), QStringLiteral("a * b"), false},
        {QStringLiteral("\\"), QStringLiteral("ends with \\"), true},
        {QString(), QStringLiteral("anything"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " in " + c.title.toStdString());
        EXPECT_EQ(matches(*leaf(QStringLiteral("title"), TRConditionContains, c.text), titled(c.title)),
                  c.contained);
        EXPECT_EQ(matches(*leaf(QStringLiteral("title"), TRConditionDoesNotContain, c.text), titled(c.title)),
                  !c.contained);
    }
    EXPECT_EQ(TRContainsPattern(QStringLiteral("a\\b*c?")), QStringLiteral("*a\\\\b\\*c\\?*"));

    // "does not contain" is NOT of the very LIKE of "contains".
    const PredicatePtr contains =
        leaf(QStringLiteral("title"), TRConditionContains, QStringLiteral("x"))->predicate();
    const PredicatePtr notContains =
        leaf(QStringLiteral("title"), TRConditionDoesNotContain, QStringLiteral("x"))->predicate();
    ASSERT_EQ(notContains->kind(), platform::Predicate::Kind::Compound);
    const auto& negation = static_cast<const CompoundPredicate&>(*notContains);
    EXPECT_EQ(negation.type(), CompoundPredicate::Type::Not);
    EXPECT_TRUE(negation.subpredicates().value(0)->isEqual(*contains));
}

TEST_F(RuleTest, ComparisonsAreCaseInsensitiveButNotDiacriticInsensitive) {
    const auto rule = leaf(QStringLiteral("title"), TRConditionEqualTo, QStringLiteral("café"));
    EXPECT_TRUE(matches(*rule, titled(QStringLiteral("CAFÉ"))));
    EXPECT_FALSE(matches(*rule, titled(QStringLiteral("cafe"))));
    const PredicatePtr comparisonPredicate = rule->predicate();
    const auto& comparison = static_cast<const ComparisonPredicate&>(*comparisonPredicate);
    EXPECT_EQ(comparison.options(), platform::ComparisonOptions(platform::ComparisonOption::CaseInsensitive));
}

TEST_F(RuleTest, ToManyLeavesTestMembershipWithoutCaseFolding) {
    auto isOneOf =
        leaf(QStringLiteral("tags"), TRConditionEqualTo, QStringLiteral("Home"), TRRuleTypeMultipleChoice);
    isOneOf->setKeyIsToManyRelationship(true);
    auto isNotOneOf = std::static_pointer_cast<TRComparisonRule>(isOneOf->copy());
    isNotOneOf->setConditionType(TRConditionNotEqualTo);

    const PredicatePtr membershipPredicate = isOneOf->predicate();
    const auto& membership = static_cast<const ComparisonPredicate&>(*membershipPredicate);
    EXPECT_EQ(membership.operatorType(), ComparisonPredicate::Operator::In);
    EXPECT_EQ(membership.leftExpression().constantValue(), QVariant(QStringLiteral("Home")));
    EXPECT_EQ(membership.rightExpression().text(), QStringLiteral("tags"));
    EXPECT_EQ(membership.options(), platform::ComparisonOptions());

    const QVariantMap tagged{
        {QStringLiteral("tags"), QVariantList{QStringLiteral("Home"), QStringLiteral("Work")}}};
    const QVariantMap otherCase{{QStringLiteral("tags"), QVariantList{QStringLiteral("home")}}};
    EXPECT_TRUE(matches(*isOneOf, tagged));
    EXPECT_FALSE(matches(*isOneOf, otherCase));
    EXPECT_FALSE(matches(*isNotOneOf, tagged));
    EXPECT_TRUE(matches(*isNotOneOf, otherCase));
}

TEST_F(RuleTest, RelativeDateBoundsCoverTheWholeCurrentDayAndFollowTheClock) {
    struct Case {
        int condition;
        QString value;
        QDateTime lower;
        QDateTime upper;
    };
    const Case cases[] = {
        {TRConditionToday, QString(), at(0, 0), at(1, 0)},
        {TRConditionYesterday, QString(), at(-1, 0), at(0, 0)},
        {TRConditionInTheLast, QStringLiteral("1d"), at(-1, 0), at(1, 0)},
        {TRConditionInTheLast, QStringLiteral("3w"), at(-21, 0), at(1, 0)},
        {TRConditionWithinTheNext, QStringLiteral("1d"), at(0, 0), at(2, 0)},
        {TRConditionWithinTheNext, QStringLiteral("2m"), at(0, 0),
         QDateTime(QDate(2026, 5, 12), QTime(0, 0))},
        {TRConditionInTheLast, QStringLiteral("1y"), QDateTime(QDate(2025, 3, 11), QTime(0, 0)), at(1, 0)},
        // A month back from 31 March is the calendar's answer, not 31 days.
        {TRConditionInTheLast, QStringLiteral("1m"), QDateTime(QDate(2026, 2, 28), QTime(0, 0)),
         QDateTime(QDate(2026, 4, 1), QTime(0, 0))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.condition);
        if (c.value == QLatin1String("1m")) clock->setNow(QDateTime(QDate(2026, 3, 31), QTime(12, 0)));
        auto rule = leaf(QStringLiteral("dueDate"), c.condition, c.value, TRRuleTypeDate);
        QDateTime lower;
        QDateTime upper;
        rule->getRelativeLowerBoundDate(&lower, &upper);
        EXPECT_EQ(lower, c.lower);
        EXPECT_EQ(upper, c.upper);
        EXPECT_TRUE(rule->hasRelativeDateRule());
    }

    // The same "today" rule, asked before and after midnight, moves with the day.
    auto today = leaf(QStringLiteral("dueDate"), TRConditionToday, QString(), TRRuleTypeDate);
    const QVariantMap dueWednesday{{QStringLiteral("dueDate"), at(0, 18)}};
    clock->setNow(at(0, 23, 59));
    EXPECT_TRUE(matches(*today, dueWednesday));
    clock->setNow(at(1, 0, 1));
    EXPECT_FALSE(matches(*today, dueWednesday));
    EXPECT_TRUE(matches(*today, {{QStringLiteral("dueDate"), at(1, 0)}}));
    EXPECT_FALSE(matches(*today, {{QStringLiteral("dueDate"), at(2, 0)}}));
    EXPECT_FALSE(matches(*today, {}));

    for (int fixed : {TRConditionLessThan, TRConditionGreaterThan, TRConditionIsNil})
        EXPECT_FALSE(leaf(QStringLiteral("dueDate"), fixed, at(0, 0), TRRuleTypeDate)->hasRelativeDateRule());
    // Only date leaves depend on today.
    EXPECT_FALSE(
        leaf(QStringLiteral("title"), TRConditionToday, QString(), TRRuleTypeString)->hasRelativeDateRule());
}

TEST_F(RuleTest, EncodedRelativeDatesAndTimeAmountsReadBackAndFallBack) {
    struct Case {
        QVariant value;
        qint64 quantity;
        QString dateUnit;
        double amount;
        QString amountUnit;
    };
    const Case cases[] = {
        {QStringLiteral("3w"), 3, QStringLiteral("w"), 3.0, QStringLiteral("w")},
        {QStringLiteral("12m"), 12, QStringLiteral("m"), 12.0, QStringLiteral("m")},
        {QStringLiteral("1.500000h"), 1, QStringLiteral("d"), 1.5, QStringLiteral("h")},
        {QStringLiteral("abc"), 1, QStringLiteral("d"), 1.0, QStringLiteral("h")},
        {QStringLiteral("5x"), 5, QStringLiteral("d"), 5.0, QStringLiteral("h")},
        {QStringLiteral("2dd"), 2, QStringLiteral("d"), 2.0, QStringLiteral("h")},
        {QStringLiteral("99999999999999999999999y"), 1, QStringLiteral("d"), 1e23, QStringLiteral("h")},
        {QVariant(qint64(7)), 1, QStringLiteral("d"), 1.0, QStringLiteral("h")},
        {QVariant(), 1, QStringLiteral("d"), 1.0, QStringLiteral("h")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.toString().toStdString());
        TRComparisonRule rule(TRRuleTypeDate);
        rule.setValue(c.value);
        EXPECT_EQ(rule.relativeDateQuantity(), c.quantity);
        EXPECT_EQ(rule.relativeDateUnit(), c.dateUnit);
        EXPECT_DOUBLE_EQ(rule.timeAmount(), c.amount);
        EXPECT_EQ(rule.timeAmountUnit(), c.amountUnit);
    }

    TRComparisonRule rule(TRRuleTypeDate);
    rule.setValue(QStringLiteral("3w"));
    rule.setRelativeDateQuantity(4);
    EXPECT_EQ(rule.value(), QVariant(QStringLiteral("4w")));
    rule.setRelativeDateUnit(QStringLiteral("m"));
    EXPECT_EQ(rule.value(), QVariant(QStringLiteral("4m")));

    TRComparisonRule amount(TRRuleTypeTimeAmount);
    amount.setValue(QStringLiteral("2m"));
    amount.setTimeAmount(1.5);
    EXPECT_EQ(amount.value(), QVariant(QStringLiteral("1.500000m")));
    amount.setTimeAmountUnit(QStringLiteral("h"));
    EXPECT_EQ(amount.value(), QVariant(QStringLiteral("1.500000h")));
}

TEST_F(RuleTest, TimeAmountsCompareInSecondsOfWorkingDaysAndWeeks) {
    struct Case {
        QString value;
        double seconds;
    };
    const Case cases[] = {
        {QStringLiteral("90m"), 5400},
        {QStringLiteral("1.5h"), 5400},
        {QStringLiteral("2d"), 2 * 28800},
        {QStringLiteral("1w"), 144000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.toStdString());
        auto atLeast = leaf(QStringLiteral("estimatedTime"), TRConditionGreaterThanOrEqualTo, c.value,
                            TRRuleTypeTimeAmount);
        EXPECT_DOUBLE_EQ(atLeast->timeAmountInSeconds(), c.seconds);
        const PredicatePtr comparisonPredicate = atLeast->predicate();
        const auto& comparison = static_cast<const ComparisonPredicate&>(*comparisonPredicate);
        EXPECT_DOUBLE_EQ(comparison.rightExpression().constantValue().toDouble(), c.seconds);
        EXPECT_TRUE(matches(*atLeast, {{QStringLiteral("estimatedTime"), c.seconds}}));
        EXPECT_FALSE(matches(*atLeast, {{QStringLiteral("estimatedTime"), c.seconds - 1}}));
    }
    // The working day follows the settings.
    defaults().setValue(QStringLiteral("secondsPerDay"), 3600);
    EXPECT_DOUBLE_EQ(leaf(QStringLiteral("estimatedTime"), TRConditionLessThanOrEqualTo, QStringLiteral("2d"),
                          TRRuleTypeTimeAmount)
                         ->timeAmountInSeconds(),
                     7200);
    // A fractional work day or week counts its whole seconds.
    defaults().setValue(QStringLiteral("secondsPerDay"), 3600.9);
    defaults().setValue(QStringLiteral("secondsPerWeek"), QStringLiteral("18000.5"));
    EXPECT_DOUBLE_EQ(leaf(QStringLiteral("estimatedTime"), TRConditionLessThanOrEqualTo, QStringLiteral("2d"),
                          TRRuleTypeTimeAmount)
                         ->timeAmountInSeconds(),
                     7200);
    EXPECT_DOUBLE_EQ(leaf(QStringLiteral("estimatedTime"), TRConditionLessThanOrEqualTo, QStringLiteral("1w"),
                          TRRuleTypeTimeAmount)
                         ->timeAmountInSeconds(),
                     18000);
    // Only time-amount leaves have seconds.
    EXPECT_EQ(leaf(QStringLiteral("title"), TRConditionEqualTo, QStringLiteral("2d"))->timeAmountInSeconds(),
              0);
}

TEST_F(RuleTest, CompoundRulesCombineTheirChildrenPredicates) {
    auto a = leaf(QStringLiteral("title"), TRConditionBeginsWith, QStringLiteral("a"));
    auto b = leaf(QStringLiteral("title"), TRConditionEndsWith, QStringLiteral("z"));
    auto all1 = TRCompoundRule::compoundRuleWithType(TRRuleTypeAll, {a});
    auto none1 = TRCompoundRule::compoundRuleWithType(TRRuleTypeNone, {a});
    auto none2 = TRCompoundRule::compoundRuleWithType(TRRuleTypeNone, {a->copy(), b->copy()});

    // One child: its predicate itself, not a one-element AND.
    EXPECT_TRUE(all1->predicate()->isEqual(*a->predicate()));
    EXPECT_EQ(all1->predicate()->kind(), platform::Predicate::Kind::Comparison);
    const PredicatePtr not1Predicate = none1->predicate();
    const auto& not1 = static_cast<const CompoundPredicate&>(*not1Predicate);
    EXPECT_EQ(not1.type(), CompoundPredicate::Type::Not);
    EXPECT_TRUE(not1.subpredicates().value(0)->isEqual(*a->predicate()));
    const PredicatePtr not2Predicate = none2->predicate();
    const auto& not2 = static_cast<const CompoundPredicate&>(*not2Predicate);
    ASSERT_EQ(not2.subpredicates().size(), 1);
    EXPECT_EQ(static_cast<const CompoundPredicate&>(*not2.subpredicates().first()).type(),
              CompoundPredicate::Type::Or);

    struct Case {
        int type;
        QString title;
        bool matches;
    };
    const Case cases[] = {
        {TRRuleTypeAll, QStringLiteral("abcz"), true},  {TRRuleTypeAll, QStringLiteral("abc"), false},
        {TRRuleTypeAny, QStringLiteral("abc"), true},   {TRRuleTypeAny, QStringLiteral("xyz"), true},
        {TRRuleTypeAny, QStringLiteral("xy"), false},   {TRRuleTypeNone, QStringLiteral("xy"), true},
        {TRRuleTypeNone, QStringLiteral("xyz"), false}, {TRRuleTypeNone, QStringLiteral("abc"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        auto rule = TRCompoundRule::compoundRuleWithType(c.type, {a->copy(), b->copy()});
        EXPECT_EQ(matches(*rule, titled(c.title)), c.matches);
    }

    // Nested: all(title starts with a, none(title ends with z)).
    auto nested = TRCompoundRule::compoundRuleWithType(
        TRRuleTypeAll, {a->copy(), TRCompoundRule::compoundRuleWithType(TRRuleTypeNone, {b->copy()})});
    EXPECT_TRUE(matches(*nested, titled(QStringLiteral("ab"))));
    EXPECT_FALSE(matches(*nested, titled(QStringLiteral("abz"))));
}

TEST_F(RuleTest, UnknownTypesAndConditionsYieldNoPredicateAndAreLeftOutOfCompounds) {
    EXPECT_FALSE(leaf(QStringLiteral("title"), 42, QStringLiteral("x"))->predicate());
    EXPECT_FALSE(TRCompoundRule::compoundRuleWithType(3, {leaf(QStringLiteral("title"), TRConditionIsNil)})
                     ->predicate());

    auto bad = leaf(QStringLiteral("title"), 42, QStringLiteral("x"));
    auto good = leaf(QStringLiteral("title"), TRConditionBeginsWith, QStringLiteral("a"));
    auto any = TRCompoundRule::compoundRuleWithType(TRRuleTypeAny, {bad, good});
    EXPECT_TRUE(any->predicate()->isEqual(*good->predicate()));
}

TEST_F(RuleTest, TreeQueriesAndRemovingTheLeavesOfADeletedGroup) {
    const QString a = QStringLiteral("group-A");
    const QString b = QStringLiteral("group-B");
    auto leafA = leaf(QStringLiteral("group"), TRConditionEqualTo, a, TRRuleTypeList);
    auto leafB = leaf(QStringLiteral("group"), TRConditionNotEqualTo, b, TRRuleTypeList);
    auto title = leaf(QStringLiteral("title"), TRConditionContains, a);
    auto innerA = leaf(QStringLiteral("group"), TRConditionEqualTo, a, TRRuleTypeList);
    auto inner = TRCompoundRule::compoundRuleWithType(TRRuleTypeAny, {innerA, leafB});
    auto root = TRCompoundRule::compoundRuleWithType(TRRuleTypeAll, {leafA, title, inner});

    EXPECT_TRUE(root->hasRuleWithKeyPath(QStringLiteral("group"), a));
    EXPECT_FALSE(root->hasRuleWithKeyPath(QStringLiteral("tag"), a));
    EXPECT_FALSE(root->hasRuleWithKeyPath(QStringLiteral("group"), QStringLiteral("group-C")));
    EXPECT_EQ(root->ruleValuesForKeyPath(QStringLiteral("group")), (QVariantList{a, b}));
    EXPECT_TRUE(root->ruleValuesForKeyPath(QStringLiteral("tag")).isEmpty());
    EXPECT_FALSE(root->hasRelativeDateRule());
    EXPECT_EQ(root->ruleDepth(), 0);
    EXPECT_EQ(innerA->ruleDepth(), 2);

    const TRRulePtr without = root->ruleByRemovingSubruleWithKeyPath(QStringLiteral("group"), a);
    auto* kept = dynamic_cast<TRCompoundRule*>(without.get());
    ASSERT_TRUE(kept);
    EXPECT_NE(without, root);
    EXPECT_EQ(kept->ruleType(), TRRuleTypeAll);
    ASSERT_EQ(kept->subrules().size(), 2);
    EXPECT_EQ(kept->subrules()[0], title);  // kept leaves are the same objects, now under the new tree
    EXPECT_EQ(title->parentRule(), kept);
    auto* keptInner = dynamic_cast<TRCompoundRule*>(kept->subrules()[1].get());
    ASSERT_TRUE(keptInner);
    EXPECT_EQ(keptInner->subrules(), (QList<TRRulePtr>{leafB}));
    EXPECT_EQ(root->subrules().size(), 3);  // the original tree is left as it was

    // all(group is A, any(group is A)) loses both leaves and keeps the empty any.
    auto pair = TRCompoundRule::compoundRuleWithType(
        TRRuleTypeAll,
        {leafA->copy(), TRCompoundRule::compoundRuleWithType(TRRuleTypeAny, {innerA->copy()})});
    const TRRulePtr emptied = pair->ruleByRemovingSubruleWithKeyPath(QStringLiteral("group"), a);
    auto* emptiedAll = dynamic_cast<TRCompoundRule*>(emptied.get());
    ASSERT_TRUE(emptiedAll);
    ASSERT_EQ(emptiedAll->subrules().size(), 1);
    auto* emptyAny = dynamic_cast<TRCompoundRule*>(emptiedAll->subrules()[0].get());
    ASSERT_TRUE(emptyAny);
    EXPECT_EQ(emptyAny->ruleType(), TRRuleTypeAny);
    EXPECT_TRUE(emptyAny->subrules().isEmpty());

    // A lone leaf naming the group goes entirely.
    EXPECT_FALSE(leafA->ruleByRemovingSubruleWithKeyPath(QStringLiteral("group"), a));
    EXPECT_EQ(leafB->ruleByRemovingSubruleWithKeyPath(QStringLiteral("group"), a), leafB);
}

TEST_F(RuleTest, ChildrenKeepTheirParentLinksThroughEditsCopiesAndRelease) {
    auto root = std::make_shared<TRCompoundRule>(TRRuleTypeAll);
    auto first = leaf(QStringLiteral("title"), TRConditionContains, QStringLiteral("1"));
    auto second = leaf(QStringLiteral("title"), TRConditionContains, QStringLiteral("2"));
    auto third = leaf(QStringLiteral("title"), TRConditionContains, QStringLiteral("3"));
    auto fourth = leaf(QStringLiteral("title"), TRConditionContains, QStringLiteral("4"));
    root->addSubrule(fourth);
    root->insertSubrule(first, 0);
    root->insertSubrules({second, third}, 1);
    EXPECT_EQ(root->subrules(), (QList<TRRulePtr>{first, second, third, fourth}));
    for (const TRRulePtr& rule : root->subrules()) EXPECT_EQ(rule->parentRule(), root.get());
    root->removeSubrule(third);
    EXPECT_EQ(third->parentRule(), nullptr);
    EXPECT_EQ(root->subrules(), (QList<TRRulePtr>{first, second, fourth}));

    auto outer = TRCompoundRule::compoundRuleWithType(TRRuleTypeAny, {root});
    const TRRulePtr copy = outer->copy();
    auto* copiedOuter = static_cast<TRCompoundRule*>(copy.get());
    auto* copiedRoot = static_cast<TRCompoundRule*>(copiedOuter->subrules()[0].get());
    EXPECT_NE(copiedOuter->subrules()[0], root);
    EXPECT_EQ(copiedRoot->parentRule(), copiedOuter);
    ASSERT_EQ(copiedRoot->subrules().size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(copiedRoot->subrules()[i], root->subrules()[i]);
        EXPECT_EQ(copiedRoot->subrules()[i]->parentRule(), copiedRoot);
        EXPECT_TRUE(copiedRoot->subrules()[i]->predicate()->isEqual(*root->subrules()[i]->predicate()));
    }
    // A copy of a child keeps the parent link of the rule it was made from.
    EXPECT_EQ(first->copy()->parentRule(), root.get());
    // Editing the copy leaves the original alone.
    static_cast<TRComparisonRule&>(*copiedRoot->subrules()[0]).setValue(QStringLiteral("changed"));
    EXPECT_EQ(first->value(), QVariant(QStringLiteral("1")));

    const QString text = outer->description();
    EXPECT_TRUE(text.startsWith(QStringLiteral("  TRCompoundRule: <")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n    TRCompoundRule: <")));
    EXPECT_TRUE(text.contains(QStringLiteral("      TRComparisonRule <0x")));
    EXPECT_TRUE(text.contains(QStringLiteral(">: title -- 2\n")));

    outer.reset();
    root.reset();
    EXPECT_EQ(first->parentRule(), nullptr);
}

}  // namespace
