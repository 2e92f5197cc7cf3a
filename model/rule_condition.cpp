#include "model/rule_condition.h"

#include "language/localized_string.h"
#include "model/comparison_rule.h"

namespace {

TRRuleCondition entry(const char* name, int conditionType) {
    return TRRuleCondition::conditionWithName(TDLocalizedString(name), conditionType);
}

const TRRuleCondition kSeparator = TRRuleCondition::separatorCondition();

}  // namespace

TRRuleCondition TRRuleCondition::conditionWithName(const QString& name, int conditionType) {
    TRRuleCondition condition;
    // An empty name still names an entry; only a missing one makes a separator.
    condition.m_name = name.isNull() ? QString(QLatin1String("")) : name;
    condition.m_conditionType = conditionType;
    return condition;
}

QList<TRRuleCondition> TRRuleCondition::conditionsForStringRuleType() {
    return {entry("contains", TRConditionContains),
            entry("does not contain", TRConditionDoesNotContain),
            kSeparator,
            entry("starts with", TRConditionBeginsWith),
            entry("ends with", TRConditionEndsWith),
            kSeparator,
            entry("is equal to", TRConditionEqualTo),
            entry("is not equal to", TRConditionNotEqualTo)};
}

QList<TRRuleCondition> TRRuleCondition::conditionsForNumberRuleType() {
    return {entry("is greater than", TRConditionGreaterThan),
            entry("is greater than or equal to", TRConditionGreaterThanOrEqualTo),
            kSeparator,
            entry("is less than", TRConditionLessThan),
            entry("is less than or equal to", TRConditionLessThanOrEqualTo),
            kSeparator,
            entry("is", TRConditionEqualTo),
            entry("is not", TRConditionNotEqualTo)};
}

QList<TRRuleCondition> TRRuleCondition::conditionsForDateRuleType() {
    return {entry("within the next", TRConditionWithinTheNext),
            entry("in the last", TRConditionInTheLast),
            kSeparator,
            entry("on or before", TRConditionLessThanOrEqualTo),
            entry("before", TRConditionLessThan),
            entry("on or after", TRConditionGreaterThanOrEqualTo),
            entry("after", TRConditionGreaterThan),
            kSeparator,
            entry("today", TRConditionToday),
            entry("yesterday", TRConditionYesterday)};
}

QList<TRRuleCondition> TRRuleCondition::conditionsForOptionalDateRuleType() {
    return conditionsForDateRuleType() << kSeparator << entry("is not set", TRConditionIsNil);
}

QList<TRRuleCondition> TRRuleCondition::conditionsForTimeAmountRuleType() {
    return {entry("is at most", TRConditionLessThanOrEqualTo),
            entry("is at least", TRConditionGreaterThanOrEqualTo), entry("is set", TRConditionIsNotZero),
            entry("is not set", TRConditionIsZero)};
}

QList<TRRuleCondition> TRRuleCondition::conditionsForDataSizeRuleType() {
    return {entry("is less than", TRConditionLessThan),
            entry("is less than or equal to", TRConditionLessThanOrEqualTo),
            entry("is equal to", TRConditionEqualTo),
            entry("is greater than or equal to", TRConditionGreaterThanOrEqualTo),
            entry("is greater than", TRConditionGreaterThan)};
}

QList<TRRuleCondition> TRRuleCondition::conditionsForListRuleType() {
    return {entry("is", TRConditionEqualTo), entry("is not", TRConditionNotEqualTo)};
}

QList<TRRuleCondition> TRRuleCondition::conditionsForMultipleChoiceRuleType() {
    return {entry("is one of", TRConditionEqualTo), entry("is not one of", TRConditionNotEqualTo)};
}

QList<TRRuleCondition> TRRuleCondition::conditionsForRatingRuleType() {
    return {entry("is", TRConditionEqualTo),
            entry("is not", TRConditionNotEqualTo),
            entry("is less than", TRConditionLessThan),
            entry("is less than or equal to", TRConditionLessThanOrEqualTo),
            entry("is greater than", TRConditionGreaterThan),
            entry("is greater than or equal to", TRConditionGreaterThanOrEqualTo)};
}

QList<TRRuleCondition> TRRuleCondition::conditionsForTextRuleType() {
    return {entry("contains", TRConditionContains), entry("does not contain", TRConditionDoesNotContain),
            entry("is empty", TRConditionIsNil), entry("is not empty", TRConditionIsNotNil)};
}

QList<TRRuleCondition> TRRuleCondition::conditionsForTextContentRuleType() {
    return {entry("contains", TRConditionContains), entry("does not contain", TRConditionDoesNotContain)};
}

QList<TRRuleCondition> TRRuleCondition::conditionsForTokenRuleType() {
    return conditionsForTextRuleType();
}
