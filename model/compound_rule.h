#pragma once

#include "model/rule.h"

#include <QList>

// All, any or none of its children. Child order is the editor's row order and the order of the
// subpredicates; every child's parent is this rule.
class TRCompoundRule final : public TRRule {
public:
    explicit TRCompoundRule(int ruleType = TRRuleTypeNone) : TRRule(ruleType) {}
    ~TRCompoundRule() override;

    static std::shared_ptr<TRCompoundRule> compoundRuleWithType(int ruleType,
                                                                const QList<TRRulePtr>& subrules);

    const QList<TRRulePtr>& subrules() const { return m_subrules; }
    void setSubrules(const QList<TRRulePtr>& subrules);
    void addSubrule(const TRRulePtr& rule);
    void insertSubrule(const TRRulePtr& rule, qsizetype index);
    void insertSubrules(const QList<TRRulePtr>& rules, qsizetype index);
    void removeSubrule(const TRRulePtr& rule);

    platform::PredicatePtr predicate() const override;
    bool hasRuleWithKeyPath(const QString& keyPath, const QVariant& value) const override;
    bool hasRelativeDateRule() const override;
    QVariantList ruleValuesForKeyPath(const QString& keyPath) const override;
    TRRulePtr ruleByRemovingSubruleWithKeyPath(const QString& keyPath, const QVariant& value) override;
    TRRulePtr copy() const override;
    QString description() const override;

private:
    QList<TRRulePtr> m_subrules;
};
