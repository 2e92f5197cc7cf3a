#pragma once

#include "taskviews/task_info_controller.h"

#include <QHash>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// The inspector's view: a header, then start date, due date, estimate and actual time as typed English,
// and the context tag as a pop-up. A field shows its placeholder in grey ("No Selection", "Multiple
// Values", "None"); Return keeps what was typed, Esc puts back the value from before, and text that is
// no date or duration is refused (the field shows the value again). Clicking the background ends
// editing.
class TDTaskInfoView final : public QWidget {
    Q_OBJECT

public:
    explicit TDTaskInfoView(TDTaskInfoViewController& controller, QWidget* parent = nullptr);
    ~TDTaskInfoView() override;

    TDTaskInfoViewController& controller() const { return m_controller; }
    QLineEdit* field(TDTaskInfoViewController::Field field) const { return m_fields.value(int(field)); }
    QPushButton* contextPopUpButton() const { return m_contextPopUpButton; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void p_update();
    void p_showValue(TDTaskInfoViewController::Field field);
    void p_commit(TDTaskInfoViewController::Field field);
    void p_updateContextPopUp();

    TDTaskInfoViewController& m_controller;
    QHash<int, QLineEdit*> m_fields;
    QPushButton* m_contextPopUpButton;
};
