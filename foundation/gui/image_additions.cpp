#include "foundation/gui/image_additions.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

QRectF sizeRect(const QImage& image) {
    return QRectF(QPointF(0, 0), image.deviceIndependentSize());
}

int pixelWidth(const QImage& image) {
    return image.width();
}

int pixelHeight(const QImage& image) {
    return image.height();
}

QSize pixelSize(const QImage& image) {
    return image.size();
}

QRect pixelSizeRect(const QImage& image) {
    return QRect(QPoint(0, 0), image.size());
}

QImage imageWithOpacity(const QImage& image, qreal opacity) {
    QImage faded(image.size(), QImage::Format_ARGB32_Premultiplied);
    faded.setDevicePixelRatio(image.devicePixelRatio());
    faded.fill(Qt::transparent);
    QPainter painter(&faded);
    painter.setOpacity(std::clamp(opacity, qreal(0), qreal(1)));
    painter.drawImage(QPointF(0, 0), image);
    return faded;
}

QImage gradientImageOfHeight(int height, const QColor& start, const QColor& end) {
    if (height < 1) return {};
    QImage strip(1, height, QImage::Format_RGBA8888);
    if (strip.isNull()) return {};
    const auto channels = [](const QColor& c) {
        return c.isValid() ? std::array<double, 4>{c.redF(), c.greenF(), c.blueF(), c.alphaF()}
                           : std::array<double, 4>{0, 0, 0, 0};
    };
    const auto from = channels(start), to = channels(end);
    for (int y = 0; y < height; ++y) {
        uchar* pixel = strip.scanLine(y);
        for (int c = 0; c < 4; ++c) {
            const double value = from[c] == to[c] ? to[c] : from[c] + y * (to[c] - from[c]) / height;
            pixel[c] =
                static_cast<uchar>(std::nearbyint(value * 255));  // the default mode rounds half to even
        }
    }
    return strip;
}

void drawVerticalReflection(QPainter& painter, const QImage& image, const QRectF& destination,
                            const QRectF& source, qreal topAlpha, qreal bottomAlpha) {
    const QSize size = destination.size().toSize();
    if (size.isEmpty()) return;
    QImage reflection(size, QImage::Format_ARGB32_Premultiplied);
    reflection.fill(Qt::transparent);
    {
        QPainter mirror(&reflection);
        mirror.setCompositionMode(QPainter::CompositionMode_Source);
        mirror.translate(0, size.height());
        mirror.scale(1, -1);
        mirror.drawImage(QRectF(QPointF(0, 0), size), image, source);
        mirror.resetTransform();

        QLinearGradient fade(0, 0, 0, size.height());
        fade.setColorAt(0, QColor::fromRgbF(1, 1, 1, std::clamp(topAlpha, qreal(0), qreal(1))));
        fade.setColorAt(1, QColor::fromRgbF(1, 1, 1, std::clamp(bottomAlpha, qreal(0), qreal(1))));
        mirror.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        mirror.fillRect(QRect(QPoint(0, 0), size), fade);
    }
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(destination, reflection);
    painter.restore();
}
