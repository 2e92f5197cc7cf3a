#pragma once

#include "controls/gui/completion_view_controller.h"

#include <QDateTime>

class ODLDatePicker;
class QLabel;
class QPushButton;

// The date balloon's content: a month calendar that follows the date typed in the cell, read as a
// future date; a click on a day sets that day (at its start) and ends the edit. Its recurrence toggle
// asks the balloon's owner to put the recurrence editor in its place (hidden where repeating does not
// apply).
class TDDateCompletionViewController final : public TDCompletionViewController {
    Q_OBJECT

public:
    explicit TDDateCompletionViewController(QWidget* parent = nullptr);

    QVariant objectValue() const override { return m_date.isValid() ? QVariant(m_date) : QVariant(); }
    void setStringValue(const QString& text) override;
    QDateTime date() const { return m_date; }
    void setDate(const QDateTime& date) { m_date = date; }
    void hideRecurringButton();
    ODLDatePicker* datePicker() const { return m_datePicker; }
    QPushButton* recurrenceToggleButton() const { return m_recurrenceToggleButton; }

    QSize sizeHint() const override;

Q_SIGNALS:
    // The recurrence toggle was clicked: the owner swaps the recurrence editor into the balloon.
    void recurrenceToggled();

private:
    void p_selectDate(const QDate& day);

    ODLDatePicker* m_datePicker = nullptr;
    QPushButton* m_recurrenceToggleButton = nullptr;
    QDateTime m_date;
};
