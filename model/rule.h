#pragma once

#include "platform/predicates/predicate.h"

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <memory>

class TRCompoundRule;
class TRRule;
using TRRulePtr = std::shared_ptr<TRRule>;

// Below 100 the kind of a compound rule (the numbers of the compound predicate kinds NOT, AND, OR); from
// 100 the kind of field a leaf tests.
enum TRRuleType : int {
    TRRuleTypeNone = 0,
    TRRuleTypeAll = 1,
    TRRuleTypeAny = 2,
    TRRuleTypeString = 100,
    TRRuleTypeNumber = 101,
    TRRuleTypeDate = 102,
    TRRuleTypeTimeAmount = 103,
    TRRuleTypeDataSize = 104,
    TRRuleTypeList = 105,
    TRRuleTypeMultipleChoice = 106,
    TRRuleTypeRating = 107,
    TRRuleTypeText = 108,
    TRRuleTypeTextContent = 109,
    TRRuleTypeToken = 110,
};

// A node of a smart folder's rule tree, always held by a TRRulePtr. Parents own their children; the parent
// link is a plain pointer that the parent clears when it goes away.
class TRRule : public std::enable_shared_from_this<TRRule> {
public:
    virtual ~TRRule();

    int ruleType() const { return m_ruleType; }
    void setRuleType(int ruleType) { m_ruleType = ruleType; }
    TRCompoundRule* parentRule() const { return m_parentRule; }
    void setParentRule(TRCompoundRule* parentRule) { m_parentRule = parentRule; }

    bool isCompoundRule() const { return m_ruleType < TRRuleTypeString; }
    int ruleDepth() const;

    // Rebuilt at every call, so that relative dates follow the clock; null when the rule has none.
    virtual platform::PredicatePtr predicate() const = 0;
    virtual bool hasRuleWithKeyPath(const QString& keyPath, const QVariant& value) const = 0;
    // Whether the result depends on today's date.
    virtual bool hasRelativeDateRule() const = 0;
    // The distinct values of the leaves on the key path, in tree order.
    virtual QVariantList ruleValuesForKeyPath(const QString& keyPath) const = 0;
    // The tree without the leaves testing `value` on the key path: null for such a leaf, the leaf itself
    // otherwise, and a new compound of the same type over the kept children for a compound.
    virtual TRRulePtr ruleByRemovingSubruleWithKeyPath(const QString& keyPath, const QVariant& value) = 0;
    // A deep copy; it keeps the parent link of the rule it was made from.
    virtual TRRulePtr copy() const = 0;
    // Debugging text of the tree, indented by depth.
    virtual QString description() const = 0;

protected:
    explicit TRRule(int ruleType) : m_ruleType(ruleType) {}
    TRRule(const TRRule& other)
        : std::enable_shared_from_this<TRRule>(),
          m_ruleType(other.m_ruleType),
          m_parentRule(other.m_parentRule) {}
    TRRule& operator=(const TRRule&) = delete;

    QString p_indentation() const;

private:
    int m_ruleType;
    TRCompoundRule* m_parentRule = nullptr;
};

Q_DECLARE_METATYPE(TRRulePtr)
