#include "taskviews/gui/task_checkbox_cell.h"

#include "taskviews/gui/cell_picture_cache.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

using Look = TDTaskCheckboxLook;

void drawBoxOutline(QPainter& painter, const QRectF& box) {
    QLinearGradient shade(box.topLeft(), box.bottomLeft());
    shade.setColorAt(0.0, QColor(0, 0, 0, 30));
    shade.setColorAt(1.0, QColor(0, 0, 0, 0));
    QPainterPath path;
    path.addRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 2.0, 2.0);
    // A page is recorded as a picture for the printer, whose gradients lose their transparency and
    // would fill the box dark: paper gets the plain box.
    if (painter.paintEngine()->type() != QPaintEngine::Picture) painter.fillPath(path, shade);
    painter.setPen(QPen(QColor(0, 0, 0, 140), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

void drawCheck(QPainter& painter, const QRectF& box) {
    QPainterPath mark;
    mark.moveTo(box.left() + 2.5, box.top() + 6.0);
    mark.lineTo(box.left() + 5.5, box.top() + 9.5);
    mark.lineTo(box.right() + 2.5, box.top() - 3.0);
    painter.setPen(QPen(QColor(20, 20, 20), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(mark);
}

void drawCross(QPainter& painter, const QRectF& box) {
    const QRectF inner = box.adjusted(3, 3, -3, -3);
    painter.setPen(QPen(QColor(150, 20, 20), 1.8, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(inner.topLeft(), inner.bottomRight());
    painter.drawLine(inner.topRight(), inner.bottomLeft());
}

void drawMixed(QPainter& painter, const QRectF& box) {
    painter.setPen(QPen(QColor(40, 40, 40), 2.0, Qt::SolidLine, Qt::RoundCap));
    const qreal y = box.center().y();
    painter.drawLine(QPointF(box.left() + 3, y), QPointF(box.right() - 3, y));
}

void drawRepeat(QPainter& painter, const QRectF& box) {
    const QRectF ring = box.adjusted(2.5, 2.5, -2.5, -2.5);
    painter.setPen(QPen(QColor(40, 90, 160), 1.3, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(ring, 100 * 16, 280 * 16);
    // The arrow head at the arc's open end, pointing on round the circle.
    const QPointF tip(ring.center().x() + 0.2, ring.top());
    QPainterPath head;
    head.moveTo(tip + QPointF(-2.6, -1.8));
    head.lineTo(tip + QPointF(0.6, 0));
    head.lineTo(tip + QPointF(-2.6, 1.8));
    head.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 90, 160));
    painter.drawPath(head);
}

QRectF iconRect(const QRectF& frame) {
    const qreal side = 14;
    return QRectF(frame.x() + 2, frame.y() + std::floor((frame.height() - side) / 2), side, side);
}

void drawOverdue(QPainter& painter, const QRectF& frame) {
    const QRectF disc = iconRect(frame);
    QRadialGradient fill(disc.center() - QPointF(2, 2), disc.width());
    fill.setColorAt(0.0, QColor(255, 110, 80));
    fill.setColorAt(1.0, QColor(205, 40, 20));
    painter.setPen(QPen(QColor(150, 25, 10), 0.8));
    painter.setBrush(fill);
    painter.drawEllipse(disc.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap));
    const qreal x = disc.center().x();
    painter.drawLine(QPointF(x, disc.top() + 3.5), QPointF(x, disc.top() + 8));
    painter.drawPoint(QPointF(x, disc.top() + 10.8));
}

void drawTimer(QPainter& painter, const QRectF& frame) {
    const QRectF face = iconRect(frame).adjusted(0.5, 1.5, -0.5, 0.5);
    painter.setPen(QPen(QColor(40, 110, 60), 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(face.center().x(), face.top() - 1.5), QPointF(face.center().x(), face.top()));
    painter.setBrush(QColor(235, 250, 235));
    painter.drawEllipse(face);
    painter.setPen(QPen(QColor(40, 110, 60), 1.3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(face.center(), face.center() + QPointF(0, -4));
    painter.drawLine(face.center(), face.center() + QPointF(3, 1.5));
}

void drawInPlace(QPainter& painter, const QRectF& frame, const Look& look) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    switch (look.face) {
        case Look::Face::TimerIcon:
            drawTimer(painter, frame);
            painter.restore();
            return;
        case Look::Face::OverdueIcon:
            drawOverdue(painter, frame);
            painter.restore();
            return;
        case Look::Face::Box:
            break;
    }
    const QRectF box = TDTaskCheckboxCell::boxRect(frame);
    QPainterPath square;
    square.addRoundedRect(box, 2.0, 2.0);
    painter.fillPath(square, QColor::fromRgbF(1, 1, 1, float(look.boxFillAlpha)));
    if (look.highlightFill) painter.fillPath(square, QColor::fromRgbF(0, 0, 0, 0.15f));
    painter.setOpacity(look.backgroundOpacity);
    drawBoxOutline(painter, box);
    painter.setOpacity(look.markOpacity);
    switch (look.mark) {
        case Look::Mark::Check:
            drawCheck(painter, box);
            break;
        case Look::Mark::Cross:
            drawCross(painter, box);
            break;
        case Look::Mark::Mixed:
            drawMixed(painter, box);
            break;
        case Look::Mark::Repeat:
            drawRepeat(painter, box);
            break;
        case Look::Mark::None:
            break;
    }
    painter.restore();
}

quint64 lookKey(const Look& look) {
    auto thousandths = [](qreal value) {
        return quint64(std::lround(std::clamp<qreal>(value, 0, 1) * 1000));
    };
    return quint64(look.face) | quint64(look.mark) << 4 | quint64(look.highlightFill) << 8 |
           thousandths(look.boxFillAlpha) << 16 | thousandths(look.backgroundOpacity) << 32 |
           thousandths(look.markOpacity) << 48;
}

}  // namespace

QRectF TDTaskCheckboxCell::boxRect(const QRectF& frame) {
    return QRectF(frame.x() + 3, frame.y() + 3, 12, 12);
}

void TDTaskCheckboxCell::draw(QPainter& painter, const QRectF& frame, const TDTaskCheckboxLook& look) {
    static TDCellPictureCache pictures;
    pictures.draw(painter, frame, lookKey(look),
                  [&look](QPainter& onto, const QRectF& at) { drawInPlace(onto, at, look); });
}
