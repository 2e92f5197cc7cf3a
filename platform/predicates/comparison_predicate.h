#pragma once

#include "platform/predicates/expression.h"
#include "platform/predicates/predicate.h"
#include "platform/predicates/value_comparison.h"

#include <memory>
#include <optional>

namespace platform {

// `left operator[options] right`, optionally over each element of a to-many left side (ANY, ALL, NONE).
// A constant side is prepared when the predicate is made (diacritics removed, LIKE pattern compiled,
// membership sets of IN built), so evaluation only reads the object's side.
class ComparisonPredicate final : public Predicate {
public:
    enum class Operator {
        LessThan,
        LessThanOrEqualTo,
        EqualTo,
        NotEqualTo,
        GreaterThanOrEqualTo,
        GreaterThan,
        BeginsWith,
        EndsWith,
        Contains,
        Like,
        In,
    };
    enum class Modifier { Direct, Any, All, None };

    ComparisonPredicate(Expression left, Expression right, Operator op, Modifier modifier = Modifier::Direct,
                        ComparisonOptions options = {});
    ~ComparisonPredicate() override;
    static PredicatePtr make(Expression left, Expression right, Operator op,
                             Modifier modifier = Modifier::Direct, ComparisonOptions options = {});

    Kind kind() const override { return Kind::Comparison; }
    const Expression& leftExpression() const { return m_left; }
    const Expression& rightExpression() const { return m_right; }
    Operator operatorType() const { return m_operator; }
    Modifier modifier() const { return m_modifier; }
    ComparisonOptions options() const { return m_options; }

    bool evaluate(const QVariant& object, const QVariantMap& variables) const override;
    using Predicate::evaluate;
    QString format() const override;
    bool isEqual(const Predicate& other) const override;
    PredicatePtr substitutingVariables(const QVariantMap& variables, QString* missing) const override;

private:
    struct Operand;
    bool p_test(const ComparableValue& left, Operator op, const Operand& right) const;
    ComparableValue p_objectSide(const Expression& side, const QVariant& object,
                                 const QVariantMap& variables) const;

    Expression m_left;
    Expression m_right;
    Operator m_operator;
    Modifier m_modifier;
    ComparisonOptions m_options;
    std::unique_ptr<const Operand> m_leftConstant;   // null unless the left side is a constant
    std::unique_ptr<const Operand> m_rightConstant;  // null unless the right side is a constant
    // `constant op keyPath` is evaluated as `keyPath mirrored constant`, like the common form.
    std::optional<Operator> m_mirrored;
};

}  // namespace platform
