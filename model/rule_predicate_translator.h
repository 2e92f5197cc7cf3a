#pragma once

#include "model/rule_group_lookup.h"

#include <QHash>
#include <QSet>

// Turns the predicate of a smart folder's rule into one that tasks can be tested with: leaves on
// "group" and "tag" name groups by UID and become tests of the tasks' list and tags; "priority" at most
// leaves out tasks without a priority; "canceledDate" reads the completion date of canceled tasks.
// One translator serves one translation run: smart folders named several times are translated once,
// and a smart folder reached again through folders that name each other contributes nothing.
class TDRulePredicateTranslator final {
public:
    // `smartFolderUID`: the folder whose rule is translated (so that naming itself is a cycle).
    TDRulePredicateTranslator(const TDRuleGroupLookup& lookup, const QString& smartFolderUID);

    platform::PredicatePtr translate(const platform::PredicatePtr& predicate);

    // The groups whose contents the untranslated rule predicate depends on, so that moving one of them
    // calls for a reload: a list or smart folder named, the tags below a tag bundle, the lists and smart
    // folders below a folder (less the translated folder itself). Tags and unknown UIDs add nothing.
    QVariantList sourceGroups(const platform::PredicatePtr& predicate) const;

private:
    platform::PredicatePtr p_translateGroupComparison(const platform::PredicatePtr& predicate);
    platform::PredicatePtr p_groupPredicate(const QString& uid);
    // Null for a smart folder without a rule.
    platform::PredicatePtr p_smartFolderTranslation(const QString& uid,
                                                    const TDRuleGroupReference& reference);

    void p_addSourceGroups(const platform::PredicatePtr& predicate, QVariantList* groups) const;

    const TDRuleGroupLookup& m_lookup;
    QString m_smartFolderUID;
    QSet<QString> m_seenSmartFolders;
    QHash<QString, platform::PredicatePtr> m_cachedTranslations;
};
