#pragma once

#include "taskviews/task_info_controller.h"

#include "taskviews/gui/task_info_text_field.h"

#include <QHash>
#include <QWidget>

class QPushButton;
class TDRaisedTextView;

// The inspector's view: a header, then start date, due date, estimate and actual time as typed English,
// and the context tag as a pop-up. A field shows its placeholder in grey ("No Selection", "Multiple
// Values", "None"); Return keeps what was typed, Esc puts back the value from before, and text that is
// no date or duration is refused (the field shows the value again). The dates open the calendar
// balloon (whose recurrence toggle opens the recurrence editor) and the estimate the slider balloon; the
// labels light up with their fields and put the caret in them. Clicking the background ends editing.
class TDTaskInfoView final : public QWidget {
    Q_OBJECT

public:
    explicit TDTaskInfoView(TDTaskInfoViewController& controller, QWidget* parent = nullptr);
    ~TDTaskInfoView() override;

    TDTaskInfoViewController& controller() const { return m_controller; }
    TDInspectorTextField* field(TDTaskInfoViewController::Field field) const {
        return m_fields.value(int(field));
    }
    TDInspectorTextField* label(TDTaskInfoViewController::Field field) const {
        return m_fields.value(int(field))->labelField();
    }
    QPushButton* contextPopUpButton() const { return m_contextPopUpButton; }
    // Raises the field being edited; the click that gives a field the focus selects all its text.
    TDRaisedTextView* raisedTextView() const { return m_raisedTextView; }
    // The header strip, with a grip at its right: where the window lets the pane's divider be taken.
    QWidget* resizeHandle() const { return m_resizeHandle; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void p_update();
    void p_showValue(TDTaskInfoViewController::Field field);
    void p_commit(TDTaskInfoViewController::Field field);
    void p_updateContextPopUp();
    void p_storePickedValue(TDTaskInfoViewController::Field field, const QVariant& value);

    TDTaskInfoViewController& m_controller;
    QHash<int, TDInspectorTextField*> m_fields;
    QPushButton* m_contextPopUpButton;
    QWidget* m_resizeHandle;
    TDRaisedTextView* m_raisedTextView;
};
