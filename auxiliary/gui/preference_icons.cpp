#include "auxiliary/gui/preference_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QtMath>

namespace {

constexpr int kSide = 64;
const QColor kInk(0x4a, 0x55, 0x60);
const QColor kAccent(0x2f, 0x7d, 0xd6);

void drawGear(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInk);
    const QPointF centre(kSide / 2.0, kSide / 2.0);
    for (int tooth = 0; tooth < 8; ++tooth) {
        painter.save();
        painter.translate(centre);
        painter.rotate(tooth * 45.0);
        painter.drawRoundedRect(QRectF(-5, -28, 10, 14), 2, 2);
        painter.restore();
    }
    painter.drawEllipse(centre, 19, 19);
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, 8, 8);
}

void drawSync(QPainter& painter) {
    QPen pen(kAccent, 6, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    const QRectF ring(12, 12, 40, 40);
    painter.drawArc(ring, 30 * 16, 150 * 16);
    painter.drawArc(ring, 210 * 16, 150 * 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kAccent);
    // Arrow heads at the arcs' ends, pointing along the turn.
    const auto head = [&painter](QPointF tip, double angle) {
        painter.save();
        painter.translate(tip);
        painter.rotate(angle);
        painter.drawPolygon(QPolygonF({QPointF(0, -9), QPointF(9, 3), QPointF(-9, 3)}));
        painter.restore();
    };
    head(QPointF(14.7, 42), 170);
    head(QPointF(49.3, 22), -10);
}

void drawCalendar(QPainter& painter) {
    painter.setPen(QPen(kInk, 3));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(10, 12, 44, 42), 5, 5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xe0, 0x4b, 0x3c));
    painter.drawRoundedRect(QRectF(10, 12, 44, 12), 4, 4);
    painter.setBrush(kInk);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            painter.drawRect(QRectF(16 + column * 9, 29 + row * 8, 5, 5));
}

void drawKeyboard(QPainter& painter) {
    painter.setPen(QPen(kInk, 3));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(6, 18, 52, 30), 5, 5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInk);
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 6; ++column)
            painter.drawRect(QRectF(12 + column * 7.5, 23 + row * 7, 5, 5));
    painter.drawRect(QRectF(19, 38, 26, 5));
}

}  // namespace

QIcon TDPreferenceIcon(TDPreferenceIconKind kind) {
    const char* themeName = "preferences-system";
    void (*draw)(QPainter&) = drawGear;
    switch (kind) {
        case TDPreferenceIconKind::General:
            break;
        case TDPreferenceIconKind::Sync:
            themeName = "emblem-synchronizing";
            draw = drawSync;
            break;
        case TDPreferenceIconKind::CalendarSync:
            themeName = "x-office-calendar";
            draw = drawCalendar;
            break;
        case TDPreferenceIconKind::Keyboard:
            themeName = "preferences-desktop-keyboard";
            draw = drawKeyboard;
            break;
    }
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(themeName));
    if (!themed.isNull()) return themed;
    QPixmap image(kSide, kSide);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return QIcon(image);
}
