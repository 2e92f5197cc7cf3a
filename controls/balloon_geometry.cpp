#include "controls/balloon_geometry.h"

#include <algorithm>
#include <cmath>

namespace TDBalloonGeometry {

Placement place(QPoint location, int direction, const QRect& targetFrame, QSize contentSize,
                const QRect& visible) {
    const int w = contentSize.width();
    const int h = contentSize.height();
    Placement placement{QRect(location, contentSize), direction, location};
    if (direction == kAbove) {
        placement.frame =
            QRect(location.x() - w / 2, location.y() - kGap - (h + kArrowHeight), w, h + kArrowHeight);
    } else if (direction == kBelow) {
        placement.frame = QRect(location.x() - w / 2, location.y() + kGap, w, h + kArrowHeight);
        if (placement.frame.bottom() > visible.bottom())
            return place(QPoint(location.x(), targetFrame.top()), kAbove, targetFrame, contentSize, visible);
    }
    if (placement.frame.left() < visible.left()) placement.frame.moveLeft(visible.left());
    if (placement.frame.right() > visible.right()) placement.frame.moveRight(visible.right());
    return placement;
}

QRectF boxFrame(QSizeF panelSize, int direction) {
    const qreal height = std::max(0.0, panelSize.height() - kArrowHeight);
    return direction == kBelow ? QRectF(0, kArrowHeight, panelSize.width(), height)
                               : QRectF(0, 0, panelSize.width(), height);
}

qreal cornerRadius(const QRectF& box) {
    return std::min(kCornerRadius, std::min(box.width(), box.height()) / 2);
}

bool arrowFits(qreal tipX, const QRectF& box) {
    const qreal r = cornerRadius(box);
    const qreal t = std::floor(tipX) + 0.5;
    return t - kArrowHalfWidth >= box.left() + r && t + kArrowHalfWidth <= box.right() - r;
}

QRect resizedFrame(const QRect& frame, QSize contentSize, int direction) {
    const int x = int(std::floor(frame.x() + frame.width() / 2.0 - contentSize.width() / 2.0));
    const int height = contentSize.height() + kArrowHeight;
    // Above its location the bottom edge, where the arrow is, stays.
    const int y = direction == kAbove ? frame.y() + frame.height() - height : frame.y();
    return QRect(x, y, contentSize.width(), height);
}

}  // namespace TDBalloonGeometry
