#include "model/smart_folder_rule_fields.h"

#include "language/localized_string.h"
#include "model/comparison_rule.h"
#include "model/rule.h"

namespace {

std::shared_ptr<TRRuleField> field(const char* keyPath, const char* name, int ruleType) {
    return TRRuleField::fieldWithKeyPath(QString::fromLatin1(keyPath), TDLocalizedString(name), ruleType);
}

std::shared_ptr<TRRuleField> field(const char* keyPath, const char* name, int ruleType,
                                   const QList<TRRuleCondition>& conditions) {
    return TRRuleField::fieldWithKeyPath(QString::fromLatin1(keyPath), TDLocalizedString(name), ruleType,
                                         conditions);
}

TRRuleCondition condition(const char* name, int conditionType) {
    return TRRuleCondition::conditionWithName(TDLocalizedString(name), conditionType);
}

// Completion and cancellation: whether it happened, then when (never in the future).
QList<TRRuleCondition> pastDateConditions(const char* notSetName, const char* setName) {
    QList<TRRuleCondition> conditions{condition(notSetName, TRConditionIsNil),
                                      condition(setName, TRConditionIsNotNil),
                                      TRRuleCondition::separatorCondition()};
    conditions << TRRuleCondition::conditionsForDateRuleType().mid(1);
    return conditions;
}

std::shared_ptr<TRRuleField> priorityField() {
    auto priority = field("priority", "Priority", TRRuleTypeList,
                          {condition("is higher than or equal to", TRConditionLessThanOrEqualTo),
                           condition("is lower than or equal to", TRConditionGreaterThanOrEqualTo),
                           TRRuleCondition::separatorCondition(), condition("is", TRConditionEqualTo),
                           condition("is not set", TRConditionIsZero)});
    QVariantList values;
    QStringList names;
    for (qint64 level = 1; level <= 9; ++level) {
        values.append(level);
        names.append(QString::number(level));
    }
    names.first() = TDLocalizedString("1 (highest)");
    names.last() = TDLocalizedString("9 (lowest)");
    priority->setValueObjects(values);
    priority->setValueNames(names);
    return priority;
}

}  // namespace

QList<std::shared_ptr<TRRuleField>> TDSmartFolderRuleFields(bool libraryHasTags) {
    QList<TRRuleCondition> tagConditions;
    if (libraryHasTags)
        tagConditions = {condition("is", TRConditionEqualTo), condition("is not", TRConditionNotEqualTo)};
    tagConditions.append(condition("is not set", TRConditionIsNil));

    return {
        field("title", "Title", TRRuleTypeString),
        field("group", "List or Folder", TRRuleTypeList),
        field("tag", "Tag", TRRuleTypeList, tagConditions),
        priorityField(),
        field("subtasks.@count", "Number of Sub-Tasks", TRRuleTypeNumber),
        TRRuleField::separatorField(),
        field("estimatedTime", "Estimated Time", TRRuleTypeTimeAmount),
        field("actualTime", "Actual Time", TRRuleTypeTimeAmount),
        TRRuleField::separatorField(),
        field("startDate", "Start", TRRuleTypeDate, TRRuleCondition::conditionsForOptionalDateRuleType()),
        field("dueDate", "Due", TRRuleTypeDate, TRRuleCondition::conditionsForOptionalDateRuleType()),
        TRRuleField::separatorField(),
        field("completedDate", "Completed", TRRuleTypeDate,
              pastDateConditions("is not completed", "is completed")),
        field("canceledDate", "Canceled", TRRuleTypeDate,
              pastDateConditions("is not canceled", "is canceled")),
        TRRuleField::separatorField(),
        field("recurring", "Repeating", TRRuleTypeList,
              {condition("is repeating", TRConditionIsTrue),
               condition("is not repeating", TRConditionIsFalse)}),
        TRRuleField::separatorField(),
        field("createdDate", "Created", TRRuleTypeDate),
        field("modifiedDate", "Modified", TRRuleTypeDate),
    };
}
