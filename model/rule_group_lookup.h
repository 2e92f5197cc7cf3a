#pragma once

#include "platform/predicates/predicate.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

// What the UID in a rule's "group" or "tag" leaf names, as the library resolves it.
struct TDRuleGroupReference {
    enum class Kind { Missing, List, SmartFolder, TagBundle, Folder, Tag };

    Kind kind = Kind::Missing;
    // The group itself; for a list or a tag, the object as tasks hold it under "list" and "tags".
    QVariant group;
    // A folder: the lists below it.
    QVariantList descendentLists;
    // A folder: the UIDs of the smart folders below it.
    QStringList descendentSmartFolderUIDs;
    // A tag bundle: the tags below it.
    QVariantList descendentTags;
    // A smart folder: a special one (Today, Upcoming) answers its own fixed predicate here, any other the
    // untranslated predicate of its rule (null without a rule).
    bool isSpecialSmartFolder = false;
    platform::PredicatePtr smartFolderPredicate;
};

// The library's answers to the rule translation; the library's group classes implement it.
class TDRuleGroupLookup {
public:
    virtual ~TDRuleGroupLookup() = default;
    virtual TDRuleGroupReference groupWithUID(const QString& uid) const = 0;
};
