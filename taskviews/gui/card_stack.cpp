#include "taskviews/gui/card_stack.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

void TDDrawSoftShadow(QPainter& painter, const QRectF& rect, qreal radius, qreal blur, const QColor& color) {
    painter.save();
    painter.setPen(Qt::NoPen);
    const int rings = std::max(1, int(std::ceil(blur)));
    // Each ring adds a little darkness; together they fall off from the rectangle's edge outward.
    for (int ring = rings; ring >= 1; --ring) {
        const qreal grow = blur * ring / rings;
        QColor shade = color;
        shade.setAlphaF(color.alphaF() / rings * 1.6 * (1.0 - qreal(ring - 1) / rings));
        painter.setBrush(shade);
        painter.drawRoundedRect(rect.adjusted(-grow, -grow, grow, grow), radius + grow, radius + grow);
    }
    painter.setBrush(color);
    painter.drawRoundedRect(rect, radius, radius);
    painter.restore();
}

TDCardStackView::TDCardStackView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void TDCardStackView::setLifted(bool lifted) {
    if (lifted == m_lifted) return;
    m_lifted = lifted;
    update();
}

void TDCardStackView::paintEvent(QPaintEvent*) {
    const int n = m_numberOfCards;
    if (n <= 0) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    for (int k = n; k >= 1; --k) {
        // Top-left origin: each rear card starts 2 points lower and reaches 2 points further down.
        const qreal inset = 2 * k + 4;
        const QRectF card(bounds.left() + inset, bounds.top() + inset, bounds.width() - 2 * inset,
                          bounds.height() - 2 * n - 15);
        if (m_lifted && k == n)
            TDDrawSoftShadow(painter, card.translated(0, 6), 3, 6, QColor::fromRgbF(0, 0, 0, 0.12));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(0.8 - 0.04 * k, 0.8 - 0.04 * k, 0.8 - 0.04 * k));
        painter.drawRoundedRect(card.adjusted(1, 1, -1, -1), 3, 3);
        painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.15), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    }
}

void TDCardStackView::mousePressEvent(QMouseEvent* event) {
    event->ignore();
}

TDCardShadowView::TDCardShadowView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void TDCardShadowView::paintEvent(QPaintEvent*) {
    const int n = std::clamp(m_numberOfCards, 0, 4);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    // A wide, soft shadow under the whole stack...
    const qreal inset = std::max(19 - n, 16);
    const qreal drop = std::max(n - 1, 2);
    const qreal blur = std::floor(15.0 * n / 4);
    TDDrawSoftShadow(painter, bounds.adjusted(inset, inset, -inset, -inset).translated(0, drop), 4, blur,
                     QColor::fromRgbF(0, 0, 0, 0.9 * (blur > 0 ? 0.25 : 0.08)));
    // ...and a darker one right under the cards' lower edge.
    const QRectF wide = bounds.adjusted(2 * n, 0, -2 * n, 0);
    QRectF lower = wide.adjusted(8, 8, -8, -8).translated(0, 5 - 1);
    lower.setHeight(std::max<qreal>(lower.height() - 4, 0));
    const qreal nearBlur = std::min(2 * n, 10);
    TDDrawSoftShadow(painter, QRectF(lower.left(), lower.bottom() - 14, lower.width(), 14), 7, nearBlur,
                     QColor::fromRgbF(0, 0, 0, (0.05 * n + 0.4) * 0.35));
}

void TDCardShadowView::mousePressEvent(QMouseEvent* event) {
    event->ignore();
}

TDFloatingArrowButton::TDFloatingArrowButton(Direction direction, QWidget* parent)
    : QAbstractButton(parent), m_direction(direction) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    resize(31, 31);
}

void TDFloatingArrowButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal w = width();
    const qreal h = height();
    const qreal r = std::min(w, h) / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.05));
    painter.drawRoundedRect(QRectF(0, 0, w, h), r, r);

    const qreal s = std::ceil(w * 0.25);
    const QPointF c(w / 2, h / 2);
    const qreal cos60 = std::cos(M_PI / 3);
    const qreal sin60 = std::sin(M_PI / 3);
    const bool left = m_direction == Left;
    const QPointF tip(left ? c.x() - s : c.x() + s, c.y());
    const qreal baseX = left ? std::ceil(c.x() + cos60 * s) : std::ceil(c.x() - cos60 * s);
    QPainterPath triangle;
    triangle.setFillRule(Qt::OddEvenFill);
    triangle.moveTo(tip);
    triangle.lineTo(baseX, std::ceil(c.y() + sin60 * s));
    triangle.lineTo(baseX, std::floor(c.y() - sin60 * s));
    triangle.closeSubpath();
    painter.setBrush(QColor::fromRgbF(0, 0, 0, isDown() ? 0.5 : 0.35));
    painter.drawPath(triangle);
}

TDOverlayView::TDOverlayView(QWidget* parent) : QWidget(parent) {
}

void TDOverlayView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.2));
}

void TDOverlayView::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void TDOverlayView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void TDOverlayView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}
