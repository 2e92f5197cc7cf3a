#pragma once

#include "model/rule.h"

#include <QDateTime>

class TRRuleField;

// The condition codes of leaf rules; the rule editor's condition menus carry them.
enum TRConditionType : int {
    TRConditionLessThan = 1,
    TRConditionLessThanOrEqualTo = 2,
    TRConditionEqualTo = 3,
    TRConditionNotEqualTo = 4,
    TRConditionGreaterThanOrEqualTo = 5,
    TRConditionGreaterThan = 6,
    TRConditionIsTrue = 7,
    TRConditionIsFalse = 8,
    TRConditionBeginsWith = 100,
    TRConditionContains = 101,
    TRConditionDoesNotContain = 102,
    TRConditionEndsWith = 103,
    TRConditionIsNil = 200,
    TRConditionIsNotNil = 201,
    TRConditionIsZero = 202,
    TRConditionIsNotZero = 203,
    TRConditionInTheLast = 300,
    TRConditionWithinTheNext = 301,
    TRConditionYesterday = 302,
    TRConditionToday = 303,
};

// Whether a code is one of the above.
bool TRIsKnownConditionType(int conditionType);

// A leaf: one attribute of a task (its key path) compared with a value. Relative dates and time amounts
// are held as strings: "3w" is three weeks, "1.500000h" an hour and a half.
class TRComparisonRule final : public TRRule {
public:
    explicit TRComparisonRule(int ruleType = TRRuleTypeString) : TRRule(ruleType) {}

    // A new leaf for the field: its first condition and the default value for it.
    static std::shared_ptr<TRComparisonRule> ruleForField(const TRRuleField& field);
    // Re-targets the leaf at another field, keeping condition and value where they still fit.
    void takeValuesFromField(const TRRuleField& field);

    const QString& keyPath() const { return m_keyPath; }
    void setKeyPath(const QString& keyPath) { m_keyPath = keyPath; }
    int conditionType() const { return m_conditionType; }
    void setConditionType(int conditionType) { m_conditionType = conditionType; }
    const QString& savedValueKey() const { return m_savedValueKey; }
    void setSavedValueKey(const QString& key) { m_savedValueKey = key; }
    const QVariant& value() const { return m_value; }
    void setValue(const QVariant& value) { m_value = value; }
    // The key path names a to-many relationship, so equality is membership.
    bool keyIsToManyRelationship() const { return m_keyIsToManyRelationship; }
    void setKeyIsToManyRelationship(bool toMany) { m_keyIsToManyRelationship = toMany; }

    // The parts of a relative-date value; an unreadable value reads as one day.
    qint64 relativeDateQuantity() const;
    void setRelativeDateQuantity(qint64 quantity);
    QString relativeDateUnit() const;
    void setRelativeDateUnit(const QString& unit);
    // The parts of a time-amount value; an unreadable value reads as one hour.
    double timeAmount() const;
    void setTimeAmount(double amount);
    QString timeAmountUnit() const;
    void setTimeAmountUnit(const QString& unit);
    // Days and weeks are working days and weeks of the user's settings.
    double timeAmountInSeconds() const;
    // The range of the relative date conditions, from the start of today on the shared clock.
    void getRelativeLowerBoundDate(QDateTime* lower, QDateTime* upper) const;

    platform::PredicatePtr predicate() const override;
    bool hasRuleWithKeyPath(const QString& keyPath, const QVariant& value) const override;
    bool hasRelativeDateRule() const override;
    QVariantList ruleValuesForKeyPath(const QString& keyPath) const override;
    TRRulePtr ruleByRemovingSubruleWithKeyPath(const QString& keyPath, const QVariant& value) override;
    TRRulePtr copy() const override;
    QString description() const override;

private:
    QString m_keyPath;
    int m_conditionType = TRConditionEqualTo;
    QString m_savedValueKey;
    QVariant m_value;
    bool m_keyIsToManyRelationship = false;
};

// The LIKE pattern that finds `text` literally as a substring: the pattern's own characters "\", "?"
// and "*" are escaped.
QString TRContainsPattern(const QString& text);
