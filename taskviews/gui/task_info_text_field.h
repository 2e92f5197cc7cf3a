#pragma once

#include "controls/gui/balloon_panel.h"
#include "controls/gui/completion_view_controller.h"

#include <QLineEdit>
#include <QPointer>

class QTimer;

// A text field of the inspector, and of the recurrence editor. Either a label that names a field (it
// lights up together with its field while the mouse is over either, and a click on it puts the caret in
// the field), or an editable field that, a short pause after it takes the focus or after the last
// keystroke, opens a balloon below itself: a calendar for a date, a slider for an estimate. The
// balloon follows the typing, and what it picks replaces the text.
class TDInspectorTextField final : public QLineEdit, public TDCompletionDelegate {
    Q_OBJECT

public:
    enum FieldType { PlainText = 0, Date = 1, DateWithoutRecurrence = 2, Estimate = 3 };

    explicit TDInspectorTextField(QWidget* parent = nullptr);
    ~TDInspectorTextField() override;

    // Makes this field the label of `field`: read-only, never focused.
    void setTargetField(TDInspectorTextField* field);
    TDInspectorTextField* targetField() const { return m_targetField; }
    TDInspectorTextField* labelField() const { return m_labelField; }
    bool isLabel() const { return m_targetField || isReadOnly(); }

    int fieldType() const { return m_fieldType; }
    void setFieldType(int type) { m_fieldType = type; }

    bool mouseInside() const { return m_mouseInside; }
    void setMouseInside(bool inside);
    bool shouldRollover() const;

    TDBalloonPanel* datePanel() const { return m_datePanel; }
    TDBalloonPanel* estimatePanel() const { return m_estimatePanel; }
    bool isBalloonPending() const;
    // Opens the pending balloon at once (what the pause would do).
    void firePopUpTimer();

    void completionViewController(TDCompletionViewController* controller, const QVariant& value,
                                  bool finished) override;

    // A label is as wide as its words and the rounded end of its highlight.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The balloon picked a value and the edit is over: the owner stores it and ends editing.
    void completionFinished(const QVariant& value);
    // The date balloon's recurrence toggle was clicked.
    void recurrenceToggled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool p_opensDateBalloon() const;
    bool p_opensBalloon() const;
    void p_schedulePopUp();
    void p_textEdited();
    void p_openBalloon();
    void p_closeBalloons();

    TDInspectorTextField* m_targetField = nullptr;
    TDInspectorTextField* m_labelField = nullptr;
    int m_fieldType = PlainText;
    bool m_mouseInside = false;
    bool m_lostFocusToThisClick = false;
    QTimer* m_popUpTimer;
    QPointer<TDBalloonPanel> m_datePanel;
    QPointer<TDBalloonPanel> m_estimatePanel;
};
