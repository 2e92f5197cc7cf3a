#include "model/library.h"

#include "language/mnemonics.h"
#include "model/abbreviation_matcher.h"
#include "model/group.h"
#include "model/tag.h"

QList<TDGroup*> TDLibrary::groupsMatchingAbbreviation(const QString& abbreviation) {
    return p_groupsMatchingAbbreviation(abbreviation, [](const TDGroup*) { return true; });
}

QList<TDGroup*> TDLibrary::goToGroupsMatchingAbbreviation(const QString& abbreviation) {
    return p_groupsMatchingAbbreviation(abbreviation,
                                        [](const TDGroup* group) { return !group->isArchived(); });
}

QList<TDGroup*> TDLibrary::fileToGroupsMatchingAbbreviation(const QString& abbreviation) {
    return p_groupsMatchingAbbreviation(
        abbreviation, [](const TDGroup* group) { return group->isList() && !group->isArchived(); });
}

QList<TDTag*> TDLibrary::tagsMatchingAbbreviation(const QString& abbreviation) {
    QList<TDAbbreviationCandidate> candidates;
    for (TDTag* tag : allTags()) candidates.append(TDAbbreviationCandidate::fromGroup(tag));
    QList<TDTag*> tags;
    for (const TDAbbreviationCandidate& ranked :
         p_abbreviationMatcher().tagsMatchingAbbreviation(candidates, abbreviation))
        tags.append(static_cast<TDTag*>(ranked.object));
    return tags;
}

void TDLibrary::addMnemonic(const QString& abbreviation, TDGroup* item) {
    if (!item) return;
    p_abbreviationMatcher().addMnemonic(abbreviation, item->uid());
}

QList<TDGroup*> TDLibrary::p_groupsMatchingAbbreviation(const QString& abbreviation,
                                                        const std::function<bool(const TDGroup*)>& offered) {
    if (abbreviation.isEmpty()) return {};
    QList<TDAbbreviationCandidate> candidates;
    for (TDGroup* group : allSubGroups()) {
        if (!group->isTagBundle() && offered(group))
            candidates.append(TDAbbreviationCandidate::fromGroup(group));
    }
    QList<TDGroup*> groups;
    for (const TDAbbreviationCandidate& ranked :
         p_abbreviationMatcher().groupsMatchingAbbreviation(candidates, abbreviation))
        groups.append(ranked.object);
    return groups;
}

TDAbbreviationMatcher& TDLibrary::p_abbreviationMatcher() {
    QSMnemonics& memory = QSMnemonics::sharedInstance();
    if (!m_abbreviationMatcher) {
        m_abbreviationMatcher = std::make_unique<TDAbbreviationMatcher>(memory);
    } else {
        // Start-up or a test may have installed another shared memory since the last ranking.
        m_abbreviationMatcher->setMnemonics(memory);
    }
    return *m_abbreviationMatcher;
}
