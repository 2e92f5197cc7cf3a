#include "model/compound_rule.h"

#include "platform/base/log.h"
#include "platform/predicates/compound_predicate.h"
#include "platform/predicates/value_comparison.h"

TRCompoundRule::~TRCompoundRule() {
    // A child kept alive elsewhere must not point at a parent that is gone.
    for (const TRRulePtr& rule : std::as_const(m_subrules))
        if (rule->parentRule() == this) rule->setParentRule(nullptr);
}

std::shared_ptr<TRCompoundRule> TRCompoundRule::compoundRuleWithType(int ruleType,
                                                                     const QList<TRRulePtr>& subrules) {
    auto rule = std::make_shared<TRCompoundRule>(ruleType);
    rule->setSubrules(subrules);
    return rule;
}

void TRCompoundRule::setSubrules(const QList<TRRulePtr>& subrules) {
    m_subrules.clear();
    for (const TRRulePtr& rule : subrules) {
        rule->setParentRule(this);
        m_subrules.append(rule);
    }
}

void TRCompoundRule::addSubrule(const TRRulePtr& rule) {
    rule->setParentRule(this);
    m_subrules.append(rule);
}

void TRCompoundRule::insertSubrule(const TRRulePtr& rule, qsizetype index) {
    rule->setParentRule(this);
    m_subrules.insert(qBound(qsizetype(0), index, m_subrules.size()), rule);
}

void TRCompoundRule::insertSubrules(const QList<TRRulePtr>& rules, qsizetype index) {
    index = qBound(qsizetype(0), index, m_subrules.size());
    for (const TRRulePtr& rule : rules) {
        rule->setParentRule(this);
        m_subrules.insert(index++, rule);
    }
}

void TRCompoundRule::removeSubrule(const TRRulePtr& rule) {
    if (!m_subrules.contains(rule)) return;
    rule->setParentRule(nullptr);
    m_subrules.removeAll(rule);
}

platform::PredicatePtr TRCompoundRule::predicate() const {
    if (ruleType() < TRRuleTypeNone || ruleType() > TRRuleTypeAny) {
        logWithLevel(TDLogError, "ERROR",
                     "Tried to create a compound predicate with the wrong rule type: %ld",
                     qint64(ruleType()));
        return nullptr;
    }
    // A child without a predicate (an unknown condition) is left out rather than read as true or false.
    QList<platform::PredicatePtr> predicates;
    for (const TRRulePtr& rule : m_subrules)
        if (platform::PredicatePtr predicate = rule->predicate()) predicates.append(predicate);

    using platform::CompoundPredicate;
    switch (ruleType()) {
        case TRRuleTypeAll:
            return predicates.size() == 1 ? predicates.first() : CompoundPredicate::andPredicate(predicates);
        case TRRuleTypeAny:
            return predicates.size() == 1 ? predicates.first() : CompoundPredicate::orPredicate(predicates);
        default:
            return CompoundPredicate::notPredicate(
                predicates.size() == 1 ? predicates.first() : CompoundPredicate::orPredicate(predicates));
    }
}

bool TRCompoundRule::hasRuleWithKeyPath(const QString& keyPath, const QVariant& value) const {
    return std::any_of(m_subrules.cbegin(), m_subrules.cend(),
                       [&](const TRRulePtr& rule) { return rule->hasRuleWithKeyPath(keyPath, value); });
}

bool TRCompoundRule::hasRelativeDateRule() const {
    return std::any_of(m_subrules.cbegin(), m_subrules.cend(),
                       [](const TRRulePtr& rule) { return rule->hasRelativeDateRule(); });
}

QVariantList TRCompoundRule::ruleValuesForKeyPath(const QString& keyPath) const {
    QVariantList values;
    for (const TRRulePtr& rule : m_subrules) {
        for (const QVariant& value : rule->ruleValuesForKeyPath(keyPath)) {
            const bool known = std::any_of(values.cbegin(), values.cend(), [&](const QVariant& v) {
                return platform::valuesEqual(v, value);
            });
            if (!known) values.append(value);
        }
    }
    return values;
}

TRRulePtr TRCompoundRule::ruleByRemovingSubruleWithKeyPath(const QString& keyPath, const QVariant& value) {
    auto result = std::make_shared<TRCompoundRule>(ruleType());
    for (const TRRulePtr& rule : std::as_const(m_subrules))
        if (TRRulePtr kept = rule->ruleByRemovingSubruleWithKeyPath(keyPath, value)) result->addSubrule(kept);
    return result;
}

TRRulePtr TRCompoundRule::copy() const {
    auto result = std::shared_ptr<TRCompoundRule>(new TRCompoundRule(*this));
    result->m_subrules.clear();
    for (const TRRulePtr& rule : m_subrules) result->addSubrule(rule->copy());
    return result;
}

QString TRCompoundRule::description() const {
    QString text = p_indentation() +
                   formatString("TRCompoundRule: <%lX> %d\n", quint64(quintptr(this)), qint64(ruleType()));
    for (const TRRulePtr& rule : m_subrules) text += rule->description();
    return text;
}
