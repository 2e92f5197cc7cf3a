#pragma once

#include <QList>
#include <QString>

// One entry of a rule editor's condition menu: a localized name and the condition code it stands for.
// A condition without a name is a separator line.
class TRRuleCondition final {
public:
    TRRuleCondition() = default;
    static TRRuleCondition conditionWithName(const QString& name, int conditionType);
    static TRRuleCondition separatorCondition() { return {}; }

    const QString& name() const { return m_name; }
    int conditionType() const { return m_conditionType; }
    bool isSeparator() const { return m_name.isNull(); }

    bool operator==(const TRRuleCondition&) const = default;

    // The menus of each kind of field, in menu order, localized at each call.
    static QList<TRRuleCondition> conditionsForStringRuleType();
    static QList<TRRuleCondition> conditionsForNumberRuleType();
    static QList<TRRuleCondition> conditionsForDateRuleType();
    // The date menu and "is not set", for dates that may be missing.
    static QList<TRRuleCondition> conditionsForOptionalDateRuleType();
    static QList<TRRuleCondition> conditionsForTimeAmountRuleType();
    static QList<TRRuleCondition> conditionsForDataSizeRuleType();
    static QList<TRRuleCondition> conditionsForListRuleType();
    static QList<TRRuleCondition> conditionsForMultipleChoiceRuleType();
    static QList<TRRuleCondition> conditionsForRatingRuleType();
    static QList<TRRuleCondition> conditionsForTextRuleType();
    static QList<TRRuleCondition> conditionsForTextContentRuleType();
    static QList<TRRuleCondition> conditionsForTokenRuleType();

private:
    QString m_name;
    int m_conditionType = 0;
};
