#include "app/gui/group_images.h"

#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace group_images {

namespace {

constexpr qreal kScale = 2.0;

QPixmap paint(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(int(kImageSize * kScale), int(kImageSize * kScale));
    pixmap.fill(Qt::transparent);
    pixmap.setDevicePixelRatio(kScale);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    draw(painter);
    return pixmap;
}

QLinearGradient vertical(qreal top, qreal bottom, const QColor& light, const QColor& dark) {
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, light);
    gradient.setColorAt(1, dark);
    return gradient;
}

void drawFolder(QPainter& p, const QColor& light, const QColor& dark) {
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6.0, 3.5);
    back.lineTo(7.5, 5.0);
    back.lineTo(14.5, 5.0);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setPen(QPen(dark.darker(130), 1.0));
    p.setBrush(dark);
    p.drawPath(back);
    p.setBrush(vertical(6.5, 13.5, light, dark));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13.0, 7.0), 1.0, 1.0);
}

void drawList(QPainter& p) {
    p.setPen(QPen(QColor(0x7b, 0x8a, 0x99), 1.0));
    p.setBrush(vertical(1.5, 14.5, Qt::white, QColor(0xe8, 0xed, 0xf2)));
    p.drawRoundedRect(QRectF(2.5, 1.5, 11.0, 13.0), 1.5, 1.5);
    p.setPen(QPen(QColor(0x5d, 0x8c, 0xc9), 1.0));
    for (qreal y : {5.0, 8.0, 11.0}) {
        p.drawPoint(QPointF(5.0, y));
        p.drawLine(QPointF(6.5, y), QPointF(11.0, y));
    }
}

void drawSmartFolder(QPainter& p) {
    drawFolder(p, QColor(0xc9, 0xb8, 0xef), QColor(0x8e, 0x77, 0xcf));
    // A gear's centre: the folder gathers by a rule.
    p.setPen(QPen(Qt::white, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(8.0, 10.0), 1.8, 1.8);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(8.0, 10.0);
        p.rotate(45.0 * i);
        p.drawLine(QPointF(0, 2.4), QPointF(0, 3.2));
        p.restore();
    }
}

void drawInbox(QPainter& p) {
    QPainterPath tray;
    tray.moveTo(1.5, 9.0);
    tray.lineTo(3.5, 3.5);
    tray.lineTo(12.5, 3.5);
    tray.lineTo(14.5, 9.0);
    tray.lineTo(14.5, 13.5);
    tray.lineTo(1.5, 13.5);
    tray.closeSubpath();
    p.setPen(QPen(QColor(0x4f, 0x5d, 0x6b), 1.0));
    p.setBrush(vertical(3.5, 13.5, QColor(0xf4, 0xf6, 0xf8), QColor(0xc2, 0xcb, 0xd4)));
    p.drawPath(tray);
    QPainterPath well;
    well.moveTo(1.5, 9.0);
    well.lineTo(5.0, 9.0);
    well.lineTo(6.0, 10.5);
    well.lineTo(10.0, 10.5);
    well.lineTo(11.0, 9.0);
    well.lineTo(14.5, 9.0);
    p.setBrush(Qt::NoBrush);
    p.drawPath(well);
    p.setPen(QPen(QColor(0x2f, 0x6f, 0xc4), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(8.0, 4.5), QPointF(8.0, 8.0));
    p.drawPolyline(QPolygonF({QPointF(6.2, 6.6), QPointF(8.0, 8.4), QPointF(9.8, 6.6)}));
}

void drawCalendar(QPainter& p, const QColor& band, const QString& text) {
    p.setPen(QPen(QColor(0x6b, 0x75, 0x80), 1.0));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(1.5, 1.5, 13.0, 13.0), 2.0, 2.0);
    QPainterPath top;
    top.addRoundedRect(QRectF(1.5, 1.5, 13.0, 4.5), 2.0, 2.0);
    top.addRect(QRectF(1.5, 4.0, 13.0, 2.0));
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawPath(top.simplified());
    QFont font(QStringLiteral("Helvetica"));
    font.setBold(true);
    font.setPixelSize(8);
    p.setFont(font);
    p.setPen(QColor(0x33, 0x33, 0x33));
    p.drawText(QRectF(1.5, 5.5, 13.0, 9.0), Qt::AlignCenter, text);
}

void drawUpcoming(QPainter& p) {
    drawCalendar(p, QColor(0x5f, 0x8f, 0xcc), QString());
    p.setPen(QPen(QColor(0x33, 0x55, 0x88), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(4.5, 10.0), QPointF(11.0, 10.0));
    p.drawPolyline(QPolygonF({QPointF(9.0, 8.0), QPointF(11.2, 10.0), QPointF(9.0, 12.0)}));
}

void drawTag(QPainter& p, const QColor& fill) {
    // Pointing left, with its hole near the point.
    QPainterPath shape;
    shape.moveTo(1.5, 8.0);
    shape.lineTo(6.5, 3.0);
    shape.lineTo(13.0, 3.0);
    shape.quadTo(14.5, 3.0, 14.5, 4.5);
    shape.lineTo(14.5, 11.5);
    shape.quadTo(14.5, 13.0, 13.0, 13.0);
    shape.lineTo(6.5, 13.0);
    shape.closeSubpath();
    p.setPen(QPen(fill.darker(160), 1.0));
    p.setBrush(vertical(3.0, 13.0, fill.lighter(115), fill));
    p.drawPath(shape);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(6.0, 8.0), 1.2, 1.2);
}

QPixmap make(const QString& name) {
    if (name == QLatin1String("list")) return paint(drawList);
    if (name == QLatin1String("folder"))
        return paint([](QPainter& p) { drawFolder(p, QColor(0xa9, 0xcb, 0xf0), QColor(0x5e, 0x95, 0xd6)); });
    if (name == QLatin1String("sfolder")) return paint(drawSmartFolder);
    if (name == QLatin1String("Inbox")) return paint(drawInbox);
    if (name == QLatin1String("Upcoming")) return paint(drawUpcoming);
    if (name == QLatin1String("tag_yellow"))
        return paint([](QPainter& p) { drawTag(p, QColor(0xf2, 0xc9, 0x3a)); });
    if (name == QLatin1String("tag_pink"))
        return paint([](QPainter& p) { drawTag(p, QColor(0xef, 0x83, 0xb4)); });
    if (name.startsWith(QLatin1String("today_"))) {
        const QString day = QString::number(name.mid(6).toInt());
        return paint([day](QPainter& p) { drawCalendar(p, QColor(0xd9, 0x4b, 0x3f), day); });
    }
    return {};
}

}  // namespace

const QPixmap& imageNamed(const QString& name) {
    static QHash<QString, QPixmap> images;
    auto found = images.find(name);
    if (found == images.end()) found = images.insert(name, make(name));
    return found.value();
}

}  // namespace group_images
