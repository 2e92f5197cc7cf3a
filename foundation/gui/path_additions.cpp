#include "foundation/gui/path_additions.h"

#include <algorithm>

namespace {

void appendCorneredRect(QPainterPath& path, const QRectF& r, qreal topLeft, qreal topRight, qreal bottomRight,
                        qreal bottomLeft) {
    const qreal limit = std::min(r.width(), r.height()) / 2;
    const auto clamp = [limit](qreal radius) {
        return std::clamp(radius, qreal(0), std::max(limit, qreal(0)));
    };
    const qreal tl = clamp(topLeft), tr = clamp(topRight), br = clamp(bottomRight), bl = clamp(bottomLeft);

    path.moveTo(r.left() + tl, r.top());
    path.lineTo(r.right() - tr, r.top());
    if (tr > 0) path.arcTo(QRectF(r.right() - 2 * tr, r.top(), 2 * tr, 2 * tr), 90, -90);
    path.lineTo(r.right(), r.bottom() - br);
    if (br > 0) path.arcTo(QRectF(r.right() - 2 * br, r.bottom() - 2 * br, 2 * br, 2 * br), 0, -90);
    path.lineTo(r.left() + bl, r.bottom());
    if (bl > 0) path.arcTo(QRectF(r.left(), r.bottom() - 2 * bl, 2 * bl, 2 * bl), 270, -90);
    path.lineTo(r.left(), r.top() + tl);
    if (tl > 0) path.arcTo(QRectF(r.left(), r.top(), 2 * tl, 2 * tl), 180, -90);
    path.closeSubpath();
}

}  // namespace

void appendRoundedRect(QPainterPath& path, const QRectF& rect, qreal radius) {
    appendCorneredRect(path, rect, radius, radius, radius, radius);
}

QPainterPath bezierPathWithRoundedRect(const QRectF& rect, qreal radius) {
    QPainterPath path;
    appendRoundedRect(path, rect, radius);
    return path;
}

QPainterPath bezierPathWithRoundedRect(const QRectF& rect, qreal topLeftRadius, qreal topRightRadius,
                                       qreal bottomRightRadius, qreal bottomLeftRadius) {
    QPainterPath path;
    appendCorneredRect(path, rect, topLeftRadius, topRightRadius, bottomRightRadius, bottomLeftRadius);
    return path;
}
