#include "platform/predicates/predicate.h"

#include "platform/kvc/key_value_coding.h"

namespace platform {

bool Predicate::evaluate(const KeyValueCoding* object) const {
    return evaluate(objectVariant(object), QVariantMap());
}

Result<PredicatePtr> Predicate::substituting(const QVariantMap& variables) const {
    QString missing;
    PredicatePtr result = substitutingVariables(variables, &missing);
    if (!missing.isNull())
        return TDError::make(
            TDErrorPredicateVariableMissing,
            QStringLiteral("No value was given for the variable \"$%1\" of the predicate \"%2\".")
                .arg(missing, format()));
    return result;
}

PredicatePtr Predicate::truePredicate() {
    static const PredicatePtr predicate = std::make_shared<ConstantPredicate>(true);
    return predicate;
}

PredicatePtr Predicate::falsePredicate() {
    static const PredicatePtr predicate = std::make_shared<ConstantPredicate>(false);
    return predicate;
}

QString ConstantPredicate::format() const {
    return m_value ? QStringLiteral("TRUEPREDICATE") : QStringLiteral("FALSEPREDICATE");
}

bool ConstantPredicate::isEqual(const Predicate& other) const {
    return other.kind() == Kind::Constant && static_cast<const ConstantPredicate&>(other).m_value == m_value;
}

}  // namespace platform
