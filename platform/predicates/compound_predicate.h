#pragma once

#include "platform/predicates/predicate.h"

#include <QList>

namespace platform {

// NOT, AND or OR over subpredicates, evaluated in order and stopping early. An empty AND holds, an
// empty OR does not; NOT holds when none of its subpredicates does.
class CompoundPredicate final : public Predicate {
public:
    enum class Type { Not = 0, And = 1, Or = 2 };

    // Null subpredicates are left out.
    CompoundPredicate(Type type, const QList<PredicatePtr>& subpredicates);
    static PredicatePtr andPredicate(const QList<PredicatePtr>& subpredicates);
    static PredicatePtr orPredicate(const QList<PredicatePtr>& subpredicates);
    static PredicatePtr notPredicate(const PredicatePtr& subpredicate);

    Kind kind() const override { return Kind::Compound; }
    Type type() const { return m_type; }
    const QList<PredicatePtr>& subpredicates() const { return m_subpredicates; }

    bool evaluate(const QVariant& object, const QVariantMap& variables) const override;
    using Predicate::evaluate;
    QString format() const override;
    bool isEqual(const Predicate& other) const override;
    PredicatePtr substitutingVariables(const QVariantMap& variables, QString* missing) const override;

private:
    Type m_type;
    QList<PredicatePtr> m_subpredicates;
};

}  // namespace platform
