#include "model/rule_archiving.h"
#include "model/comparison_rule.h"
#include "model/compound_rule.h"
#include "model/rule_archive_value_transformer.h"
#include "platform/objectstore/managed_object.h"
#include "platform/plist/keyed_archive.h"
#include "platform/plist/property_list.h"
#include "platform/predicates/value_comparison.h"
#include "platform/transformers/value_transformer.h"
#include "tests/model/library_fixture.h"
#include "tests/model/rule_test_support.h"

namespace {

using ruletest::RuleTest;

std::shared_ptr<TRComparisonRule> leaf(int ruleType, const QString& keyPath, int condition,
                                       const QVariant& value) {
    auto rule = std::make_shared<TRComparisonRule>(ruleType);
    rule->setKeyPath(keyPath);
    rule->setConditionType(condition);
    rule->setValue(value);
    return rule;
}

// all(title contains "a*b\", any(due in the last 3 weeks, priority <= 2, created before a date, estimated
// at least 1.5 hours, repeating), none(group is a UID, tag is not set), tags is one of "Home")
TRRulePtr sampleTree() {
    auto title =
        leaf(TRRuleTypeString, QStringLiteral("title"), TRConditionContains, QStringLiteral("a*b\\"));
    title->setSavedValueKey(QStringLiteral("titleValue"));
    auto member =
        leaf(TRRuleTypeMultipleChoice, QStringLiteral("tags"), TRConditionEqualTo, QStringLiteral("Home"));
    member->setKeyIsToManyRelationship(true);
    return TRCompoundRule::compoundRuleWithType(
        TRRuleTypeAll,
        {title,
         TRCompoundRule::compoundRuleWithType(
             TRRuleTypeAny,
             {leaf(TRRuleTypeDate, QStringLiteral("dueDate"), TRConditionInTheLast, QStringLiteral("3w")),
              leaf(TRRuleTypeList, QStringLiteral("priority"), TRConditionLessThanOrEqualTo, 2),
              leaf(TRRuleTypeDate, QStringLiteral("createdDate"), TRConditionLessThan,
                   QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5))),
              leaf(TRRuleTypeTimeAmount, QStringLiteral("estimatedTime"), TRConditionGreaterThanOrEqualTo,
                   QStringLiteral("1.500000h")),
              leaf(TRRuleTypeList, QStringLiteral("recurring"), TRConditionIsTrue, QVariant()),
              leaf(TRRuleTypeNumber, QStringLiteral("subtasks.@count"), TRConditionGreaterThan, 2.5)}),
         TRCompoundRule::compoundRuleWithType(
             TRRuleTypeNone,
             {leaf(TRRuleTypeList, QStringLiteral("group"), TRConditionEqualTo, QStringLiteral("U-1")),
              leaf(TRRuleTypeList, QStringLiteral("tag"), TRConditionIsNil, QVariant())}),
         member});
}

// Same types, fields, values, child order and parent links.
void expectSameTree(const TRRule& expected, const TRRule& actual, const TRCompoundRule* parent) {
    EXPECT_EQ(actual.ruleType(), expected.ruleType());
    EXPECT_EQ(actual.parentRule(), parent);
    if (auto* compound = dynamic_cast<const TRCompoundRule*>(&expected)) {
        auto* read = dynamic_cast<const TRCompoundRule*>(&actual);
        ASSERT_TRUE(read);
        ASSERT_EQ(read->subrules().size(), compound->subrules().size());
        for (qsizetype i = 0; i < compound->subrules().size(); ++i)
            expectSameTree(*compound->subrules()[i], *read->subrules()[i], read);
        return;
    }
    auto& leafRule = dynamic_cast<const TRComparisonRule&>(expected);
    auto* read = dynamic_cast<const TRComparisonRule*>(&actual);
    ASSERT_TRUE(read);
    SCOPED_TRACE(leafRule.keyPath().toStdString());
    EXPECT_EQ(read->keyPath(), leafRule.keyPath());
    EXPECT_EQ(read->conditionType(), leafRule.conditionType());
    EXPECT_EQ(read->savedValueKey(), leafRule.savedValueKey());
    EXPECT_EQ(read->keyIsToManyRelationship(), leafRule.keyIsToManyRelationship());
    EXPECT_EQ(read->value().isValid(), leafRule.value().isValid());
    EXPECT_TRUE(platform::valuesEqual(read->value(), leafRule.value()));
}

// An archive of the codec's layout around a hand-made root object.
QByteArray rawArchive(const QVariantMap& root) {
    const QVariantMap archive{{QStringLiteral("archive"), QStringLiteral("Ordello keyed archive")},
                              {QStringLiteral("version"), qint64(1)},
                              {QStringLiteral("root"), root}};
    return platform::writePropertyList(archive, platform::PropertyListFormat::Binary).value();
}

QVariantMap object(const QString& className, const QVariantMap& fields) {
    return {{QStringLiteral("class"), className}, {QStringLiteral("fields"), fields}};
}

QVariantMap goodLeaf() {
    return object(QStringLiteral("TRComparisonRule"), {{QStringLiteral("ruleType"), qint64(100)},
                                                       {QStringLiteral("keyPath"), QStringLiteral("title")},
                                                       {QStringLiteral("conditionType"), qint64(101)},
                                                       {QStringLiteral("value"), QStringLiteral("x")},
                                                       {QStringLiteral("keyIsToManyRelationship"), false}});
}

QVariantMap leafWith(const QString& key, const QVariant& value) {
    QVariantMap root = goodLeaf();
    QVariantMap fields = root.value(QStringLiteral("fields")).toMap();
    if (value.isValid())
        fields.insert(key, value);
    else
        fields.remove(key);
    root.insert(QStringLiteral("fields"), fields);
    return root;
}

QVariantMap compoundOf(const QVariantList& children, qint64 ruleType = 1) {
    return object(QStringLiteral("TRCompoundRule"),
                  {{QStringLiteral("ruleType"), ruleType}, {QStringLiteral("subrules"), children}});
}

TEST_F(RuleTest, ARuleTreeReadsBackUnchanged) {
    const TRRulePtr tree = sampleTree();
    const Result<QByteArray> data = TRArchivedRuleData(*tree);
    ASSERT_TRUE(data.ok()) << data.error().detailedDescription().toStdString();
    const Result<TRRulePtr> read = TRRuleFromArchivedData(*data);
    ASSERT_TRUE(read.ok()) << read.error().detailedDescription().toStdString();
    expectSameTree(*tree, **read, nullptr);
    EXPECT_EQ((*read)->predicate()->format(), tree->predicate()->format());

    // A lone leaf is a tree too.
    const auto single = leaf(TRRuleTypeDate, QStringLiteral("dueDate"), TRConditionToday, QString());
    const Result<TRRulePtr> readLeaf = TRRuleFromArchivedData(TRArchivedRuleData(*single).value());
    ASSERT_TRUE(readLeaf.ok());
    expectSameTree(*single, **readLeaf, nullptr);

    // The sound raw form reads, so the refusals below are each for their own fault.
    EXPECT_TRUE(TRRuleFromArchivedData(rawArchive(compoundOf({goodLeaf()}))).ok());
}

TEST_F(RuleTest, RulesThatCannotBeArchivedAreRefused) {
    // A value that is no plain value (a model object, a list) has no archived form.
    ruletest::Thing thing;
    EXPECT_FALSE(TRArchivedRuleData(*leaf(TRRuleTypeList, QStringLiteral("group"), 3, thing.variant())).ok());
    auto tree = TRCompoundRule::compoundRuleWithType(
        TRRuleTypeAll, {leaf(TRRuleTypeList, QStringLiteral("tags"), 3, QVariantList{QStringLiteral("a")})});
    EXPECT_FALSE(TRArchivedRuleData(*tree).ok());
}

TEST_F(RuleTest, MalformedOrForeignArchivesAreRefused) {
    platform::registerArchiveClass<QString>(
        QStringLiteral("TDRuleTestOther"),
        {platform::ArchiveField(QStringLiteral("text"), platform::ArchiveFieldType::String)},
        [](const QString& text) {
            return platform::ArchiveObject{QString(), {{QStringLiteral("text"), text}}};
        },
        [](const platform::ArchiveObject& o) -> Result<QString> {
            return o.fields.value(QStringLiteral("text")).toString();
        });
    const QVariantMap other =
        object(QStringLiteral("TDRuleTestOther"), {{QStringLiteral("text"), QStringLiteral("x")}});

    const QByteArray good = TRArchivedRuleData(*sampleTree()).value();
    struct Case {
        const char* what;
        QByteArray data;
    };
    const Case cases[] = {
        {"empty", QByteArray()},
        {"text", QByteArrayLiteral("not an archive at all")},
        {"truncated", good.left(good.size() / 2)},
        {"a property list that is no archive",
         platform::writePropertyList(QVariantMap{{QStringLiteral("a"), 1}},
                                     platform::PropertyListFormat::Binary)
             .value()},
        {"an unknown class", rawArchive(object(QStringLiteral("NSObject"), {}))},
        {"another registered class at the root", rawArchive(other)},
        {"another registered class as a child", rawArchive(compoundOf({goodLeaf(), other}))},
        {"an unknown class as a child", rawArchive(compoundOf({object(QStringLiteral("TREvilRule"), {})}))},
        {"a key path of the wrong type", rawArchive(leafWith(QStringLiteral("keyPath"), qint64(3)))},
        {"an empty key path", rawArchive(leafWith(QStringLiteral("keyPath"), QString(QLatin1String(""))))},
        {"a missing key path", rawArchive(leafWith(QStringLiteral("keyPath"), QVariant()))},
        {"a missing condition", rawArchive(leafWith(QStringLiteral("conditionType"), QVariant()))},
        {"an unknown condition", rawArchive(leafWith(QStringLiteral("conditionType"), qint64(999)))},
        {"a condition beyond int",
         rawArchive(leafWith(QStringLiteral("conditionType"), qint64(1) << 32 | 3))},
        {"a leaf with a compound type", rawArchive(leafWith(QStringLiteral("ruleType"), qint64(1)))},
        {"a leaf type beyond the kinds", rawArchive(leafWith(QStringLiteral("ruleType"), qint64(111)))},
        {"a list as value", rawArchive(leafWith(QStringLiteral("value"), QVariantList{1}))},
        {"data as value", rawArchive(leafWith(QStringLiteral("value"), QByteArray("x")))},
        {"a flag that is no boolean",
         rawArchive(leafWith(QStringLiteral("keyIsToManyRelationship"), qint64(1)))},
        {"an undeclared field", rawArchive(leafWith(QStringLiteral("parentRule"), QStringLiteral("x")))},
        {"a compound of an unknown kind", rawArchive(compoundOf({goodLeaf()}, 3))},
        {"a compound with a leaf type", rawArchive(compoundOf({goodLeaf()}, 100))},
        {"subrules that are no list",
         rawArchive(object(QStringLiteral("TRCompoundRule"), {{QStringLiteral("ruleType"), qint64(1)},
                                                              {QStringLiteral("subrules"), goodLeaf()}}))},
        {"a bad leaf deep inside",
         rawArchive(
             compoundOf({compoundOf({goodLeaf(), leafWith(QStringLiteral("conditionType"), qint64(-1))})}))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Result<TRRulePtr> read = TRRuleFromArchivedData(c.data);
        ASSERT_FALSE(read.ok());
        EXPECT_FALSE(read.error().description.isEmpty());
    }
}

TEST_F(RuleTest, CorruptedArchivesReadAsSoundTreesOrNotAtAll) {
    const QByteArray good = TRArchivedRuleData(*sampleTree()).value();
    int refused = 0;
    for (qsizetype i = 0; i < good.size(); ++i) {
        for (char flip : {char(0x01), char(0x80), char(0xff)}) {
            QByteArray corrupt = good;
            corrupt[i] = char(corrupt[i] ^ flip);
            const Result<TRRulePtr> read = TRRuleFromArchivedData(corrupt);
            if (!read) {
                ++refused;
                continue;
            }
            // Whatever reads is a tree the program could have written.
            EXPECT_TRUE(TRArchivedRuleData(**read).ok()) << "byte " << i;
        }
    }
    EXPECT_GT(refused, 0);
}

TEST_F(RuleTest, APropertyListRuleReadsFromDataOrBase64Text) {
    const TRRulePtr tree = sampleTree();
    const QByteArray data = TRArchivedRuleData(*tree).value();
    const QString text = QString::fromLatin1(data.toBase64());
    for (const QVariant& value : {QVariant(data), QVariant(text)}) {
        const Result<TRRulePtr> read = TRRuleFromPropertyListValue(value);
        ASSERT_TRUE(read.ok()) << read.error().detailedDescription().toStdString();
        expectSameTree(*tree, **read, nullptr);
    }
    for (const QVariant& value : {QVariant(qint64(3)), QVariant(QStringLiteral("not base64!")),
                                  QVariant(QString::fromLatin1(QByteArray("bplist00junk").toBase64())),
                                  QVariant(QString(8 * 1024 * 1024, QLatin1Char('A'))), QVariant()})
        EXPECT_FALSE(TRRuleFromPropertyListValue(value).ok()) << value.typeName();
}

TEST_F(RuleTest, TheValueTransformerStoresRulesAndOnlyRules) {
    TDRuleArchiveValueTransformer transformer;
    const TRRulePtr tree = sampleTree();
    const QVariant bytes = transformer.transformedValue(QVariant::fromValue(tree));
    ASSERT_EQ(bytes.metaType().id(), QMetaType::QByteArray);
    const QVariant back = transformer.reverseTransformedValue(bytes);
    ASSERT_EQ(back.metaType(), QMetaType::fromType<TRRulePtr>());
    expectSameTree(*tree, *back.value<TRRulePtr>(), nullptr);

    EXPECT_FALSE(transformer.transformedValue(QStringLiteral("no rule")).isValid());
    EXPECT_FALSE(transformer.transformedValue(QVariant::fromValue(TRRulePtr())).isValid());
    EXPECT_FALSE(transformer.reverseTransformedValue(QByteArray("garbage")).isValid());
    EXPECT_FALSE(
        transformer.reverseTransformedValue(rawArchive(leafWith(QStringLiteral("ruleType"), qint64(7))))
            .isValid());
    EXPECT_FALSE(transformer.reverseTransformedValue(QVariant()).isValid());
}

class StoredRuleTest : public modeltest::LibraryTest {};

TEST_F(StoredRuleTest, ASmartFolderRuleIsSavedAndReadBackThroughTheStore) {
    ASSERT_TRUE(platform::valueTransformerForName(TDRuleArchiveValueTransformerName));
    const TRRulePtr tree = sampleTree();
    platform::ManagedObject* stored = insert(QStringLiteral("SmartFolderRule"));
    ASSERT_TRUE(stored);
    stored->setValue(QStringLiteral("rule"), QVariant::fromValue(tree));
    saveAll();

    TDManagedObjectContext reader(coordinator.get());
    const auto fetched = reader.execute(platform::FetchRequest(QStringLiteral("SmartFolderRule")));
    ASSERT_TRUE(fetched.ok());
    ASSERT_EQ(fetched->size(), 1);
    const QVariant rule = fetched->first()->value(QStringLiteral("rule"));
    ASSERT_EQ(rule.metaType(), QMetaType::fromType<TRRulePtr>());
    expectSameTree(*tree, *rule.value<TRRulePtr>(), nullptr);

    // Something that is no rule never reaches the store.
    stored->setValue(QStringLiteral("rule"), QStringLiteral("no rule"));
    EXPECT_FALSE(context->save().ok());
}

}  // namespace
