#pragma once

#include "platform/base/error.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

// Codes of TDErrorDomain for predicates.
enum TDPredicateErrorCode : int {
    TDErrorPredicateFormatInvalid = 300,
    TDErrorPredicateVariableMissing = 301,
};

namespace platform {

class KeyValueCoding;
class Predicate;
using PredicatePtr = std::shared_ptr<const Predicate>;

// A condition on an object, evaluated in memory. Predicates are immutable trees shared by pointer, so
// one predicate can be evaluated from several threads at once.
class Predicate : public std::enable_shared_from_this<Predicate> {
public:
    // Other: predicate classes of the layers above, which evaluate in their own way.
    enum class Kind { Comparison, Compound, Constant, Other };

    virtual ~Predicate() = default;

    virtual Kind kind() const { return Kind::Other; }
    // `variables` answer "$NAME" expressions left in the predicate (missing ones read as nil).
    virtual bool evaluate(const QVariant& object, const QVariantMap& variables) const = 0;
    bool evaluate(const QVariant& object) const { return evaluate(object, QVariantMap()); }
    bool evaluate(const KeyValueCoding* object) const;

    // A copy with every "$NAME" replaced by its value; an error names a variable missing from the map.
    Result<PredicatePtr> substituting(const QVariantMap& variables) const;
    // The predicate in the format the parser reads.
    virtual QString format() const = 0;
    // Same structure and constants (so two predicates built alike from a rule are one).
    virtual bool isEqual(const Predicate& other) const = 0;

    static PredicatePtr truePredicate();
    static PredicatePtr falsePredicate();

    // The substitution done by each kind of node: sets `missing` to the name of an absent variable.
    virtual PredicatePtr substitutingVariables(const QVariantMap& variables, QString* missing) const = 0;
};

// TRUEPREDICATE and FALSEPREDICATE.
class ConstantPredicate final : public Predicate {
public:
    explicit ConstantPredicate(bool value) : m_value(value) {}
    Kind kind() const override { return Kind::Constant; }
    bool value() const { return m_value; }
    bool evaluate(const QVariant&, const QVariantMap&) const override { return m_value; }
    using Predicate::evaluate;
    QString format() const override;
    bool isEqual(const Predicate& other) const override;
    PredicatePtr substitutingVariables(const QVariantMap&, QString*) const override {
        return shared_from_this();
    }

private:
    bool m_value;
};

}  // namespace platform
