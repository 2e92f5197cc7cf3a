#pragma once

#include "model/whole_list_filter.h"
#include "platform/predicates/compound_predicate.h"

#include <QList>

#include <memory>

// A NOT, AND or OR whose subpredicates and switch change in place, so collections holding it see the
// change without being handed a new predicate. Switched off it holds for everything. Main thread only.
class TDMutableCompoundPredicate final : public platform::Predicate, public TDWholeListFilter {
public:
    using Type = platform::CompoundPredicate::Type;  // Not 0, And 1, Or 2

    TDMutableCompoundPredicate(Type type, QList<platform::PredicatePtr> subpredicates);
    static std::shared_ptr<TDMutableCompoundPredicate> andPredicateWithSubpredicates(
        QList<platform::PredicatePtr> subpredicates);
    static std::shared_ptr<TDMutableCompoundPredicate> orPredicateWithSubpredicates(
        QList<platform::PredicatePtr> subpredicates);
    static std::shared_ptr<TDMutableCompoundPredicate> notPredicateWithSubpredicates(
        QList<platform::PredicatePtr> subpredicates);

    // Same type, the same subpredicate objects and the same switch.
    std::shared_ptr<TDMutableCompoundPredicate> copy() const;

    Type type() const { return m_type; }
    QList<platform::PredicatePtr> subpredicates() const { return m_subpredicates; }
    QList<platform::PredicatePtr>& mutableSubpredicates() { return m_subpredicates; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // Subpredicates in order, stopping early: an empty AND or NOT holds, an empty OR does not, and NOT
    // of several holds when none of them does.
    bool evaluate(const QVariant& object, const QVariantMap& variables) const override;
    using Predicate::evaluate;
    // An AND whose subpredicates include ones that filter whole lists lets them narrow the list first and
    // asks the others only about what is left.
    std::optional<QList<platform::ManagedObject*>> filteredObjects(
        const QList<platform::ManagedObject*>& objects) const override;
    // The condition held, whether switched on or not.
    QString format() const override;
    bool isEqual(const Predicate& other) const override;
    platform::PredicatePtr substitutingVariables(const QVariantMap& variables,
                                                 QString* missing) const override;

private:
    Type m_type;
    QList<platform::PredicatePtr> m_subpredicates;
    bool m_enabled = true;
};
