#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;
class QToolButton;
class TRRuleEditorModel;

// One row of the rule editor: the fields (or All/Any/None) pop-up, the conditions pop-up, the value
// control the field needs, and the remove and add buttons. The add button shows an ellipsis while Alt is
// held, as it then adds a group of rules.
class TRRuleRowView final : public QWidget {
    Q_OBJECT
public:
    TRRuleRowView(TRRuleEditorModel& model, int row, QWidget* parent = nullptr);

    int row() const { return m_row; }
    QComboBox* fieldsPopup() const { return m_fieldsPopup; }
    QComboBox* conditionPopup() const { return m_conditionPopup; }
    QWidget* valueView() const { return m_valueView; }
    QToolButton* addButton() const { return m_addButton; }
    QToolButton* removeButton() const { return m_removeButton; }
    // Hands a value still being typed to the model.
    void commitEditing();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void p_updateForRule();
    void p_updateValueView();
    void p_updateAddButton(bool optionDown);
    QWidget* p_makeValueView();

    TRRuleEditorModel& m_model;
    int m_row;
    QComboBox* m_fieldsPopup;
    QComboBox* m_conditionPopup;
    QWidget* m_valueView = nullptr;
    QLineEdit* m_valueText = nullptr;
    QToolButton* m_removeButton;
    QToolButton* m_addButton;
    // What the value control was made for; a change of it makes a new one.
    QString m_valueSignature;
};
