#include "model/rule_field.h"
#include "model/comparison_rule.h"
#include "model/rule_predicate_translator.h"
#include "model/smart_folder_rule_fields.h"
#include "tests/model/rule_test_support.h"

#include <QSet>

namespace {

using ruletest::FakeGroupLookup;
using ruletest::RuleTest;
using ruletest::Thing;
using Kind = TDRuleGroupReference::Kind;

// The condition codes of a menu, separators as 0.
QList<int> codes(const QList<TRRuleCondition>& conditions) {
    QList<int> result;
    for (const TRRuleCondition& condition : conditions)
        result.append(condition.isSeparator() ? 0 : condition.conditionType());
    return result;
}

TEST(RuleConditions, EveryRuleTypeHasItsCatalogueInMenuOrder) {
    struct Case {
        int ruleType;
        QList<int> codes;
        QString firstName;
    };
    const Case cases[] = {
        {TRRuleTypeString, {101, 102, 0, 100, 103, 0, 3, 4}, QStringLiteral("contains")},
        {TRRuleTypeNumber, {6, 5, 0, 1, 2, 0, 3, 4}, QStringLiteral("is greater than")},
        {TRRuleTypeDate, {301, 300, 0, 2, 1, 5, 6, 0, 303, 302}, QStringLiteral("within the next")},
        {TRRuleTypeTimeAmount, {2, 5, 203, 202}, QStringLiteral("is at most")},
        {TRRuleTypeDataSize, {1, 2, 3, 5, 6}, QStringLiteral("is less than")},
        {TRRuleTypeList, {3, 4}, QStringLiteral("is")},
        {TRRuleTypeMultipleChoice, {3, 4}, QStringLiteral("is one of")},
        {TRRuleTypeRating, {3, 4, 1, 2, 6, 5}, QStringLiteral("is")},
        {TRRuleTypeText, {101, 102, 200, 201}, QStringLiteral("contains")},
        {TRRuleTypeTextContent, {101, 102}, QStringLiteral("contains")},
        {TRRuleTypeToken, {101, 102, 200, 201}, QStringLiteral("contains")},
        {99, {}, QString()},
        {111, {}, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ruleType);
        const auto field =
            TRRuleField::fieldWithKeyPath(QStringLiteral("k"), QStringLiteral("K"), c.ruleType);
        EXPECT_EQ(codes(field->conditions()), c.codes);
        if (!c.codes.isEmpty()) {
            EXPECT_EQ(field->conditions().first().name(), c.firstName);
        }
    }
    EXPECT_EQ(codes(TRRuleCondition::conditionsForOptionalDateRuleType()),
              (QList<int>{301, 300, 0, 2, 1, 5, 6, 0, 303, 302, 0, 200}));

    // Given conditions stay when the type is set.
    const QList<TRRuleCondition> own{TRRuleCondition::conditionWithName(QStringLiteral("is repeating"), 7)};
    EXPECT_EQ(
        TRRuleField::fieldWithKeyPath(QStringLiteral("recurring"), QStringLiteral("R"), TRRuleTypeList, own)
            ->conditions(),
        own);
}

TEST(RuleFields, SeparatorsAreAlikeAndOtherFieldsOnlyThemselves) {
    const auto a = TRRuleField::separatorField();
    const auto b = TRRuleField::separatorField();
    const auto title = TRRuleField::fieldWithKeyPath(QStringLiteral("title"), QStringLiteral("Title"), 100);
    const auto title2 = TRRuleField::fieldWithKeyPath(QStringLiteral("title"), QStringLiteral("Title"), 100);
    EXPECT_TRUE(a->isSeparator());
    EXPECT_TRUE(a->isEqual(*b));
    EXPECT_TRUE(title->isEqual(*title));
    EXPECT_FALSE(title->isEqual(*title2));
    EXPECT_FALSE(title->isEqual(*a));
}

TEST(RuleFields, ValueObjectChangesReachObservers) {
    TRRuleField field;
    QList<std::tuple<TRRuleField::ValueObjectsChange, qsizetype, qsizetype>> changes;
    QObject::connect(&field, &TRRuleField::valueObjectsChanged,
                     [&](TRRuleField::ValueObjectsChange change, qsizetype first, qsizetype count) {
                         changes.append({change, first, count});
                     });
    field.setValueObjects({1, 2, 3});
    field.setValueObjects({4});
    field.insertObjectInValueObjectsAtIndex(5, 1);
    field.removeObjectFromValueObjectsAtIndex(0);
    field.removeObjectFromValueObjectsAtIndex(7);  // out of range: nothing
    using Change = TRRuleField::ValueObjectsChange;
    EXPECT_EQ(changes, (QList<std::tuple<Change, qsizetype, qsizetype>>{{Change::Replacement, 0, 0},
                                                                        {Change::Replacement, 0, 3},
                                                                        {Change::Insertion, 1, 1},
                                                                        {Change::Removal, 0, 1}}));
    EXPECT_EQ(field.valueObjects(), QVariantList{5});
    EXPECT_EQ(field.countOfValueObjects(), 1);
    EXPECT_EQ(field.objectInValueObjectsAtIndex(0), QVariant(5));
}

TEST_F(RuleTest, NewRulesStartOnTheFirstConditionWithItsDefaultValue) {
    struct Case {
        int ruleType;
        int condition;
        QVariant value;
    };
    const Case cases[] = {
        {TRRuleTypeDate, TRConditionWithinTheNext, QStringLiteral("1d")},
        {TRRuleTypeString, TRConditionContains, QString(QLatin1String(""))},
        {TRRuleTypeText, TRConditionContains, QString(QLatin1String(""))},
        {TRRuleTypeNumber, TRConditionGreaterThan, QVariant()},
        {TRRuleTypeDataSize, TRConditionLessThan, qint64(0)},
        {TRRuleTypeTimeAmount, TRConditionLessThanOrEqualTo, QVariant()},
        {TRRuleTypeRating, TRConditionEqualTo, QVariant()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ruleType);
        auto field = TRRuleField::fieldWithKeyPath(QStringLiteral("k"), QStringLiteral("K"), c.ruleType);
        field->setSavedValueKey(QStringLiteral("saved"));
        field->setKeyIsToManyRelationship(true);
        const auto rule = TRComparisonRule::ruleForField(*field);
        EXPECT_EQ(rule->ruleType(), c.ruleType);
        EXPECT_EQ(rule->keyPath(), QStringLiteral("k"));
        EXPECT_EQ(rule->conditionType(), c.condition);
        EXPECT_EQ(rule->value(), c.value);
        if (c.value.metaType().id() == QMetaType::QString) {
            EXPECT_FALSE(rule->value().toString().isNull());  // the empty string, not a missing one
        }
        EXPECT_EQ(rule->savedValueKey(), QStringLiteral("saved"));
        EXPECT_TRUE(rule->keyIsToManyRelationship());
    }

    auto date =
        TRRuleField::fieldWithKeyPath(QStringLiteral("dueDate"), QStringLiteral("Due"), TRRuleTypeDate);
    EXPECT_EQ(date->defaultValueForConditionType(TRConditionInTheLast), QVariant(QStringLiteral("1d")));
    EXPECT_EQ(date->defaultValueForConditionType(TRConditionToday), QVariant(QString(QLatin1String(""))));
    EXPECT_EQ(date->defaultValueForConditionType(TRConditionYesterday), QVariant(QString(QLatin1String(""))));
    EXPECT_EQ(date->defaultValueForConditionType(TRConditionLessThan), QVariant(at(0, 10)));  // now
    auto text =
        TRRuleField::fieldWithKeyPath(QStringLiteral("notes"), QStringLiteral("Notes"), TRRuleTypeText);
    EXPECT_FALSE(text->defaultValueForConditionType(TRConditionIsNil).isValid());
    EXPECT_FALSE(text->defaultValueForConditionType(TRConditionIsNotNil).isValid());
    // An explicit default wins over the type's.
    date->setDefaultValue(QStringLiteral("2w"));
    EXPECT_EQ(date->defaultValueForConditionType(TRConditionLessThan), QVariant(QStringLiteral("2w")));
}

TEST_F(RuleTest, ListDefaultsAreTheFirstOfferedValueUnlessNullIsAsked) {
    auto list =
        TRRuleField::fieldWithKeyPath(QStringLiteral("group"), QStringLiteral("List"), TRRuleTypeList);
    EXPECT_FALSE(list->defaultValueForList().isValid());  // nothing offered
    list->setValueObjects({QStringLiteral("inbox"), QStringLiteral("work")});
    EXPECT_EQ(list->defaultValueForList(), QVariant(QStringLiteral("inbox")));
    EXPECT_EQ(list->defaultValueForConditionType(TRConditionNotEqualTo), QVariant(QStringLiteral("inbox")));
    list->setListDefaultIsNull(true);
    EXPECT_FALSE(list->defaultValueForList().isValid());
    list->setListDefaultIsNull(false);
    list->setValueObjects({QVariant::fromValue(nullptr), QStringLiteral("inbox")});
    EXPECT_FALSE(list->defaultValueForList().isValid());
}

TEST_F(RuleTest, RetargetingALeafKeepsWhatStillFitsTheNewField) {
    auto lists =
        TRRuleField::fieldWithKeyPath(QStringLiteral("group"), QStringLiteral("List"), TRRuleTypeList);
    lists->setValueObjects({QStringLiteral("inbox"), QStringLiteral("work")});
    auto tags = TRRuleField::fieldWithKeyPath(QStringLiteral("tag"), QStringLiteral("Tag"), TRRuleTypeList);
    tags->setValueObjects({QStringLiteral("home"), QStringLiteral("work")});
    tags->setSavedValueKey(QStringLiteral("tagValue"));

    auto rule = TRComparisonRule::ruleForField(*lists);
    rule->setConditionType(TRConditionNotEqualTo);
    rule->setValue(QStringLiteral("work"));
    rule->takeValuesFromField(*tags);  // "work" is offered by both
    EXPECT_EQ(rule->keyPath(), QStringLiteral("tag"));
    EXPECT_EQ(rule->conditionType(), TRConditionNotEqualTo);
    EXPECT_EQ(rule->value(), QVariant(QStringLiteral("work")));
    EXPECT_EQ(rule->savedValueKey(), QStringLiteral("tagValue"));

    rule->setValue(QStringLiteral("home"));
    rule->takeValuesFromField(*lists);  // "home" is no list: the value resets, the condition stays
    EXPECT_EQ(rule->conditionType(), TRConditionNotEqualTo);
    EXPECT_EQ(rule->value(), QVariant(QStringLiteral("inbox")));

    auto title =
        TRRuleField::fieldWithKeyPath(QStringLiteral("title"), QStringLiteral("Title"), TRRuleTypeString);
    auto due =
        TRRuleField::fieldWithKeyPath(QStringLiteral("dueDate"), QStringLiteral("Due"), TRRuleTypeDate);
    auto textRule = TRComparisonRule::ruleForField(*title);
    textRule->setConditionType(TRConditionEndsWith);
    textRule->setValue(QStringLiteral("x"));
    textRule->takeValuesFromField(*due);
    EXPECT_EQ(textRule->ruleType(), TRRuleTypeDate);
    EXPECT_EQ(textRule->conditionType(), TRConditionWithinTheNext);
    EXPECT_EQ(textRule->value(), QVariant(QStringLiteral("1d")));
}

TEST(SmartFolderRuleFields, OfferTheTaskFieldsInMenuOrder) {
    const auto fields = TDSmartFolderRuleFields(true);
    QStringList keyPaths;
    for (const auto& field : fields)
        keyPaths.append(field->isSeparator() ? QStringLiteral("-") : field->keyPath());
    EXPECT_EQ(keyPaths.join(QLatin1Char(' ')),
              QStringLiteral(
                  "title group tag priority subtasks.@count - estimatedTime actualTime - startDate dueDate "
                  "- completedDate canceledDate - recurring - createdDate modifiedDate"));
    auto named = [&](const QString& keyPath) {
        for (const auto& field : fields)
            if (field->keyPath() == keyPath) return field;
        return std::shared_ptr<TRRuleField>();
    };
    EXPECT_EQ(codes(named(QStringLiteral("tag"))->conditions()), (QList<int>{3, 4, 200}));
    EXPECT_EQ(codes(named(QStringLiteral("priority"))->conditions()), (QList<int>{2, 5, 0, 3, 202}));
    EXPECT_EQ(named(QStringLiteral("priority"))->valueObjects().size(), 9);
    EXPECT_EQ(named(QStringLiteral("priority"))->valueNames().first(), QStringLiteral("1 (highest)"));
    EXPECT_EQ(named(QStringLiteral("priority"))->valueNames().last(), QStringLiteral("9 (lowest)"));
    EXPECT_EQ(codes(named(QStringLiteral("completedDate"))->conditions()),
              (QList<int>{200, 201, 0, 300, 0, 2, 1, 5, 6, 0, 303, 302}));
    EXPECT_EQ(named(QStringLiteral("canceledDate"))->conditions().first().name(),
              QStringLiteral("is not canceled"));
    EXPECT_EQ(codes(named(QStringLiteral("startDate"))->conditions()).last(), 200);
    EXPECT_EQ(codes(named(QStringLiteral("recurring"))->conditions()), (QList<int>{7, 8}));
    EXPECT_EQ(named(QStringLiteral("title"))->name(), QStringLiteral("Title"));

    // Without tags the tag field can only ask for tasks without one.
    for (const auto& field : TDSmartFolderRuleFields(false))
        if (field->keyPath() == QLatin1String("tag")) {
            EXPECT_EQ(codes(field->conditions()), QList<int>{200});
        }
}

// Three tasks, two lists and two tags; every condition of every field of the smart-folder editor is
// turned into a rule, translated as a smart folder translates it and tested against the three.
class EveryFieldCondition : public RuleTest {
protected:
    void SetUp() override {
        RuleTest::SetUp();
        lookup.groups.insert(QStringLiteral("inbox"), ruletest::groupReference(Kind::List, inbox.variant()));
        lookup.groups.insert(QStringLiteral("work"), ruletest::groupReference(Kind::List, work.variant()));
        lookup.groups.insert(QStringLiteral("home"), ruletest::groupReference(Kind::Tag, home.variant()));
        lookup.groups.insert(QStringLiteral("office"), ruletest::groupReference(Kind::Tag, office.variant()));
        const QVariant none;
        a.values = {{QStringLiteral("title"), QStringLiteral("Buy A*B? milk")},
                    {QStringLiteral("list"), inbox.variant()},
                    {QStringLiteral("tags"), QVariantList{home.variant()}},
                    {QStringLiteral("priority"), 1},
                    {QStringLiteral("subtasks"), QVariantList{1, 2}},
                    {QStringLiteral("estimatedTime"), 5400.0},
                    {QStringLiteral("actualTime"), 0.0},
                    {QStringLiteral("startDate"), at(0, 9)},
                    {QStringLiteral("dueDate"), at(1, 12)},
                    {QStringLiteral("recurring"), true},
                    {QStringLiteral("createdDate"), at(-10, 8)},
                    {QStringLiteral("modifiedDate"), at(-1, 15)}};
        b.values = {{QStringLiteral("title"), QStringLiteral("Call Bob")},
                    {QStringLiteral("list"), work.variant()},
                    {QStringLiteral("tags"), QVariantList()},
                    {QStringLiteral("priority"), 0},
                    {QStringLiteral("subtasks"), QVariantList()},
                    {QStringLiteral("estimatedTime"), 0.0},
                    {QStringLiteral("actualTime"), 7200.0},
                    {QStringLiteral("completedDate"), at(-1, 18)},
                    {QStringLiteral("recurring"), false},
                    {QStringLiteral("createdDate"), at(-40, 8)},
                    {QStringLiteral("modifiedDate"), at(0, 8)}};
        c.values = {{QStringLiteral("title"), QStringLiteral("write REPORT\\final")},
                    {QStringLiteral("list"), work.variant()},
                    {QStringLiteral("tags"), QVariantList{office.variant(), home.variant()}},
                    {QStringLiteral("priority"), 5},
                    {QStringLiteral("subtasks"), QVariantList{3}},
                    {QStringLiteral("estimatedTime"), 57600.0},
                    {QStringLiteral("actualTime"), 60.0},
                    {QStringLiteral("startDate"), at(14, 9)},
                    {QStringLiteral("dueDate"), at(-3, 9)},
                    {QStringLiteral("completedDate"), at(-2, 9)},
                    {QStringLiteral("status"), QStringLiteral("X")},
                    {QStringLiteral("recurring"), false},
                    {QStringLiteral("createdDate"), at(-1, 12)},
                    {QStringLiteral("modifiedDate"), at(-60, 12)}};
    }

    // The names of the tasks the rule holds.
    QString matching(const TRComparisonRule& rule) {
        TDRulePredicateTranslator translator(lookup, QStringLiteral("this folder"));
        const platform::PredicatePtr predicate = translator.translate(rule.predicate());
        if (!predicate) return QStringLiteral("(no predicate)");
        QString names;
        for (const auto& [name, task] : {std::pair{'A', &a}, std::pair{'B', &b}, std::pair{'C', &c}})
            if (predicate->evaluate(task)) names += QLatin1Char(name);
        return names;
    }

    Thing inbox, work, home, office;
    Thing a, b, c;
    FakeGroupLookup lookup;
};

TEST_F(EveryFieldCondition, SelectsTheExpectedTasks) {
    struct Case {
        const char* keyPath;
        int condition;
        QVariant value;  // invalid: the field's default
        const char* expected;
    };
    const QString none;
    const Case cases[] = {
        {"title", TRConditionContains, QStringLiteral("a*b?"), "A"},
        {"title", TRConditionDoesNotContain, QStringLiteral("a*b?"), "BC"},
        {"title", TRConditionBeginsWith, QStringLiteral("call"), "B"},
        {"title", TRConditionEndsWith, QStringLiteral("FINAL"), "C"},
        {"title", TRConditionEqualTo, QStringLiteral("call bob"), "B"},
        {"title", TRConditionNotEqualTo, QStringLiteral("call bob"), "AC"},

        {"group", TRConditionEqualTo, QStringLiteral("work"), "BC"},
        {"group", TRConditionNotEqualTo, QStringLiteral("work"), "A"},

        {"tag", TRConditionEqualTo, QStringLiteral("home"), "AC"},
        {"tag", TRConditionNotEqualTo, QStringLiteral("home"), "B"},
        {"tag", TRConditionIsNil, {}, "B"},

        {"priority", TRConditionLessThanOrEqualTo, 2, "A"},  // tasks without priority are not "higher"
        {"priority", TRConditionGreaterThanOrEqualTo, 5, "C"},
        {"priority", TRConditionEqualTo, 1, "A"},
        {"priority", TRConditionIsZero, {}, "B"},

        {"subtasks.@count", TRConditionGreaterThan, 1, "A"},
        {"subtasks.@count", TRConditionGreaterThanOrEqualTo, 1, "AC"},
        {"subtasks.@count", TRConditionLessThan, 1, "B"},
        {"subtasks.@count", TRConditionLessThanOrEqualTo, 1, "BC"},
        {"subtasks.@count", TRConditionEqualTo, 0, "B"},
        {"subtasks.@count", TRConditionNotEqualTo, 0, "AC"},

        {"estimatedTime", TRConditionLessThanOrEqualTo, QStringLiteral("90m"), "AB"},
        {"estimatedTime", TRConditionGreaterThanOrEqualTo, QStringLiteral("2d"), "C"},
        {"estimatedTime", TRConditionIsNotZero, {}, "AC"},
        {"estimatedTime", TRConditionIsZero, {}, "B"},
        {"actualTime", TRConditionLessThanOrEqualTo, QStringLiteral("1h"), "AC"},
        {"actualTime", TRConditionGreaterThanOrEqualTo, QStringLiteral("2.000000h"), "B"},
        {"actualTime", TRConditionIsNotZero, {}, "BC"},
        {"actualTime", TRConditionIsZero, {}, "A"},

        {"startDate", TRConditionWithinTheNext, QStringLiteral("2w"), "AC"},
        {"startDate", TRConditionInTheLast, QStringLiteral("1d"), "A"},
        {"startDate", TRConditionLessThanOrEqualTo, at(0, 9), "A"},
        {"startDate", TRConditionLessThan, at(0, 9), ""},
        {"startDate", TRConditionGreaterThanOrEqualTo, at(14, 9), "C"},
        {"startDate", TRConditionGreaterThan, at(0, 9), "C"},
        {"startDate", TRConditionToday, {}, "A"},
        {"startDate", TRConditionYesterday, {}, ""},
        {"startDate", TRConditionIsNil, {}, "B"},

        {"dueDate", TRConditionWithinTheNext, QStringLiteral("1d"), "A"},
        {"dueDate", TRConditionInTheLast, QStringLiteral("1w"), "C"},
        {"dueDate", TRConditionLessThanOrEqualTo, at(-3, 9), "C"},
        {"dueDate", TRConditionLessThan, at(1, 12), "C"},
        {"dueDate", TRConditionGreaterThanOrEqualTo, at(1, 12), "A"},
        {"dueDate", TRConditionGreaterThan, at(-3, 9), "A"},
        {"dueDate", TRConditionToday, {}, ""},
        {"dueDate", TRConditionYesterday, {}, ""},
        {"dueDate", TRConditionIsNil, {}, "B"},

        {"completedDate", TRConditionIsNil, {}, "A"},
        {"completedDate", TRConditionIsNotNil, {}, "BC"},
        {"completedDate", TRConditionInTheLast, QStringLiteral("1d"), "B"},
        {"completedDate", TRConditionLessThanOrEqualTo, at(-2, 9), "C"},
        {"completedDate", TRConditionLessThan, at(-1, 18), "C"},
        {"completedDate", TRConditionGreaterThanOrEqualTo, at(-1, 0), "B"},
        {"completedDate", TRConditionGreaterThan, at(-2, 9), "B"},
        {"completedDate", TRConditionToday, {}, ""},
        {"completedDate", TRConditionYesterday, {}, "B"},

        // Canceling is completion with the status "X".
        {"canceledDate", TRConditionIsNil, {}, "AB"},
        {"canceledDate", TRConditionIsNotNil, {}, "C"},
        {"canceledDate", TRConditionInTheLast, QStringLiteral("1w"), "C"},
        {"canceledDate", TRConditionLessThanOrEqualTo, at(-2, 9), "C"},
        {"canceledDate", TRConditionLessThan, at(-1, 0), "C"},
        {"canceledDate", TRConditionGreaterThanOrEqualTo, at(-2, 9), "C"},
        {"canceledDate", TRConditionGreaterThan, at(-3, 0), "C"},
        {"canceledDate", TRConditionToday, {}, ""},
        {"canceledDate", TRConditionYesterday, {}, ""},  // B completed yesterday, but was not canceled

        {"recurring", TRConditionIsTrue, {}, "A"},
        {"recurring", TRConditionIsFalse, {}, "BC"},

        {"createdDate", TRConditionWithinTheNext, QStringLiteral("1d"), ""},
        {"createdDate", TRConditionInTheLast, QStringLiteral("2w"), "AC"},
        {"createdDate", TRConditionLessThanOrEqualTo, at(-10, 8), "AB"},
        {"createdDate", TRConditionLessThan, at(-10, 8), "B"},
        {"createdDate", TRConditionGreaterThanOrEqualTo, at(-10, 8), "AC"},
        {"createdDate", TRConditionGreaterThan, at(-10, 8), "C"},
        {"createdDate", TRConditionToday, {}, ""},
        {"createdDate", TRConditionYesterday, {}, "C"},

        {"modifiedDate", TRConditionWithinTheNext, QStringLiteral("1d"), "B"},
        {"modifiedDate", TRConditionInTheLast, QStringLiteral("1m"), "AB"},
        {"modifiedDate", TRConditionLessThanOrEqualTo, at(-1, 15), "AC"},
        {"modifiedDate", TRConditionLessThan, at(-1, 15), "C"},
        {"modifiedDate", TRConditionGreaterThanOrEqualTo, at(-1, 15), "AB"},
        {"modifiedDate", TRConditionGreaterThan, at(-1, 15), "B"},
        {"modifiedDate", TRConditionToday, {}, "B"},
        {"modifiedDate", TRConditionYesterday, {}, "A"},
    };

    QSet<QPair<QString, int>> covered;
    const auto fields = TDSmartFolderRuleFields(true);
    for (const Case& testCase : cases) {
        const QString keyPath = QString::fromLatin1(testCase.keyPath);
        SCOPED_TRACE(keyPath.toStdString() + " " + std::to_string(testCase.condition));
        std::shared_ptr<TRRuleField> field;
        for (const auto& candidate : fields)
            if (candidate->keyPath() == keyPath) field = candidate;
        ASSERT_TRUE(field);
        const bool offered =
            std::any_of(field->conditions().cbegin(), field->conditions().cend(),
                        [&](const TRRuleCondition& c) { return c.conditionType() == testCase.condition; });
        EXPECT_TRUE(offered);
        auto rule = TRComparisonRule::ruleForField(*field);
        rule->setConditionType(testCase.condition);
        if (testCase.value.isValid()) rule->setValue(testCase.value);
        EXPECT_EQ(matching(*rule), QString::fromLatin1(testCase.expected));
        covered.insert({keyPath, testCase.condition});
    }

    // The table leaves out no condition of any field.
    for (const auto& field : fields)
        for (const TRRuleCondition& condition : field->conditions())
            if (!field->isSeparator() && !condition.isSeparator()) {
                EXPECT_TRUE(covered.contains({field->keyPath(), condition.conditionType()}))
                    << field->keyPath().toStdString() << " " << condition.conditionType();
            }
}

}  // namespace
