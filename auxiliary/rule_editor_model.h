#pragma once

#include "model/comparison_rule.h"
#include "model/compound_rule.h"
#include "model/rule_field.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class TRRuleEditorModel;

// What the owner of a rule editor supplies beyond the fields: the values of list fields that carry none
// of their own, the value a new list rule starts with, and completions of token fields.
class TRRuleEditorDelegate {
public:
    virtual ~TRRuleEditorDelegate() = default;
    // One map per menu item: "object" (a null object makes a separator), "displayValue", "image",
    // "indentationLevel".
    virtual QList<QVariantMap> objectDictionaryArrayForFieldKeyPath(const TRRuleEditorModel& editor,
                                                                    const QString& keyPath) = 0;
    // Invalid for none.
    virtual QVariant defaultValueForRule(const TRRuleEditorModel& editor, const TRComparisonRule& rule) = 0;
    virtual QStringList completionsForSubstring(const TRRuleEditorModel& editor, const QString& substring,
                                                const QString& keyPath) = 0;
};

// The control a comparison row shows for its value.
enum class TRRuleValueKind {
    None,  // compound rows
    Text,
    Number,
    DataSize,
    Date,
    RelativeDate,
    TimeAmount,
    List,
    Token,
};

// The rule editor without its widgets: a tree of rules (one compound root in practice) flattened into
// rows in tree order, each with its depth, and the edits a person makes on a row. The view paints the
// rows and forwards clicks; it rebuilds one row on rowChanged and everything on rowsReset.
class TRRuleEditorModel final : public QObject {
    Q_OBJECT
public:
    struct Row {
        TRRulePtr rule;
        int depth = 0;
        bool canRemove = true;
        // The first row of the editor, a compound root, has no remove button at all.
        bool removeHidden = false;
    };

    explicit TRRuleEditorModel(QObject* parent = nullptr);
    ~TRRuleEditorModel() override;

    void setFields(const QList<std::shared_ptr<TRRuleField>>& fields) { m_fields = fields; }
    const QList<std::shared_ptr<TRRuleField>>& fields() const { return m_fields; }
    // Not owned; nullptr for none.
    void setDelegate(TRRuleEditorDelegate* delegate) { m_delegate = delegate; }
    TRRuleEditorDelegate* delegate() const { return m_delegate; }

    // Empty: "All" holding one rule on the first field. Rebuilds the rows.
    void setRules(const QList<TRRulePtr>& rules);
    // The top-level rules; the owner edits the last.
    const QList<TRRulePtr>& rules() const { return m_rules; }
    void update();

    int numberOfRows() const { return int(m_rows.size()); }
    const Row& row(int index) const { return m_rows.at(index); }
    int rowForRule(const TRRule* rule) const;
    TRRuleField* fieldForKeyPath(const QString& keyPath) const;
    // The field the row shows (nullptr for a compound row or a key path no field has).
    TRRuleField* fieldOfRow(int index) const;
    // The condition menu of the row's field, separators included.
    QList<TRRuleCondition> conditionsOfRow(int index) const;
    TRRuleValueKind valueKindOfRow(int index) const;
    // Conditions that take no value hide the value control.
    bool valueHiddenInRow(int index) const;
    // The list pop-up's items: the field's own values, else the delegate's.
    QList<QVariantMap> listItemsOfRow(int index) const;
    QStringList completionsForRow(int index, const QString& substring) const;
    // Enabled after any addition, disabled when a removal leaves one row.
    bool isOKEnabled() const { return m_okEnabled; }

    // Alt held turns the add button into adding a compound rule.
    void setOptionKeyDown(bool down);
    bool isOptionKeyDown() const { return m_optionKeyDown; }

    // Edits of a row. Each answers whether anything changed.
    bool setFieldOfRow(int index, const TRRuleField* field);
    bool setConditionOfRow(int index, int conditionType);
    bool setCompoundTypeOfRow(int index, int ruleType);
    bool setValueOfRow(int index, const QVariant& value);
    bool setRelativeDateOfRow(int index, qint64 quantity, const QString& unit);
    bool setTimeAmountOfRow(int index, double amount, const QString& unit);

    // The add button: a compound rule while Alt is held, else a comparison rule.
    void addAfterRow(int index);
    // A comparison rule for the first field none of the siblings uses (else the field after the row's).
    void addRuleAfterRow(int index);
    // "All" holding one rule on the first field.
    void addCompoundRuleAfterRow(int index);
    // A removed compound rule's children take its place, one level shallower.
    void removeRow(int index);
    // The next field after the given one, wrapping, separators skipped.
    TRRuleField* ruleFieldAfterField(const TRRuleField* field) const;

Q_SIGNALS:
    void rowsReset();
    // Rows [first, first + count) were inserted (rows below move down).
    void rowsInserted(int first, int count);
    // One row went, and the rows that were below it may have changed depth.
    void rowRemoved(int index);
    void rowChanged(int index);
    void okEnabledChanged(bool enabled);
    void optionKeyChanged(bool down);

private:
    TRComparisonRule* p_comparison(int index) const;
    void p_addRows(const TRRulePtr& rule, int depth);
    void p_rebuildRows();
    void p_addRule(int index, const TRRulePtr& rule);
    // The value a row's control needs before it can show (a date for the picker, a relative date, a list
    // entry).
    void p_fitValue(int index);
    void p_setOKEnabled(bool enabled);
    TRRuleField* p_firstField() const;

    QList<std::shared_ptr<TRRuleField>> m_fields;
    TRRuleEditorDelegate* m_delegate = nullptr;
    QList<TRRulePtr> m_rules;
    QList<Row> m_rows;
    bool m_okEnabled = true;
    bool m_optionKeyDown = false;
};

// The kind of value control a field needs under a condition.
TRRuleValueKind TRRuleValueKindFor(int ruleType, int conditionType);
// Conditions that take no value: not set, set, empty, not empty, yesterday, today, repeating.
bool TRConditionTakesNoValue(int conditionType);
