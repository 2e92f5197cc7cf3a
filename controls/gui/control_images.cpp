#include "controls/gui/control_images.h"

#include "foundation/gui/path_additions.h"

#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace control_images {

namespace {

constexpr qreal kDensity = 2.0;

QImage painted(int size, const std::function<void(QPainter&)>& draw) {
    QImage image(int(size * kDensity), int(size * kDensity), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(kDensity);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return image;
}

QPainterPath checkmarkPath(qreal scale, const QPointF& origin) {
    QPainterPath path;
    path.moveTo(origin + QPointF(4.5, 9.0) * scale);
    path.lineTo(origin + QPointF(8.0, 12.5) * scale);
    path.lineTo(origin + QPointF(15.5, 2.5) * scale);
    return path;
}

const QRectF kBox = QRectF(0, 0, kCheckboxImageSize, kCheckboxImageSize).adjusted(2.5, 2.5, -2.5, -2.5);

}  // namespace

const QImage& coloredCheckboxBackground() {
    static const QImage image = painted(kCheckboxImageSize, [](QPainter& painter) {
        painter.fillPath(bezierPathWithRoundedRect(kBox.translated(0, 1), 2.5), QColor(255, 255, 255, 150));
    });
    return image;
}

const QImage& coloredCheckboxNormal() {
    static const QImage image = painted(kCheckboxImageSize, [](QPainter& painter) {
        QLinearGradient gloss(kBox.topLeft(), kBox.bottomLeft());
        gloss.setColorAt(0.0, QColor(255, 255, 255, 120));
        gloss.setColorAt(0.5, QColor(255, 255, 255, 30));
        gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
        painter.fillPath(bezierPathWithRoundedRect(kBox, 2.0), gloss);
        painter.setPen(QPen(QColor(0, 0, 0, 110), 1.0));
        painter.drawPath(bezierPathWithRoundedRect(kBox.adjusted(0.5, 0.5, -0.5, -0.5), 1.5));
    });
    return image;
}

const QImage& coloredCheckboxCheckmark() {
    static const QImage image = painted(kCheckboxImageSize, [](QPainter& painter) {
        const QPainterPath mark = checkmarkPath(0.8, QPointF(2.4, 2.0));
        painter.setPen(QPen(QColor(0, 0, 0, 90), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(mark.translated(0, 0.7));
        painter.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(mark);
    });
    return image;
}

const QImage& checkboxCheckmark() {
    static const QImage image = painted(kCheckboxImageSize, [](QPainter& painter) {
        painter.setPen(QPen(Qt::black, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(checkmarkPath(1.0, QPointF(0, 0)));
    });
    return image;
}

const QImage& searchWhite() {
    static const QImage image = painted(kSearchImageSize, [](QPainter& painter) {
        painter.setPen(QPen(QColor(255, 255, 255, 220), 1.6, Qt::SolidLine, Qt::RoundCap));
        painter.drawEllipse(QRectF(2.0, 2.0, 7.0, 7.0));
        painter.drawLine(QPointF(8.2, 8.2), QPointF(12.0, 12.0));
    });
    return image;
}

const QImage& searchCancelWhite(bool pressed) {
    static const auto draw = [](bool brighter) {
        return painted(kSearchImageSize, [brighter](QPainter& painter) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(255, 255, 255, brighter ? 230 : 160));
            painter.drawEllipse(QRectF(1.0, 1.0, 12.0, 12.0));
            painter.setCompositionMode(QPainter::CompositionMode_Clear);
            painter.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(4.6, 4.6), QPointF(9.4, 9.4));
            painter.drawLine(QPointF(9.4, 4.6), QPointF(4.6, 9.4));
        });
    };
    static const QImage normal = draw(false);
    static const QImage brighter = draw(true);
    return pressed ? brighter : normal;
}

}  // namespace control_images
