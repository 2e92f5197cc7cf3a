#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QLinearGradient>

class QPainter;

// A capsule button: a vertical gradient of its background colour, a thin dark border and a centred
// title.
class TDColoredRoundedRectButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TDColoredRoundedRectButton(QWidget* parent = nullptr);

    // White 0.98 unless set.
    virtual QColor backgroundColor() const;
    void setBackgroundColor(const QColor& color);
    bool hasBackgroundColor() const { return m_backgroundColor.isValid(); }

    virtual QLinearGradient fillGradient(const QRectF& frame) const;
    virtual QColor textColor() const;
    virtual QColor borderColor() const;
    virtual QRectF titleRectForBounds(const QRectF& bounds) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    virtual void drawWithFrame(QPainter& painter, const QRectF& frame);
    // The state the capsule draws: pressed while the mouse holds it down.
    bool isHighlighted() const { return isDown(); }
    static bool isApplicationActive();
    static QLinearGradient verticalGradient(const QRectF& frame, const QColor& top, const QColor& bottom);

private:
    QColor m_backgroundColor;
};
