#include "controls/gui/resize_grip.h"

#include <QPainter>

namespace {

// The ridges' extent across and along the direction of the drag.
constexpr int kRidgesAcross = 4;
constexpr int kRidgeLength = 11;

}  // namespace

TDResizeGrip::TDResizeGrip(Qt::Orientation dragged, QWidget* parent) : QWidget(parent), m_dragged(dragged) {
    setCursor(dragged == Qt::Horizontal ? Qt::SplitHCursor : Qt::SplitVCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize TDResizeGrip::sizeHint() const {
    return m_dragged == Qt::Horizontal ? QSize(15, 21) : QSize(21, 12);
}

void TDResizeGrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor dark = QColor::fromRgbF(0, 0, 0, 0.35);
    const QColor light = QColor::fromRgbF(1, 1, 1, 0.7);
    const bool upright = m_dragged == Qt::Horizontal;
    const int across = upright ? width() : height();
    const int along = upright ? height() : width();
    const int first = (across - kRidgesAcross) / 2;
    const int start = (along - kRidgeLength) / 2;
    for (int i = 0; i < kRidgesAcross; ++i) {
        const QRect ridge =
            upright ? QRect(first + i, start, 1, kRidgeLength) : QRect(start, first + i, kRidgeLength, 1);
        painter.fillRect(ridge, i % 2 == 0 ? dark : light);
    }
}
