#include "auxiliary/smart_folder_edit_window_controller.h"

#include "model/group.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/smart_folder_rule_fields.h"

#include <algorithm>

namespace {

QList<TDGroup*> subgroupsOf(TDGroup* group, bool sort) {
    QList<TDGroup*> subgroups = group->orderedSubgroups()->objectsAs<TDGroup>();
    if (sort)
        std::stable_sort(subgroups.begin(), subgroups.end(), [](const TDGroup* a, const TDGroup* b) {
            return a->title().compare(b->title(), Qt::CaseInsensitive) < 0;
        });
    return subgroups;
}

QVariantMap separatorItem() {
    return {{QStringLiteral("object"), QVariant::fromValue(nullptr)}};
}

}  // namespace

TDSmartFolderEditWindowController::TDSmartFolderEditWindowController(TDLibrary& library,
                                                                     TDGroup* selectedGroup, QObject* parent)
    : QObject(parent), m_library(library), m_selectedGroup(selectedGroup) {
    m_ruleEditor.setDelegate(this);
    TDGroup* tags = m_library.tagsGroup();
    m_ruleEditor.setFields(TDSmartFolderRuleFields(tags && tags->orderedSubgroups()->count() > 0));
    m_ruleEditor.setRules({});
}

TDSmartFolderEditWindowController::~TDSmartFolderEditWindowController() {
    m_ruleEditor.setDelegate(nullptr);
}

void TDSmartFolderEditWindowController::setRule(const TRRulePtr& rule) {
    m_ruleEditor.setRules(rule ? QList<TRRulePtr>{rule} : QList<TRRulePtr>());
}

TRRulePtr TDSmartFolderEditWindowController::rule() const {
    return m_ruleEditor.rules().isEmpty() ? nullptr : m_ruleEditor.rules().last();
}

QList<QVariantMap> TDSmartFolderEditWindowController::objectDictionaryArrayForFieldKeyPath(
    const TRRuleEditorModel&, const QString& keyPath) {
    QList<QVariantMap> items;
    if (keyPath == QLatin1String("group")) {
        if (TDGroup* inbox = m_library.inboxGroup()) p_addDictsWithGroup(inbox, items, 0, false);
        for (TDGroup* section :
             {m_library.specialGroupNamed(QStringLiteral("Ordellos")), m_library.foldersGroup()}) {
            if (!section) continue;
            items << separatorItem();
            for (TDGroup* group : subgroupsOf(section, false)) p_addDictsWithGroup(group, items, 0, false);
        }
    } else if (keyPath == QLatin1String("tag")) {
        if (TDGroup* tags = m_library.tagsGroup())
            for (TDGroup* tag : subgroupsOf(tags, true)) p_addDictsWithGroup(tag, items, 0, true);
    }
    return items;
}

QVariant TDSmartFolderEditWindowController::defaultValueForRule(const TRRuleEditorModel&,
                                                                const TRComparisonRule& rule) {
    TDGroup* selected = m_selectedGroup;
    if (!selected || selected == m_group || selected->isDeleted()) return {};
    if (rule.keyPath() == QLatin1String("group") && !selected->isTag()) return selected->uid();
    if (rule.keyPath() == QLatin1String("tag") && selected->isTag()) return selected->uid();
    return {};
}

QStringList TDSmartFolderEditWindowController::completionsForSubstring(const TRRuleEditorModel&,
                                                                       const QString&, const QString&) {
    // No field of a smart folder's rule takes tokens.
    return {};
}

void TDSmartFolderEditWindowController::p_addDictsWithGroup(TDGroup* group, QList<QVariantMap>& items,
                                                            int level, bool sort) const {
    if (group == m_group) return;
    items << QVariantMap{{QStringLiteral("object"), group->uid()},
                         {QStringLiteral("displayValue"), group->title()},
                         {QStringLiteral("indentationLevel"), level}};
    for (TDGroup* subgroup : subgroupsOf(group, sort)) p_addDictsWithGroup(subgroup, items, level + 1, sort);
}
