#pragma once

#include <QLineEdit>
#include <QPointer>

class QAction;

// A rounded search field for a dark bar: light text on a translucent field, a white magnifier at the
// left and a cancel button at the right while there is text. Tab never lands on it; Escape hands the
// keyboard focus to the window's initial focus widget.
class TDDarkSearchField : public QLineEdit {
    Q_OBJECT

public:
    explicit TDDarkSearchField(QWidget* parent = nullptr);

    // Where Escape sends the focus; without one the field just gives it up.
    void setInitialFocusWidget(QWidget* widget) { m_initialFocusWidget = widget; }
    QAction* cancelAction() const { return m_cancelAction; }

    // The field's rounded outline in a frame: the frame one pixel lower, radius 5.
    static QRectF fieldRect(const QRectF& frame);
    static constexpr qreal kCornerRadius = 5.0;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QAction* m_cancelAction;
    QPointer<QWidget> m_initialFocusWidget;
};
