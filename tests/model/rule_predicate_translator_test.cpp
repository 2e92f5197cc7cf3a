#include "model/rule_predicate_translator.h"
#include "model/comparison_rule.h"
#include "model/compound_rule.h"
#include "platform/predicates/comparison_predicate.h"
#include "tests/model/rule_test_support.h"

namespace {

using platform::PredicatePtr;
using ruletest::FakeGroupLookup;
using ruletest::RuleTest;
using ruletest::Thing;
using Kind = TDRuleGroupReference::Kind;

TRRulePtr groupLeaf(const QString& uid, int condition = TRConditionEqualTo, const char* keyPath = "group") {
    auto rule = std::make_shared<TRComparisonRule>(TRRuleTypeList);
    rule->setKeyPath(QString::fromLatin1(keyPath));
    rule->setConditionType(condition);
    rule->setValue(uid);
    return rule;
}

TRRulePtr titleContains(const QString& text) {
    auto rule = std::make_shared<TRComparisonRule>(TRRuleTypeString);
    rule->setKeyPath(QStringLiteral("title"));
    rule->setConditionType(TRConditionContains);
    rule->setValue(text);
    return rule;
}

TRRulePtr anyOf(const QList<TRRulePtr>& rules) {
    return TRCompoundRule::compoundRuleWithType(TRRuleTypeAny, rules);
}

// Counts the look-ups of each UID, to show that a smart folder named twice is translated once.
class CountingLookup : public FakeGroupLookup {
public:
    TDRuleGroupReference groupWithUID(const QString& uid) const override {
        ++calls[uid];
        return FakeGroupLookup::groupWithUID(uid);
    }
    mutable QHash<QString, int> calls;
};

// Two lists in a folder, a list outside it, a tag bundle with two tags and one more tag; one task per
// list, tagged in different ways.
class RuleTranslation : public RuleTest {
protected:
    void SetUp() override {
        RuleTest::SetUp();
        lookup.groups.insert(QStringLiteral("L1"), ruletest::groupReference(Kind::List, l1.variant()));
        lookup.groups.insert(QStringLiteral("L2"), ruletest::groupReference(Kind::List, l2.variant()));
        lookup.groups.insert(QStringLiteral("L3"), ruletest::groupReference(Kind::List, l3.variant()));
        lookup.groups.insert(QStringLiteral("T1"), ruletest::groupReference(Kind::Tag, t1.variant()));
        lookup.groups.insert(QStringLiteral("T2"), ruletest::groupReference(Kind::Tag, t2.variant()));
        lookup.groups.insert(QStringLiteral("T3"), ruletest::groupReference(Kind::Tag, t3.variant()));
        TDRuleGroupReference bundle = ruletest::groupReference(Kind::TagBundle);
        bundle.descendentTags = {t1.variant(), t2.variant()};
        lookup.groups.insert(QStringLiteral("bundle"), bundle);
        TDRuleGroupReference folder = ruletest::groupReference(Kind::Folder);
        folder.descendentLists = {l1.variant(), l2.variant()};
        lookup.groups.insert(QStringLiteral("folder"), folder);

        task1.values = {{QStringLiteral("title"), QStringLiteral("one")},
                        {QStringLiteral("list"), l1.variant()},
                        {QStringLiteral("tags"), QVariantList{t1.variant()}},
                        {QStringLiteral("priority"), 2}};
        task2.values = {{QStringLiteral("title"), QStringLiteral("two")},
                        {QStringLiteral("list"), l2.variant()},
                        {QStringLiteral("tags"), QVariantList{t3.variant()}},
                        {QStringLiteral("priority"), 0}};
        task3.values = {{QStringLiteral("title"), QStringLiteral("three")},
                        {QStringLiteral("list"), l3.variant()},
                        {QStringLiteral("tags"), QVariantList{t2.variant(), t3.variant()}},
                        {QStringLiteral("priority"), 1}};
    }

    void addSmartFolder(const QString& uid, const TRRulePtr& rule) {
        TDRuleGroupReference folder = ruletest::groupReference(Kind::SmartFolder);
        folder.smartFolderPredicate = rule ? rule->predicate() : nullptr;
        lookup.groups.insert(uid, folder);
    }

    QString matching(const TRRule& rule, const QString& smartFolderUID = QStringLiteral("F")) {
        return matching(rule.predicate(), smartFolderUID);
    }
    QString matching(const PredicatePtr& rulePredicate, const QString& smartFolderUID = QStringLiteral("F")) {
        TDRulePredicateTranslator translator(lookup, smartFolderUID);
        const PredicatePtr predicate = translator.translate(rulePredicate);
        if (!predicate) return QStringLiteral("(no predicate)");
        QString names;
        for (const auto& [name, task] :
             {std::pair{'1', &task1}, std::pair{'2', &task2}, std::pair{'3', &task3}})
            if (predicate->evaluate(task)) names += QLatin1Char(name);
        return names;
    }

    Thing l1, l2, l3, t1, t2, t3;
    Thing task1, task2, task3;
    CountingLookup lookup;
};

TEST_F(RuleTranslation, GroupLeavesTestTheTasksListsAndTags) {
    struct Case {
        const char* keyPath;
        const char* uid;
        const char* is;
        const char* isNot;
    };
    const Case cases[] = {
        {"group", "L1", "1", "23"},      {"group", "folder", "12", "3"},  // the lists below the folder
        {"tag", "T3", "23", "1"},        {"tag", "bundle", "13", "2"},    // any tag below the bundle
        {"group", "missing", "", "123"},  // a group that is gone: "is" holds nothing, "is not" everything
        {"tag", "missing", "", "123"},   {"group", "", "", "123"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.keyPath) + " " + c.uid);
        const QString uid = QString::fromLatin1(c.uid);
        EXPECT_EQ(matching(*groupLeaf(uid, TRConditionEqualTo, c.keyPath)), QString::fromLatin1(c.is));
        EXPECT_EQ(matching(*groupLeaf(uid, TRConditionNotEqualTo, c.keyPath)), QString::fromLatin1(c.isNot));
    }
    // A missing group inside a compound spoils only its own leaf.
    EXPECT_EQ(matching(*anyOf({groupLeaf(QStringLiteral("missing")), groupLeaf(QStringLiteral("L3"))})),
              QStringLiteral("3"));
}

TEST_F(RuleTranslation, SmartFoldersContributeTheirOwnTranslatedRules) {
    addSmartFolder(QStringLiteral("S-one"), titleContains(QStringLiteral("one")));
    addSmartFolder(QStringLiteral("S-tagged"), groupLeaf(QStringLiteral("T2"), TRConditionEqualTo, "tag"));
    addSmartFolder(QStringLiteral("S-empty"), nullptr);
    TDRuleGroupReference today = ruletest::groupReference(Kind::SmartFolder);
    today.isSpecialSmartFolder = true;
    today.smartFolderPredicate = titleContains(QStringLiteral("two"))->predicate();
    lookup.groups.insert(QStringLiteral("S-today"), today);

    EXPECT_EQ(matching(*groupLeaf(QStringLiteral("S-one"))), QStringLiteral("1"));
    EXPECT_EQ(matching(*groupLeaf(QStringLiteral("S-tagged"))), QStringLiteral("3"));
    EXPECT_EQ(matching(*groupLeaf(QStringLiteral("S-tagged"), TRConditionNotEqualTo)), QStringLiteral("12"));
    EXPECT_EQ(matching(*groupLeaf(QStringLiteral("S-today"))), QStringLiteral("2"));
    // A smart folder without a rule holds nothing.
    EXPECT_EQ(matching(*groupLeaf(QStringLiteral("S-empty"))), QString());
    EXPECT_EQ(matching(*groupLeaf(QStringLiteral("S-empty"), TRConditionNotEqualTo)), QStringLiteral("123"));

    // A folder holds its lists' tasks and those of the smart folders below it; special and rule-less ones
    // below it add nothing.
    TDRuleGroupReference folder = ruletest::groupReference(Kind::Folder);
    folder.descendentLists = {l1.variant()};
    folder.descendentSmartFolderUIDs = {QStringLiteral("S-tagged"), QStringLiteral("S-empty"),
                                        QStringLiteral("S-today")};
    lookup.groups.insert(QStringLiteral("mixed"), folder);
    EXPECT_EQ(matching(*groupLeaf(QStringLiteral("mixed"))), QStringLiteral("13"));
    EXPECT_EQ(matching(*groupLeaf(QStringLiteral("mixed"), TRConditionNotEqualTo)), QStringLiteral("2"));
}

TEST_F(RuleTranslation, SmartFoldersNamingEachOtherEndInsteadOfRecursing) {
    // A: title contains "one" or in B; B: title contains "two" or in A.
    addSmartFolder(QStringLiteral("A"),
                   anyOf({titleContains(QStringLiteral("one")), groupLeaf(QStringLiteral("B"))}));
    addSmartFolder(QStringLiteral("B"),
                   anyOf({titleContains(QStringLiteral("two")), groupLeaf(QStringLiteral("A"))}));
    EXPECT_EQ(matching(lookup.groups.value(QStringLiteral("A")).smartFolderPredicate, QStringLiteral("A")),
              QStringLiteral("12"));
    EXPECT_EQ(matching(lookup.groups.value(QStringLiteral("B")).smartFolderPredicate, QStringLiteral("B")),
              QStringLiteral("12"));

    // A folder naming itself through a folder above it: the repeated reference adds nothing.
    addSmartFolder(QStringLiteral("self"),
                   anyOf({titleContains(QStringLiteral("three")), groupLeaf(QStringLiteral("around"))}));
    TDRuleGroupReference around = ruletest::groupReference(Kind::Folder);
    around.descendentSmartFolderUIDs = {QStringLiteral("self")};
    lookup.groups.insert(QStringLiteral("around"), around);
    EXPECT_EQ(
        matching(lookup.groups.value(QStringLiteral("self")).smartFolderPredicate, QStringLiteral("self")),
        QStringLiteral("3"));
}

TEST_F(RuleTranslation, ASmartFolderNamedTwiceIsTranslatedOnce) {
    addSmartFolder(QStringLiteral("S"), groupLeaf(QStringLiteral("L1")));
    const TRRulePtr rule = TRCompoundRule::compoundRuleWithType(
        TRRuleTypeAny,
        {groupLeaf(QStringLiteral("S")), groupLeaf(QStringLiteral("S"), TRConditionNotEqualTo)});
    EXPECT_EQ(matching(*rule), QStringLiteral("123"));
    EXPECT_EQ(lookup.calls.value(QStringLiteral("L1")), 1);
}

TEST_F(RuleTranslation, SourceGroupsAreTheGroupsWhoseContentsTheRuleReads) {
    Thing s1, self;
    TDRuleGroupReference smart = ruletest::groupReference(Kind::SmartFolder, s1.variant());
    lookup.groups.insert(QStringLiteral("S1"), smart);
    lookup.groups.insert(QStringLiteral("F"), ruletest::groupReference(Kind::SmartFolder, self.variant()));
    TDRuleGroupReference folder = ruletest::groupReference(Kind::Folder);
    folder.descendentLists = {l1.variant(), l2.variant()};
    folder.descendentSmartFolderUIDs = {QStringLiteral("S1"), QStringLiteral("F")};
    lookup.groups.insert(QStringLiteral("top"), folder);

    const TRRulePtr rule = TRCompoundRule::compoundRuleWithType(
        TRRuleTypeAll, {groupLeaf(QStringLiteral("L3")),
                        anyOf({groupLeaf(QStringLiteral("top"), TRConditionNotEqualTo),
                               groupLeaf(QStringLiteral("bundle"), 3, "tag")}),
                        groupLeaf(QStringLiteral("T3"), 3, "tag"), groupLeaf(QStringLiteral("missing")),
                        groupLeaf(QStringLiteral("L1")), titleContains(QStringLiteral("L2"))});
    TDRulePredicateTranslator translator(lookup, QStringLiteral("F"));
    // The folder asking is left out of what it observes; a tag and an unknown UID add nothing.
    EXPECT_EQ(
        translator.sourceGroups(rule->predicate()),
        (QVariantList{l3.variant(), l1.variant(), l2.variant(), s1.variant(), t1.variant(), t2.variant()}));
}

TEST_F(RuleTranslation, PriorityAtLeastLeavesOutTasksWithoutPriority) {
    auto priority = [](int condition, int value) {
        auto rule = std::make_shared<TRComparisonRule>(TRRuleTypeList);
        rule->setKeyPath(QStringLiteral("priority"));
        rule->setConditionType(condition);
        rule->setValue(value);
        return rule;
    };
    EXPECT_EQ(matching(*priority(TRConditionLessThanOrEqualTo, 2)), QStringLiteral("13"));
    EXPECT_EQ(matching(*priority(TRConditionGreaterThanOrEqualTo, 2)), QStringLiteral("1"));
    EXPECT_EQ(matching(*priority(TRConditionLessThan, 2)), QStringLiteral("23"));  // as it stands
}

TEST_F(RuleTranslation, OtherPredicatesPassUnchanged) {
    const PredicatePtr title = titleContains(QStringLiteral("o"))->predicate();
    TDRulePredicateTranslator translator(lookup, QStringLiteral("F"));
    EXPECT_EQ(translator.translate(title), title);
    EXPECT_FALSE(translator.translate(nullptr));
}

}  // namespace
