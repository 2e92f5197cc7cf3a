#include "platform/predicates/compound_predicate.h"

#include <QStringList>

namespace platform {

CompoundPredicate::CompoundPredicate(Type type, const QList<PredicatePtr>& subpredicates) : m_type(type) {
    for (const PredicatePtr& p : subpredicates)
        if (p) m_subpredicates.append(p);
}

PredicatePtr CompoundPredicate::andPredicate(const QList<PredicatePtr>& subpredicates) {
    return std::make_shared<CompoundPredicate>(Type::And, subpredicates);
}

PredicatePtr CompoundPredicate::orPredicate(const QList<PredicatePtr>& subpredicates) {
    return std::make_shared<CompoundPredicate>(Type::Or, subpredicates);
}

PredicatePtr CompoundPredicate::notPredicate(const PredicatePtr& subpredicate) {
    return std::make_shared<CompoundPredicate>(Type::Not, QList<PredicatePtr>{subpredicate});
}

bool CompoundPredicate::evaluate(const QVariant& object, const QVariantMap& variables) const {
    switch (m_type) {
        case Type::And:
            for (const PredicatePtr& p : m_subpredicates)
                if (!p->evaluate(object, variables)) return false;
            return true;
        case Type::Or:
            for (const PredicatePtr& p : m_subpredicates)
                if (p->evaluate(object, variables)) return true;
            return false;
        case Type::Not:
            for (const PredicatePtr& p : m_subpredicates)
                if (p->evaluate(object, variables)) return false;
            return true;
    }
    return false;
}

namespace {

// NOT binds tighter than AND and OR, so only those need parentheses as operands.
QString formatOperand(const PredicatePtr& p) {
    const bool grouped = p->kind() == Predicate::Kind::Compound &&
                         static_cast<const CompoundPredicate&>(*p).type() != CompoundPredicate::Type::Not;
    return grouped ? QLatin1Char('(') + p->format() + QLatin1Char(')') : p->format();
}

QString joined(const QList<PredicatePtr>& subpredicates, const QString& separator) {
    QStringList parts;
    for (const PredicatePtr& p : subpredicates) parts.append(formatOperand(p));
    return parts.join(separator);
}

}  // namespace

QString CompoundPredicate::format() const {
    // Empty compounds and a NOT of several have no form of their own; they print as what they mean.
    switch (m_type) {
        case Type::And:
            return m_subpredicates.isEmpty() ? QStringLiteral("TRUEPREDICATE")
                                             : joined(m_subpredicates, QStringLiteral(" AND "));
        case Type::Or:
            return m_subpredicates.isEmpty() ? QStringLiteral("FALSEPREDICATE")
                                             : joined(m_subpredicates, QStringLiteral(" OR "));
        case Type::Not:
            if (m_subpredicates.isEmpty()) return QStringLiteral("TRUEPREDICATE");
            if (m_subpredicates.size() == 1)
                return QStringLiteral("NOT ") + formatOperand(m_subpredicates.front());
            return QStringLiteral("NOT (") + joined(m_subpredicates, QStringLiteral(" OR ")) +
                   QLatin1Char(')');
    }
    return {};
}

bool CompoundPredicate::isEqual(const Predicate& other) const {
    if (other.kind() != Kind::Compound) return false;
    const auto& o = static_cast<const CompoundPredicate&>(other);
    if (m_type != o.m_type || m_subpredicates.size() != o.m_subpredicates.size()) return false;
    for (qsizetype i = 0; i < m_subpredicates.size(); ++i)
        if (!m_subpredicates.at(i)->isEqual(*o.m_subpredicates.at(i))) return false;
    return true;
}

PredicatePtr CompoundPredicate::substitutingVariables(const QVariantMap& variables, QString* missing) const {
    QList<PredicatePtr> substituted;
    bool changed = false;
    for (const PredicatePtr& p : m_subpredicates) {
        substituted.append(p->substitutingVariables(variables, missing));
        changed = changed || substituted.back() != p;
    }
    if (!changed) return shared_from_this();
    return std::make_shared<CompoundPredicate>(m_type, substituted);
}

}  // namespace platform
