#include "model/library_rule_group_lookup.h"

#include "model/library.h"
#include "model/smart_folder.h"

namespace {

QVariantList variantsOf(const QList<TDGroup*>& groups) {
    QVariantList variants;
    variants.reserve(groups.size());
    for (TDGroup* group : groups) variants.append(platform::objectVariant(group));
    return variants;
}

}  // namespace

TDRuleGroupReference TDLibraryRuleGroupLookup::groupWithUID(const QString& uid) const {
    TDRuleGroupReference reference;
    TDGroup* group = m_library && !uid.isEmpty() ? m_library->groupWithUID(uid) : nullptr;
    if (!group || group->isDeleted()) return reference;
    reference.group = platform::objectVariant(group);
    if (group->isList()) {
        reference.kind = TDRuleGroupReference::Kind::List;
    } else if (TDSmartFolder* smartFolder = TDSmartFolder::from(group)) {
        reference.kind = TDRuleGroupReference::Kind::SmartFolder;
        reference.isSpecialSmartFolder = smartFolder->isSpecial();
        if (smartFolder->isSpecial()) {
            reference.smartFolderPredicate = smartFolder->predicate();
        } else if (const TRRulePtr rule = smartFolder->rule()) {
            reference.smartFolderPredicate = rule->predicate();
        }
    } else if (group->isTagBundle()) {
        reference.kind = TDRuleGroupReference::Kind::TagBundle;
        reference.descendentTags = variantsOf(group->descendentTags());
    } else if (group->isFolder()) {
        reference.kind = TDRuleGroupReference::Kind::Folder;
        reference.descendentLists = variantsOf(group->descendentLists());
        for (TDGroup* smartFolder : group->descendentSmartFolders())
            reference.descendentSmartFolderUIDs.append(smartFolder->uid());
    } else if (group->isTag()) {
        reference.kind = TDRuleGroupReference::Kind::Tag;
    } else {
        reference.group.clear();
    }
    return reference;
}
