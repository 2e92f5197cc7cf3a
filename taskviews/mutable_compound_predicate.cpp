#include "taskviews/mutable_compound_predicate.h"

#include "platform/base/log.h"

TDMutableCompoundPredicate::TDMutableCompoundPredicate(Type type, QList<platform::PredicatePtr> subpredicates)
    : m_type(type), m_subpredicates(std::move(subpredicates)) {
}

std::shared_ptr<TDMutableCompoundPredicate> TDMutableCompoundPredicate::andPredicateWithSubpredicates(
    QList<platform::PredicatePtr> subpredicates) {
    return std::make_shared<TDMutableCompoundPredicate>(Type::And, std::move(subpredicates));
}

std::shared_ptr<TDMutableCompoundPredicate> TDMutableCompoundPredicate::orPredicateWithSubpredicates(
    QList<platform::PredicatePtr> subpredicates) {
    return std::make_shared<TDMutableCompoundPredicate>(Type::Or, std::move(subpredicates));
}

std::shared_ptr<TDMutableCompoundPredicate> TDMutableCompoundPredicate::notPredicateWithSubpredicates(
    QList<platform::PredicatePtr> subpredicates) {
    return std::make_shared<TDMutableCompoundPredicate>(Type::Not, std::move(subpredicates));
}

std::shared_ptr<TDMutableCompoundPredicate> TDMutableCompoundPredicate::copy() const {
    auto result = std::make_shared<TDMutableCompoundPredicate>(m_type, m_subpredicates);
    result->setEnabled(m_enabled);
    return result;
}

void TDMutableCompoundPredicate::setEnabled(bool enabled) {
    m_enabled = enabled;
}

bool TDMutableCompoundPredicate::evaluate(const QVariant& object, const QVariantMap& variables) const {
    if (!m_enabled) return true;
    switch (m_type) {
        case Type::And:
            for (const platform::PredicatePtr& p : m_subpredicates)
                if (p && !p->evaluate(object, variables)) return false;
            return true;
        case Type::Or:
            for (const platform::PredicatePtr& p : m_subpredicates)
                if (p && p->evaluate(object, variables)) return true;
            return false;
        case Type::Not:
            for (const platform::PredicatePtr& p : m_subpredicates)
                if (p && p->evaluate(object, variables)) return false;
            return true;
    }
    logWithLevel(TDLogError, "ERROR", "Unknown compound predicate type: %ld", static_cast<qint64>(m_type));
    return false;
}

std::optional<QList<platform::ManagedObject*>> TDMutableCompoundPredicate::filteredObjects(
    const QList<platform::ManagedObject*>& objects) const {
    if (!m_enabled) return objects;
    if (m_type != Type::And) return std::nullopt;
    QList<platform::ManagedObject*> passing = objects;
    QList<const platform::Predicate*> others;
    bool narrowed = false;
    for (const platform::PredicatePtr& p : m_subpredicates) {
        if (!p) continue;
        std::optional<QList<platform::ManagedObject*>> filtered;
        if (const auto* whole = dynamic_cast<const TDWholeListFilter*>(p.get()))
            filtered = whole->filteredObjects(passing);
        if (filtered) {
            passing = std::move(*filtered);
            narrowed = true;
        } else {
            others.append(p.get());
        }
    }
    if (!narrowed) return std::nullopt;
    for (const platform::Predicate* p : others)
        passing.removeIf([p](platform::ManagedObject* object) { return !p->evaluate(object); });
    return passing;
}

QString TDMutableCompoundPredicate::format() const {
    const QString inner = platform::CompoundPredicate(m_type, m_subpredicates).format();
    // Not a platform compound, so an enclosing one cannot know to group it: it groups itself.
    const bool joined = m_type != Type::Not && m_subpredicates.size() - m_subpredicates.count(nullptr) > 1;
    return joined ? QLatin1Char('(') + inner + QLatin1Char(')') : inner;
}

bool TDMutableCompoundPredicate::isEqual(const Predicate& other) const {
    const auto* o = dynamic_cast<const TDMutableCompoundPredicate*>(&other);
    if (!o || o->m_type != m_type || o->m_enabled != m_enabled ||
        o->m_subpredicates.size() != m_subpredicates.size())
        return false;
    for (qsizetype i = 0; i < m_subpredicates.size(); ++i) {
        const platform::PredicatePtr& a = m_subpredicates.at(i);
        const platform::PredicatePtr& b = o->m_subpredicates.at(i);
        if (!a || !b ? a != b : !a->isEqual(*b)) return false;
    }
    return true;
}

platform::PredicatePtr TDMutableCompoundPredicate::substitutingVariables(const QVariantMap& variables,
                                                                         QString* missing) const {
    QList<platform::PredicatePtr> substituted;
    bool changed = false;
    for (const platform::PredicatePtr& p : m_subpredicates) {
        substituted.append(p ? p->substitutingVariables(variables, missing) : p);
        changed = changed || substituted.back() != p;
    }
    if (!changed) return shared_from_this();
    auto result = std::make_shared<TDMutableCompoundPredicate>(m_type, substituted);
    result->setEnabled(m_enabled);
    return result;
}
