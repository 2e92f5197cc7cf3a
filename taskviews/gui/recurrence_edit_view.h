#pragma once

#include "controls/gui/completion_view_controller.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class TDBalloonPanel;
class TDLinkedTextField;
class TDRecurrenceEditViewController;
class TDTasksController;

// The recurrence editor as a balloon's content: the rule typed in English, and below it, once the text
// names a rule, the next start date, repeating after completion, the end (never, after a number of
// times, on a date) and the due date some days after each start. The balloon grows and shrinks with it.
// It has no cancel: Esc, Return in the rule field, the task list taking the focus and another window of
// the program becoming active all confirm; the program going to the background only commits the field
// being typed in.
class TDRecurrenceEditView final : public TDCompletionViewController {
    Q_OBJECT

public:
    explicit TDRecurrenceEditView(TDRecurrenceEditViewController& controller, QWidget* parent = nullptr);
    ~TDRecurrenceEditView() override;

    TDRecurrenceEditViewController& controller() const { return m_controller; }
    // The date balloon's recurrence toggle: the balloon shows an editor of the selected task's repetition
    // instead of the calendar and takes the keyboard. nullptr (after the tasks controller's beep) when
    // there is no one task to edit.
    static TDRecurrenceEditView* showInBalloon(TDBalloonPanel& balloon, TDTasksController& tasksController);

    // The rule field takes the focus, its text selected.
    void editRule();
    // Commits the fields and confirms the editor; the balloon closes.
    void okay();

    QSize sizeHint() const override;
    bool cancelOperation() override;
    void windowDidResignKey() override;

    QLineEdit* ruleField() const { return m_ruleField; }
    TDLinkedTextField* exampleField() const { return m_exampleField; }
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
    void changeEvent(QEvent* event) override;

private:
    void p_updateUI();
    void p_finishEditing();
    TDBalloonPanel* p_balloon() const;
    static void p_setText(QLineEdit* field, const QString& text);

    TDRecurrenceEditViewController& m_controller;
    QLineEdit* m_ruleField;
    TDLinkedTextField* m_exampleField;
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
