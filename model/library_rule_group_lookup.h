#pragma once

#include "model/rule_group_lookup.h"

class TDLibrary;

// Resolves the UIDs in smart-folder rules against a library's groups.
class TDLibraryRuleGroupLookup final : public TDRuleGroupLookup {
public:
    explicit TDLibraryRuleGroupLookup(TDLibrary* library) : m_library(library) {}
    TDRuleGroupReference groupWithUID(const QString& uid) const override;

private:
    TDLibrary* m_library;
};
