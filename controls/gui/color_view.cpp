#include "controls/gui/color_view.h"

#include <QPaintEvent>
#include <QPainter>

TDColorView::TDColorView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TDColorView::setBackground(const QBrush& brush) {
    m_background = brush;
    update();
}

void TDColorView::setPatternPhase(const QPoint& phase) {
    m_patternPhase = phase;
    update();
}

void TDColorView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    QBrush brush = m_background.style() == Qt::NoBrush ? QBrush(Qt::white) : m_background;
    if (!m_patternPhase.isNull()) {
        // Patterns start at the window's corner, not at this view's.
        const QPoint origin = -mapTo(window(), QPoint(0, 0)) + m_patternPhase;
        brush.setTransform(QTransform::fromTranslate(origin.x(), origin.y()));
    }
    painter.fillRect(event->rect(), brush);
}
