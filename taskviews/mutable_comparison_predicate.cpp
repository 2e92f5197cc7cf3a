#include "taskviews/mutable_comparison_predicate.h"

TDMutableComparisonPredicate::TDMutableComparisonPredicate(platform::PredicatePtr realPredicate)
    : m_realPredicate(std::move(realPredicate)) {
}

void TDMutableComparisonPredicate::setRealPredicate(platform::PredicatePtr predicate) {
    m_realPredicate = std::move(predicate);
}

void TDMutableComparisonPredicate::setEnabled(bool enabled) {
    m_enabled = enabled;
}

std::shared_ptr<TDMutableComparisonPredicate> TDMutableComparisonPredicate::copy() const {
    auto result = std::make_shared<TDMutableComparisonPredicate>(m_realPredicate);
    result->setEnabled(m_enabled);
    return result;
}

bool TDMutableComparisonPredicate::evaluate(const QVariant& object, const QVariantMap& variables) const {
    if (!m_enabled || !m_realPredicate) return true;
    return m_realPredicate->evaluate(object, variables);
}

QString TDMutableComparisonPredicate::format() const {
    return m_realPredicate ? m_realPredicate->format() : QStringLiteral("TRUEPREDICATE");
}

QString TDMutableComparisonPredicate::description() const {
    return m_realPredicate ? m_realPredicate->format() : QStringLiteral("TRUE PREDICATE");
}

bool TDMutableComparisonPredicate::isEqual(const Predicate& other) const {
    const auto* o = dynamic_cast<const TDMutableComparisonPredicate*>(&other);
    if (!o || o->m_enabled != m_enabled) return false;
    if (!m_realPredicate || !o->m_realPredicate) return !m_realPredicate && !o->m_realPredicate;
    return m_realPredicate->isEqual(*o->m_realPredicate);
}

platform::PredicatePtr TDMutableComparisonPredicate::substitutingVariables(const QVariantMap& variables,
                                                                           QString* missing) const {
    if (!m_realPredicate) return shared_from_this();
    platform::PredicatePtr substituted = m_realPredicate->substitutingVariables(variables, missing);
    if (substituted == m_realPredicate) return shared_from_this();
    auto result = std::make_shared<TDMutableComparisonPredicate>(substituted);
    result->setEnabled(m_enabled);
    return result;
}
