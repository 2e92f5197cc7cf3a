#pragma once

#include "platform/predicates/predicate.h"

#include <memory>

// A filter that stays the same object while it is switched on and off or given a new condition, so
// every collection holding it sees the change without being handed a new predicate. Main thread only.
class TDMutableComparisonPredicate final : public platform::Predicate {
public:
    explicit TDMutableComparisonPredicate(platform::PredicatePtr realPredicate = {});

    const platform::PredicatePtr& realPredicate() const { return m_realPredicate; }
    void setRealPredicate(platform::PredicatePtr predicate);
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // A new wrapper of the same condition with the same switch.
    std::shared_ptr<TDMutableComparisonPredicate> copy() const;

    // Holds when switched off or without a condition.
    bool evaluate(const QVariant& object, const QVariantMap& variables) const override;
    using Predicate::evaluate;
    // The condition held, whether switched on or not ("TRUEPREDICATE" without one).
    QString format() const override;
    // For logs: "TRUE PREDICATE" without a condition.
    QString description() const;
    bool isEqual(const Predicate& other) const override;
    platform::PredicatePtr substitutingVariables(const QVariantMap& variables,
                                                 QString* missing) const override;

private:
    platform::PredicatePtr m_realPredicate;
    bool m_enabled = true;
};
