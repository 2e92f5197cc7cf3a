#pragma once

#include "auxiliary/rule_editor_model.h"

#include <QObject>

class TDGroup;
class TDLibrary;

// The smart-folder sheet without its window: the rule editor with the fields a smart folder's rule can
// test, the lists and tags offered as values and the defaults a new list or tag rule starts with. The
// sheet's window shows the editor and reports OK or Cancel; the owner reads the edited rule.
class TDSmartFolderEditWindowController final : public QObject, public TRRuleEditorDelegate {
    Q_OBJECT
public:
    enum ReturnCode { Cancelled = 0, Accepted = 1 };

    // The selected group of the source list gives new list and tag rules their first value (nullptr:
    // none).
    TDSmartFolderEditWindowController(TDLibrary& library, TDGroup* selectedGroup, QObject* parent = nullptr);
    ~TDSmartFolderEditWindowController() override;

    TRRuleEditorModel& ruleEditor() { return m_ruleEditor; }

    // The smart folder being edited (nullptr for a new one): never offered as a value, nor anything
    // below it. Set before the rule.
    void setGroup(TDGroup* group) { m_group = group; }
    TDGroup* group() const { return m_group; }
    // Null gives the rule of a new smart folder: "All" with one "Title" rule.
    void setRule(const TRRulePtr& rule);
    TRRulePtr rule() const;

    // The window has committed any value still being typed before it calls okay.
    void okay() { Q_EMIT sheetDidEnd(Accepted); }
    void cancel() { Q_EMIT sheetDidEnd(Cancelled); }

    QList<QVariantMap> objectDictionaryArrayForFieldKeyPath(const TRRuleEditorModel& editor,
                                                            const QString& keyPath) override;
    QVariant defaultValueForRule(const TRRuleEditorModel& editor, const TRComparisonRule& rule) override;
    QStringList completionsForSubstring(const TRRuleEditorModel& editor, const QString& substring,
                                        const QString& keyPath) override;

Q_SIGNALS:
    void sheetDidEnd(int returnCode);

private:
    void p_addDictsWithGroup(TDGroup* group, QList<QVariantMap>& items, int level, bool sort) const;

    TDLibrary& m_library;
    TDGroup* m_selectedGroup;
    TDGroup* m_group = nullptr;
    TRRuleEditorModel m_ruleEditor;
};
