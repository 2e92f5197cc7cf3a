#include "model/rule_predicate_translator.h"

#include "platform/base/log.h"
#include "platform/predicates/comparison_predicate.h"
#include "platform/predicates/compound_predicate.h"
#include "platform/predicates/value_comparison.h"

namespace {

using platform::ComparisonPredicate;
using platform::CompoundPredicate;
using platform::Expression;
using platform::Predicate;
using platform::PredicatePtr;
using Operator = platform::ComparisonPredicate::Operator;

const QString kCanceledStatus = QStringLiteral("X");

bool isGroupKeyPath(const QString& keyPath) {
    return keyPath == QLatin1String("group") || keyPath == QLatin1String("tag");
}

void addDistinct(QVariantList* groups, const QVariant& group) {
    const bool known = std::any_of(groups->cbegin(), groups->cend(),
                                   [&](const QVariant& g) { return platform::valuesEqual(g, group); });
    if (!known) groups->append(group);
}

PredicatePtr compare(const QString& keyPath, Operator op, const QVariant& value) {
    return ComparisonPredicate::make(Expression::keyPath(keyPath), Expression::constant(value), op);
}

PredicatePtr membership(const QVariant& value, const QString& keyPath,
                        ComparisonPredicate::Modifier modifier = ComparisonPredicate::Modifier::Direct) {
    return ComparisonPredicate::make(Expression::constant(value), Expression::keyPath(keyPath), Operator::In,
                                     modifier);
}

}  // namespace

TDRulePredicateTranslator::TDRulePredicateTranslator(const TDRuleGroupLookup& lookup,
                                                     const QString& smartFolderUID)
    : m_lookup(lookup), m_smartFolderUID(smartFolderUID) {
    if (!smartFolderUID.isEmpty()) m_seenSmartFolders.insert(smartFolderUID);
}

PredicatePtr TDRulePredicateTranslator::translate(const PredicatePtr& predicate) {
    if (!predicate) return nullptr;
    if (predicate->kind() == Predicate::Kind::Compound) {
        const auto& compound = static_cast<const CompoundPredicate&>(*predicate);
        QList<PredicatePtr> translated;
        for (const PredicatePtr& subpredicate : compound.subpredicates())
            if (PredicatePtr t = translate(subpredicate)) translated.append(t);
        return std::make_shared<CompoundPredicate>(compound.type(), translated);
    }
    if (predicate->kind() != Predicate::Kind::Comparison) return predicate;

    const auto& comparison = static_cast<const ComparisonPredicate&>(*predicate);
    if (comparison.leftExpression().kind() != Expression::Kind::KeyPath) return predicate;
    const QString& keyPath = comparison.leftExpression().text();
    if (isGroupKeyPath(keyPath)) return p_translateGroupComparison(predicate);
    if (keyPath == QLatin1String("priority") && comparison.operatorType() == Operator::LessThanOrEqualTo)
        // Priority 1 is the highest and 0 none: "at least priority 2" must not take tasks without one.
        return CompoundPredicate::andPredicate(
            {predicate, compare(QStringLiteral("priority"), Operator::GreaterThan, qint64(0))});
    if (keyPath == QLatin1String("canceledDate")) {
        const Expression& right = comparison.rightExpression();
        if (comparison.operatorType() == Operator::EqualTo && right.kind() == Expression::Kind::Constant &&
            platform::isNilValue(right.constantValue()))
            return compare(QStringLiteral("status"), Operator::NotEqualTo, kCanceledStatus);
        // A canceled task keeps the time of its cancellation as its completion date.
        return CompoundPredicate::andPredicate(
            {ComparisonPredicate::make(Expression::keyPath(QStringLiteral("completedDate")), right,
                                       comparison.operatorType(), comparison.modifier(),
                                       comparison.options()),
             compare(QStringLiteral("status"), Operator::EqualTo, kCanceledStatus)});
    }
    return predicate;
}

PredicatePtr TDRulePredicateTranslator::p_translateGroupComparison(const PredicatePtr& predicate) {
    const auto& comparison = static_cast<const ComparisonPredicate&>(*predicate);
    const Expression& right = comparison.rightExpression();
    if (right.kind() != Expression::Kind::Constant) return predicate;
    const bool negated = comparison.operatorType() == Operator::NotEqualTo;
    const QVariant& value = right.constantValue();

    PredicatePtr result;
    if (platform::isNilValue(value)) {
        result = compare(QStringLiteral("tags.@count"), Operator::EqualTo, qint64(0));
    } else {
        const QString uid = value.metaType().id() == QMetaType::QString ? value.toString() : QString();
        result = uid.isEmpty() ? nullptr : p_groupPredicate(uid);
        if (!result) {
            // A group deleted elsewhere (or a rule from outside) must not turn the folder into the
            // whole library.
            logWithLevel(
                TDLogWarning, "WARNING",
                "Smart folder rule names the unknown group \"%@\": \"is\" matches no task, \"is not\" "
                "every task.",
                value);
            return negated ? Predicate::truePredicate() : Predicate::falsePredicate();
        }
    }
    return negated ? CompoundPredicate::notPredicate(result) : result;
}

PredicatePtr TDRulePredicateTranslator::p_groupPredicate(const QString& uid) {
    const TDRuleGroupReference reference = m_lookup.groupWithUID(uid);
    switch (reference.kind) {
        case TDRuleGroupReference::Kind::List:
            return compare(QStringLiteral("list"), Operator::EqualTo, reference.group);
        case TDRuleGroupReference::Kind::SmartFolder: {
            // A smart folder without a rule matches nothing.
            PredicatePtr translated = p_smartFolderTranslation(uid, reference);
            return translated ? translated : Predicate::falsePredicate();
        }
        case TDRuleGroupReference::Kind::TagBundle:
            return membership(reference.descendentTags, QStringLiteral("tags"),
                              ComparisonPredicate::Modifier::Any);
        case TDRuleGroupReference::Kind::Folder: {
            QList<PredicatePtr> parts{
                compare(QStringLiteral("list"), Operator::In, reference.descendentLists)};
            for (const QString& smartFolderUID : reference.descendentSmartFolderUIDs) {
                const TDRuleGroupReference smartFolder = m_lookup.groupWithUID(smartFolderUID);
                // Folders below without a rule of their own (the special ones) contribute nothing.
                if (smartFolder.kind != TDRuleGroupReference::Kind::SmartFolder ||
                    smartFolder.isSpecialSmartFolder)
                    continue;
                if (PredicatePtr translated = p_smartFolderTranslation(smartFolderUID, smartFolder))
                    parts.append(translated);
            }
            return CompoundPredicate::orPredicate(parts);
        }
        case TDRuleGroupReference::Kind::Tag:
            return membership(reference.group, QStringLiteral("tags"));
        case TDRuleGroupReference::Kind::Missing:
            break;
    }
    return nullptr;
}

PredicatePtr TDRulePredicateTranslator::p_smartFolderTranslation(const QString& uid,
                                                                 const TDRuleGroupReference& reference) {
    if (reference.isSpecialSmartFolder) return reference.smartFolderPredicate;
    const auto cached = m_cachedTranslations.constFind(uid);
    if (cached != m_cachedTranslations.cend()) return *cached;
    // Reached again through smart folders that name each other: the repeated reference adds nothing.
    if (m_seenSmartFolders.contains(uid)) return Predicate::falsePredicate();
    m_seenSmartFolders.insert(uid);
    PredicatePtr translated = translate(reference.smartFolderPredicate);
    m_cachedTranslations.insert(uid, translated);
    return translated;
}

QVariantList TDRulePredicateTranslator::sourceGroups(const PredicatePtr& predicate) const {
    QVariantList groups;
    p_addSourceGroups(predicate, &groups);
    return groups;
}

void TDRulePredicateTranslator::p_addSourceGroups(const PredicatePtr& predicate, QVariantList* groups) const {
    if (!predicate) return;
    if (predicate->kind() == Predicate::Kind::Compound) {
        for (const PredicatePtr& subpredicate :
             static_cast<const CompoundPredicate&>(*predicate).subpredicates())
            p_addSourceGroups(subpredicate, groups);
        return;
    }
    if (predicate->kind() != Predicate::Kind::Comparison) return;
    const auto& comparison = static_cast<const ComparisonPredicate&>(*predicate);
    const Expression& left = comparison.leftExpression();
    const Expression& right = comparison.rightExpression();
    if (left.kind() != Expression::Kind::KeyPath || !isGroupKeyPath(left.text()) ||
        right.kind() != Expression::Kind::Constant ||
        right.constantValue().metaType().id() != QMetaType::QString)
        return;
    const TDRuleGroupReference reference = m_lookup.groupWithUID(right.constantValue().toString());
    switch (reference.kind) {
        case TDRuleGroupReference::Kind::List:
        case TDRuleGroupReference::Kind::SmartFolder:
            addDistinct(groups, reference.group);
            return;
        case TDRuleGroupReference::Kind::TagBundle:
            for (const QVariant& tag : reference.descendentTags) addDistinct(groups, tag);
            return;
        case TDRuleGroupReference::Kind::Folder:
            for (const QVariant& list : reference.descendentLists) addDistinct(groups, list);
            for (const QString& uid : reference.descendentSmartFolderUIDs) {
                if (uid == m_smartFolderUID) continue;
                const TDRuleGroupReference smartFolder = m_lookup.groupWithUID(uid);
                if (smartFolder.kind == TDRuleGroupReference::Kind::SmartFolder)
                    addDistinct(groups, smartFolder.group);
            }
            return;
        case TDRuleGroupReference::Kind::Tag:
        case TDRuleGroupReference::Kind::Missing:
            return;
    }
}
