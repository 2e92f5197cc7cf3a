#pragma once

#include <QAbstractButton>
#include <QWidget>

// The views around the front card: the rear cards under it, the shadow under them, the round arrow
// buttons at either side and the overlay that dims the cards while go-to is open.

// Draws the cards lying under the front card, each narrower, lower and darker than the one above it.
// A click goes on to the cards view.
class TDCardStackView final : public QWidget {
    Q_OBJECT

public:
    explicit TDCardStackView(QWidget* parent = nullptr);
    int numberOfCards() const { return m_numberOfCards; }
    // Stores only; the caller repaints.
    void setNumberOfCards(int count) { m_numberOfCards = count; }
    // The stack is lifted off the table during a flip: a shadow of its own instead of the shadow view.
    void setLifted(bool lifted);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_numberOfCards = 0;
    bool m_lifted = false;
};

// The soft shadow under the stack; deeper for more cards.
class TDCardShadowView final : public QWidget {
    Q_OBJECT

public:
    explicit TDCardShadowView(QWidget* parent = nullptr);
    void setNumberOfCards(int count) { m_numberOfCards = count; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int m_numberOfCards = 0;
};

// A round, faint button with a triangle pointing left or right.
class TDFloatingArrowButton final : public QAbstractButton {
    Q_OBJECT

public:
    enum Direction { Right = 1, Left = 3 };

    explicit TDFloatingArrowButton(Direction direction, QWidget* parent = nullptr);
    Direction direction() const { return m_direction; }
    QSize sizeHint() const override { return QSize(31, 31); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Direction m_direction;
};

// Dims what lies under it and swallows its clicks.
class TDOverlayView final : public QWidget {
    Q_OBJECT

public:
    explicit TDOverlayView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// A blurred shadow of the rounded rectangle, drawn as rings fading outward.
void TDDrawSoftShadow(QPainter& painter, const QRectF& rect, qreal radius, qreal blur, const QColor& color);
