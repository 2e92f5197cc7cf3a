#include "model/rule_archiving.h"

#include "foundation/data_additions.h"
#include "model/comparison_rule.h"
#include "model/compound_rule.h"
#include "platform/plist/keyed_archive.h"
#include "platform/predicates/value_comparison.h"

#include <limits>
#include <mutex>

namespace {

using platform::ArchiveField;
using platform::ArchiveFieldType;
using platform::ArchiveObject;
using CompoundPtr = std::shared_ptr<TRCompoundRule>;
using ComparisonPtr = std::shared_ptr<TRComparisonRule>;

const QString kCompoundClass = QStringLiteral("TRCompoundRule");
const QString kComparisonClass = QStringLiteral("TRComparisonRule");
const QString kRuleType = QStringLiteral("ruleType");
const QString kSubrules = QStringLiteral("subrules");
const QString kKeyPath = QStringLiteral("keyPath");
const QString kConditionType = QStringLiteral("conditionType");
const QString kSavedValueKey = QStringLiteral("savedValueKey");
const QString kValue = QStringLiteral("value");
const QString kKeyIsToMany = QStringLiteral("keyIsToManyRelationship");

// Key paths of task attributes are short; a long one is no key path of ours.
constexpr qsizetype kMaximumKeyPathLength = 256;

TDError malformed(const QString& description) {
    return TDError::make(TDErrorRuleArchiveInvalid, description);
}

ArchiveObject encodeRule(const TRRule& rule);

ArchiveObject encodeCompound(const TRCompoundRule& rule) {
    QList<ArchiveObject> subrules;
    for (const TRRulePtr& subrule : rule.subrules()) subrules.append(encodeRule(*subrule));
    return {kCompoundClass,
            {{kRuleType, qint64(rule.ruleType())}, {kSubrules, QVariant::fromValue(subrules)}}};
}

ArchiveObject encodeComparison(const TRComparisonRule& rule) {
    QVariantMap fields{{kRuleType, qint64(rule.ruleType())},
                       {kKeyPath, rule.keyPath()},
                       {kConditionType, qint64(rule.conditionType())},
                       {kKeyIsToMany, rule.keyIsToManyRelationship()}};
    if (!rule.savedValueKey().isNull()) fields.insert(kSavedValueKey, rule.savedValueKey());
    if (!platform::isNilValue(rule.value())) fields.insert(kValue, rule.value());
    return {kComparisonClass, fields};
}

// The tree is built here with its class names, so that the codec checks it against the registrations.
ArchiveObject encodeRule(const TRRule& rule) {
    if (auto* compound = dynamic_cast<const TRCompoundRule*>(&rule)) return encodeCompound(*compound);
    return encodeComparison(dynamic_cast<const TRComparisonRule&>(rule));
}

Result<TRRulePtr> decodeRule(const ArchiveObject& object) {
    if (object.className == kCompoundClass) {
        Result<CompoundPtr> rule = platform::decodeArchiveObject<CompoundPtr>(object);
        if (!rule) return rule.error();
        return TRRulePtr(*rule);
    }
    Result<ComparisonPtr> rule = platform::decodeArchiveObject<ComparisonPtr>(object);
    if (!rule) return rule.error();
    return TRRulePtr(*rule);
}

Result<CompoundPtr> decodeCompound(const ArchiveObject& object) {
    const qint64 ruleType = object.fields.value(kRuleType).toLongLong();
    if (ruleType < TRRuleTypeNone || ruleType > TRRuleTypeAny)
        return malformed(QStringLiteral("A compound rule has the unknown type %1.").arg(ruleType));
    auto rule = std::make_shared<TRCompoundRule>(int(ruleType));
    for (const ArchiveObject& child : object.fields.value(kSubrules).value<QList<ArchiveObject>>()) {
        Result<TRRulePtr> subrule = decodeRule(child);
        if (!subrule) return subrule.error();
        rule->addSubrule(*subrule);
    }
    return rule;
}

Result<ComparisonPtr> decodeComparison(const ArchiveObject& object) {
    const qint64 ruleType = object.fields.value(kRuleType).toLongLong();
    if (ruleType < TRRuleTypeString || ruleType > TRRuleTypeToken)
        return malformed(QStringLiteral("A comparison rule has the unknown type %1.").arg(ruleType));
    const qint64 condition = object.fields.value(kConditionType).toLongLong();
    if (condition > std::numeric_limits<int>::max() || !TRIsKnownConditionType(int(condition)))
        return malformed(QStringLiteral("A comparison rule has the unknown condition %1.").arg(condition));
    const QString keyPath = object.fields.value(kKeyPath).toString();
    if (keyPath.isEmpty() || keyPath.size() > kMaximumKeyPathLength)
        return malformed(QStringLiteral("A comparison rule has no usable key path."));
    auto rule = std::make_shared<TRComparisonRule>(int(ruleType));
    rule->setKeyPath(keyPath);
    rule->setConditionType(int(condition));
    rule->setSavedValueKey(object.fields.value(kSavedValueKey).toString());
    rule->setValue(object.fields.value(kValue));
    rule->setKeyIsToManyRelationship(object.fields.value(kKeyIsToMany).toBool());
    return rule;
}

void registerRuleArchiveClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        const QStringList ruleClasses{kCompoundClass, kComparisonClass};
        platform::registerArchiveClass<CompoundPtr>(
            kCompoundClass,
            {ArchiveField(kRuleType, ArchiveFieldType::Integer),
             ArchiveField(kSubrules, ArchiveFieldType::ObjectList, false, ruleClasses)},
            [](const CompoundPtr& rule) { return encodeCompound(*rule); }, decodeCompound);
        platform::registerArchiveClass<ComparisonPtr>(
            kComparisonClass,
            {ArchiveField(kRuleType, ArchiveFieldType::Integer),
             ArchiveField(kKeyPath, ArchiveFieldType::String),
             ArchiveField(kConditionType, ArchiveFieldType::Integer),
             ArchiveField(kSavedValueKey, ArchiveFieldType::String, true),
             ArchiveField(kValue, ArchiveFieldType::Scalar, true),
             ArchiveField(kKeyIsToMany, ArchiveFieldType::Bool)},
            [](const ComparisonPtr& rule) { return encodeComparison(*rule); }, decodeComparison);
    });
}

}  // namespace

Result<QByteArray> TRArchivedRuleData(const TRRule& rule) {
    registerRuleArchiveClasses();
    return platform::archivedDataWithRootObject(encodeRule(rule));
}

Result<TRRulePtr> TRRuleFromArchivedData(const QByteArray& data) {
    registerRuleArchiveClasses();
    Result<ArchiveObject> tree = platform::unarchivedObjectTree(data, {kCompoundClass, kComparisonClass});
    if (!tree) return tree.error();
    return decodeRule(*tree);
}

Result<TRRulePtr> TRRuleFromPropertyListValue(const QVariant& value) {
    if (value.metaType().id() == QMetaType::QByteArray) return TRRuleFromArchivedData(value.toByteArray());
    if (value.metaType().id() != QMetaType::QString)
        return malformed(QStringLiteral("A smart folder's rule is neither data nor text."));
    const QString text = value.toString();
    // Base64 text is a third longer than its data; longer text could not hold an archive we read.
    if (text.size() > platform::kKeyedArchiveDefaultMaxSize / 3 * 4 + 4)
        return malformed(QStringLiteral("A smart folder's rule is too large."));
    const Result<QByteArray> data = dataWithBase64EncodedStringStrict(text);
    if (!data) return data.error();
    return TRRuleFromArchivedData(*data);
}
