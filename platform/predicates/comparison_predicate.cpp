#include "platform/predicates/comparison_predicate.h"

#include "platform/kvc/key_value_coding.h"
#include "platform/predicates/like_pattern.h"

#include <QSet>

#include <optional>
#include <vector>

namespace platform {

using ValueKind = ComparableValue::Kind;

struct ComparisonPredicate::Operand {
    ComparableValue value;
    // A constant collection: its elements, and hash sets when every element is an object, or a string
    // compared exactly.
    std::vector<ComparableValue> elements;
    QSet<const void*> objects;
    QSet<QString> strings;
    bool setsCoverElements = false;
    std::optional<LikePattern> like;
    bool prepared = false;

    Operand(const QVariant& v, ComparisonOptions options) : value(v, options) {}
    static Operand constant(const QVariant& v, Operator op, ComparisonOptions options);
};

ComparisonPredicate::Operand ComparisonPredicate::Operand::constant(const QVariant& v, Operator op,
                                                                    ComparisonOptions options) {
    Operand operand(v, options);
    operand.prepared = true;
    if (operand.value.kind() == ValueKind::String && op == Operator::Like)
        operand.like.emplace(operand.value.string(), options);
    if (operand.value.kind() != ValueKind::Collection) return operand;
    const bool exactStrings = !options;
    operand.setsCoverElements = true;
    for (const QVariant& element : collectionElements(v)) {
        operand.elements.emplace_back(element, options);
        const ComparableValue& e = operand.elements.back();
        if (e.kind() == ValueKind::Object)
            operand.objects.insert(e.object());
        else if (e.kind() == ValueKind::String && exactStrings)
            operand.strings.insert(e.string());
        else
            operand.setsCoverElements = false;
    }
    return operand;
}

ComparisonPredicate::ComparisonPredicate(Expression left, Expression right, Operator op, Modifier modifier,
                                         ComparisonOptions options)
    : m_left(std::move(left)),
      m_right(std::move(right)),
      m_operator(op),
      m_modifier(modifier),
      m_options(options) {
    if (m_left.kind() == Expression::Kind::Constant)
        m_leftConstant =
            std::make_unique<const Operand>(Operand::constant(m_left.constantValue(), op, options));
    if (m_right.kind() == Expression::Kind::Constant)
        m_rightConstant =
            std::make_unique<const Operand>(Operand::constant(m_right.constantValue(), op, options));
    if (m_modifier == Modifier::Direct && m_leftConstant && !m_rightConstant) {
        // Equality is symmetric and each order the reverse of its mirror, so the sides can change places.
        switch (op) {
            case Operator::LessThan:
                m_mirrored = Operator::GreaterThan;
                break;
            case Operator::LessThanOrEqualTo:
                m_mirrored = Operator::GreaterThanOrEqualTo;
                break;
            case Operator::GreaterThan:
                m_mirrored = Operator::LessThan;
                break;
            case Operator::GreaterThanOrEqualTo:
                m_mirrored = Operator::LessThanOrEqualTo;
                break;
            case Operator::EqualTo:
            case Operator::NotEqualTo:
                m_mirrored = op;
                break;
            default:
                break;
        }
    }
}

ComparisonPredicate::~ComparisonPredicate() = default;

PredicatePtr ComparisonPredicate::make(Expression left, Expression right, Operator op, Modifier modifier,
                                       ComparisonOptions options) {
    return std::make_shared<ComparisonPredicate>(std::move(left), std::move(right), op, modifier, options);
}

bool ComparisonPredicate::p_test(const ComparableValue& left, Operator op, const Operand& right) const {
    const ComparableValue& r = right.value;
    const Qt::CaseSensitivity cs =
        m_options.testFlag(ComparisonOption::CaseInsensitive) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const bool strings = left.kind() == ValueKind::String && r.kind() == ValueKind::String;
    switch (op) {
        case Operator::EqualTo:
            return valuesEqual(left, r, m_options);
        case Operator::NotEqualTo:
            return !valuesEqual(left, r, m_options);
        case Operator::LessThan:
            return compareValues(left, r, m_options) < 0;
        case Operator::LessThanOrEqualTo:
            return compareValues(left, r, m_options) <= 0;
        case Operator::GreaterThan:
            return compareValues(left, r, m_options) > 0;
        case Operator::GreaterThanOrEqualTo:
            return compareValues(left, r, m_options) >= 0;
        case Operator::BeginsWith:
            return strings && left.string().startsWith(r.string(), cs);
        case Operator::EndsWith:
            return strings && left.string().endsWith(r.string(), cs);
        case Operator::Contains:
            if (strings) return left.string().contains(r.string(), cs);
            if (left.kind() == ValueKind::Collection)
                return collectionContains(collectionElements(left.value()), r, m_options);
            return false;
        case Operator::Like:
            if (!strings) return false;
            if (right.like) return right.like->matches(left.string());
            return LikePattern(r.string(), m_options).matches(left.string());
        case Operator::In:
            if (strings) return r.string().contains(left.string(), cs);
            if (r.kind() != ValueKind::Collection) return false;
            if (right.setsCoverElements) {
                if (left.kind() == ValueKind::Object) return right.objects.contains(left.object());
                if (left.kind() == ValueKind::String) return right.strings.contains(left.string());
                return false;
            }
            if (right.prepared) {
                for (const ComparableValue& element : right.elements)
                    if (valuesEqual(left, element, m_options)) return true;
                return false;
            }
            return collectionContains(collectionElements(r.value()), left, m_options);
    }
    return false;
}

// A stored value is read where it lies rather than copied out.
ComparableValue ComparisonPredicate::p_objectSide(const Expression& side, const QVariant& object,
                                                  const QVariantMap& variables) const {
    if (const QVariant* stored = side.storedValue(object)) return ComparableValue(*stored, m_options);
    return ComparableValue(side.evaluate(object, variables), m_options);
}

bool ComparisonPredicate::evaluate(const QVariant& object, const QVariantMap& variables) const {
    if (m_mirrored) return p_test(p_objectSide(m_right, object, variables), *m_mirrored, *m_leftConstant);
    if (m_modifier == Modifier::Direct && m_rightConstant && !m_leftConstant)
        return p_test(p_objectSide(m_left, object, variables), m_operator, *m_rightConstant);

    std::optional<Operand> runtimeRight;
    if (!m_rightConstant) runtimeRight.emplace(m_right.evaluate(object, variables), m_options);
    const Operand& right = m_rightConstant ? *m_rightConstant : *runtimeRight;

    if (m_modifier == Modifier::Direct) {
        if (m_leftConstant) return p_test(m_leftConstant->value, m_operator, right);
        return p_test(ComparableValue(m_left.evaluate(object, variables), m_options), m_operator, right);
    }

    // ANY and NONE look for an element that passes, ALL for one that fails. Nil has no elements; a
    // value that is no collection is its only element.
    const bool soughtResult = m_modifier != Modifier::All;
    bool found = false;
    if (m_leftConstant) {
        const ComparableValue& value = m_leftConstant->value;
        if (value.kind() == ValueKind::Collection) {
            for (const ComparableValue& element : m_leftConstant->elements)
                if ((found = p_test(element, m_operator, right) == soughtResult)) break;
        } else if (value.kind() != ValueKind::Nil) {
            found = p_test(value, m_operator, right) == soughtResult;
        }
    } else {
        const QVariant value = m_left.evaluate(object, variables);
        if (isCollectionValue(value)) {
            for (const QVariant& element : collectionElements(value))
                if ((found = p_test(ComparableValue(element, m_options), m_operator, right) == soughtResult))
                    break;
        } else if (!isNilValue(value)) {
            found = p_test(ComparableValue(value, m_options), m_operator, right) == soughtResult;
        }
    }
    return m_modifier == Modifier::Any ? found : !found;
}

namespace {

QString operatorName(ComparisonPredicate::Operator op) {
    using Operator = ComparisonPredicate::Operator;
    switch (op) {
        case Operator::LessThan:
            return QStringLiteral("<");
        case Operator::LessThanOrEqualTo:
            return QStringLiteral("<=");
        case Operator::EqualTo:
            return QStringLiteral("==");
        case Operator::NotEqualTo:
            return QStringLiteral("!=");
        case Operator::GreaterThanOrEqualTo:
            return QStringLiteral(">=");
        case Operator::GreaterThan:
            return QStringLiteral(">");
        case Operator::BeginsWith:
            return QStringLiteral("BEGINSWITH");
        case Operator::EndsWith:
            return QStringLiteral("ENDSWITH");
        case Operator::Contains:
            return QStringLiteral("CONTAINS");
        case Operator::Like:
            return QStringLiteral("LIKE");
        case Operator::In:
            return QStringLiteral("IN");
    }
    return {};
}

}  // namespace

QString ComparisonPredicate::format() const {
    QString text;
    switch (m_modifier) {
        case Modifier::Any:
            text = QStringLiteral("ANY ");
            break;
        case Modifier::All:
            text = QStringLiteral("ALL ");
            break;
        case Modifier::None:
            text = QStringLiteral("NONE ");
            break;
        case Modifier::Direct:
            break;
    }
    text += m_left.format() + QLatin1Char(' ') + operatorName(m_operator);
    if (m_options) {
        text += QLatin1Char('[');
        if (m_options.testFlag(ComparisonOption::CaseInsensitive)) text += QLatin1Char('c');
        if (m_options.testFlag(ComparisonOption::DiacriticInsensitive)) text += QLatin1Char('d');
        text += QLatin1Char(']');
    }
    return text + QLatin1Char(' ') + m_right.format();
}

bool ComparisonPredicate::isEqual(const Predicate& other) const {
    if (other.kind() != Kind::Comparison) return false;
    const auto& o = static_cast<const ComparisonPredicate&>(other);
    return m_operator == o.m_operator && m_modifier == o.m_modifier && m_options == o.m_options &&
           m_left == o.m_left && m_right == o.m_right;
}

PredicatePtr ComparisonPredicate::substitutingVariables(const QVariantMap& variables,
                                                        QString* missing) const {
    if (m_left.kind() != Expression::Kind::Variable && m_right.kind() != Expression::Kind::Variable)
        return shared_from_this();
    bool absent = false;
    Expression left = m_left.substituting(variables, &absent);
    if (absent && missing->isNull()) *missing = m_left.text();
    absent = false;
    Expression right = m_right.substituting(variables, &absent);
    if (absent && missing->isNull()) *missing = m_right.text();
    return make(std::move(left), std::move(right), m_operator, m_modifier, m_options);
}

}  // namespace platform
