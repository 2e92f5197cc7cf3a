#pragma once

#include <QFrame>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class TDRecurrenceEditViewController;

// The recurrence editor's pop-up: the rule typed in English, and below it, once the text names a rule,
// the next start date, repeating after completion, the end (never, after a number of times, on a date)
// and the due date some days after each start. It has no cancel: Esc, a click elsewhere and the task
// list taking the focus all confirm, as does Return in the rule field.
class TDRecurrenceEditView final : public QFrame {
    Q_OBJECT

public:
    explicit TDRecurrenceEditView(TDRecurrenceEditViewController& controller, QWidget* parent = nullptr);
    ~TDRecurrenceEditView() override;

    TDRecurrenceEditViewController& controller() const { return m_controller; }
    // Shows the editor with its top middle at the point (global coordinates), the rule field focused.
    void popUp(const QPoint& location);
    // Commits the fields and confirms the editor; the pop-up closes.
    void okay();

    QLineEdit* ruleField() const { return m_ruleField; }
    QLineEdit* nextStartDateField() const { return m_nextStartDateField; }
    QCheckBox* repeatAfterCompletionCheckbox() const { return m_repeatAfterCompletionCheckbox; }
    QComboBox* endTypePopUpButton() const { return m_endTypePopUpButton; }
    QLineEdit* endAfterOccurrencesField() const { return m_endAfterOccurrencesField; }
    QLineEdit* endDateField() const { return m_endDateField; }
    QComboBox* dueDatePopUpButton() const { return m_dueDatePopUpButton; }
    QLineEdit* startDueGapDaysField() const { return m_startDueGapDaysField; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void p_updateUI();
    void p_finishEditing();
    static void p_setText(QLineEdit* field, const QString& text);

    TDRecurrenceEditViewController& m_controller;
    QLineEdit* m_ruleField;
    QLabel* m_exampleField;
    QWidget* m_containerView;
    QLabel* m_nextStartDateLabel;
    QLineEdit* m_nextStartDateField;
    QCheckBox* m_repeatAfterCompletionCheckbox;
    QComboBox* m_endTypePopUpButton;
    QLineEdit* m_endAfterOccurrencesField;
    QLabel* m_endAfterOccurrencesLabel;
    QLineEdit* m_endDateField;
    QComboBox* m_dueDatePopUpButton;
    QLineEdit* m_startDueGapDaysField;
    QLabel* m_startDueGapDaysLabel;
    bool m_confirming = false;
};
