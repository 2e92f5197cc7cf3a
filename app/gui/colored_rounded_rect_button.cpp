#include "app/gui/colored_rounded_rect_button.h"

#include "controls/color_level_additions.h"
#include "foundation/gui/path_additions.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

TDColoredRoundedRectButton::TDColoredRoundedRectButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, qOverload<>(&QWidget::update));
}

QColor TDColoredRoundedRectButton::backgroundColor() const {
    return m_backgroundColor.isValid() ? m_backgroundColor : QColor::fromRgbF(0.98f, 0.98f, 0.98f);
}

void TDColoredRoundedRectButton::setBackgroundColor(const QColor& color) {
    m_backgroundColor = color;
    update();
}

QLinearGradient TDColoredRoundedRectButton::verticalGradient(const QRectF& frame, const QColor& top,
                                                             const QColor& bottom) {
    QLinearGradient gradient(frame.topLeft(), frame.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return gradient;
}

QLinearGradient TDColoredRoundedRectButton::fillGradient(const QRectF& frame) const {
    const QColor background = backgroundColor();
    if (!isEnabled()) {
        QColor top = highlightWithLevel(background, 0.1);
        QColor bottom = shadowWithLevel(background, 0.15);
        top.setAlphaF(top.alphaF() * 0.6f);
        bottom.setAlphaF(bottom.alphaF() * 0.6f);
        return verticalGradient(frame, top, bottom);
    }
    if (isHighlighted())
        return verticalGradient(frame, shadowWithLevel(background, 0.3), shadowWithLevel(background, 0.05));
    return verticalGradient(frame, highlightWithLevel(background, 0.1), shadowWithLevel(background, 0.15));
}

QColor TDColoredRoundedRectButton::textColor() const {
    if (!isEnabled()) return QColor::fromRgbF(0, 0, 0, 0.4f);
    return QColor::fromRgbF(0, 0, 0, isApplicationActive() ? 1.0f : 0.6f);
}

QColor TDColoredRoundedRectButton::borderColor() const {
    return QColor::fromRgbF(0, 0, 0, 0.25f);
}

QRectF TDColoredRoundedRectButton::titleRectForBounds(const QRectF& bounds) const {
    return bounds.adjusted(5, 0, -5, 0);
}

QSize TDColoredRoundedRectButton::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text()) + 14, 18};
}

void TDColoredRoundedRectButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    drawWithFrame(painter, QRectF(rect()));
}

void TDColoredRoundedRectButton::drawWithFrame(QPainter& painter, const QRectF& frame) {
    painter.fillPath(bezierPathWithRoundedRect(frame, frame.height() / 2), fillGradient(frame));
    const QRectF border = frame.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(borderColor(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(bezierPathWithRoundedRect(border, border.height() / 2));
    painter.setFont(font());
    painter.setPen(textColor());
    const QRectF title = titleRectForBounds(frame);
    painter.drawText(title, Qt::AlignCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, int(title.width())));
}

bool TDColoredRoundedRectButton::isApplicationActive() {
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}
