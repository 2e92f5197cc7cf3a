#pragma once

#include "controls/gui/completion_view_controller.h"

#include <QDateTime>

class ODLDatePicker;
class QLabel;
class QPushButton;

// The date balloon's content: a month calendar that follows the date typed in the cell, read as a
// future date; a click on a day sets that day (at its start) and ends the edit. The recurrence
// button stays hidden until the recurrence editor can take the balloon's place.
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

    QSize sizeHint() const override;

private:
    void p_selectDate(const QDate& day);

    ODLDatePicker* m_datePicker = nullptr;
    QPushButton* m_recurrenceToggleButton = nullptr;
    QDateTime m_date;
};
