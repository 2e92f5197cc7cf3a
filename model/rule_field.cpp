#include "model/rule_field.h"

#include "model/comparison_rule.h"
#include "platform/base/clock.h"
#include "platform/predicates/value_comparison.h"

namespace {

QList<TRRuleCondition> catalogueForRuleType(int ruleType) {
    switch (ruleType) {
        case TRRuleTypeString:
            return TRRuleCondition::conditionsForStringRuleType();
        case TRRuleTypeNumber:
            return TRRuleCondition::conditionsForNumberRuleType();
        case TRRuleTypeDate:
            return TRRuleCondition::conditionsForDateRuleType();
        case TRRuleTypeTimeAmount:
            return TRRuleCondition::conditionsForTimeAmountRuleType();
        case TRRuleTypeDataSize:
            return TRRuleCondition::conditionsForDataSizeRuleType();
        case TRRuleTypeList:
            return TRRuleCondition::conditionsForListRuleType();
        case TRRuleTypeMultipleChoice:
            return TRRuleCondition::conditionsForMultipleChoiceRuleType();
        case TRRuleTypeRating:
            return TRRuleCondition::conditionsForRatingRuleType();
        case TRRuleTypeText:
            return TRRuleCondition::conditionsForTextRuleType();
        case TRRuleTypeTextContent:
            return TRRuleCondition::conditionsForTextContentRuleType();
        case TRRuleTypeToken:
            return TRRuleCondition::conditionsForTokenRuleType();
        default:
            return {};
    }
}

QString emptyString() {
    return QString(QLatin1String(""));
}

}  // namespace

std::shared_ptr<TRRuleField> TRRuleField::fieldWithKeyPath(const QString& keyPath, const QString& name,
                                                           int ruleType,
                                                           const QList<TRRuleCondition>& conditions) {
    auto field = std::make_shared<TRRuleField>();
    field->setKeyPath(keyPath);
    field->setConditions(conditions);
    field->setName(name);
    field->setRuleType(ruleType);
    return field;
}

std::shared_ptr<TRRuleField> TRRuleField::fieldWithKeyPath(const QString& keyPath, const QString& name,
                                                           int ruleType) {
    auto field = std::make_shared<TRRuleField>();
    field->setKeyPath(keyPath);
    field->setName(name);
    field->setRuleType(ruleType);
    return field;
}

std::shared_ptr<TRRuleField> TRRuleField::separatorField() {
    return std::make_shared<TRRuleField>();
}

void TRRuleField::setRuleType(int ruleType) {
    m_ruleType = ruleType;
    if (m_conditions.isEmpty()) m_conditions = catalogueForRuleType(ruleType);
}

void TRRuleField::setValueObjects(const QVariantList& values) {
    const qsizetype oldCount = m_valueObjects.size();
    m_valueObjects = values;
    Q_EMIT valueObjectsChanged(ValueObjectsChange::Replacement, 0, oldCount);
}

void TRRuleField::insertObjectInValueObjectsAtIndex(const QVariant& value, qsizetype index) {
    index = qBound(qsizetype(0), index, m_valueObjects.size());
    m_valueObjects.insert(index, value);
    Q_EMIT valueObjectsChanged(ValueObjectsChange::Insertion, index, 1);
}

void TRRuleField::removeObjectFromValueObjectsAtIndex(qsizetype index) {
    if (index < 0 || index >= m_valueObjects.size()) return;
    m_valueObjects.removeAt(index);
    Q_EMIT valueObjectsChanged(ValueObjectsChange::Removal, index, 1);
}

QVariant TRRuleField::defaultValueForConditionType(int conditionType) const {
    if (m_defaultValue.isValid()) return m_defaultValue;
    switch (m_ruleType) {
        case TRRuleTypeString:
            return emptyString();
        case TRRuleTypeDate:
            if (conditionType == TRConditionInTheLast || conditionType == TRConditionWithinTheNext)
                return QStringLiteral("1d");
            if (conditionType == TRConditionYesterday || conditionType == TRConditionToday)
                return emptyString();
            return TDClock::currentDateTime();
        case TRRuleTypeDataSize:
            return qint64(0);
        case TRRuleTypeList:
            return defaultValueForList();
        case TRRuleTypeText:
            if (conditionType >= TRConditionIsNil && conditionType <= TRConditionIsNotZero) return {};
            return emptyString();
        default:
            return {};
    }
}

QVariant TRRuleField::defaultValueForList() const {
    if (m_listDefaultIsNull || m_valueObjects.isEmpty()) return {};
    const QVariant& first = m_valueObjects.first();
    // The editor's placeholder for "no value" is a null entry.
    return platform::isNilValue(first) ? QVariant() : first;
}
