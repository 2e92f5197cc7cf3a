#include "app/gui/tab_image_factory.h"

#include "model/group.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>
#include <functional>

namespace {

constexpr qreal kDensity = 2.0;
// Unselected tabs are darkened by this gamma.
constexpr double kUnselectedGamma = 1.6;

// An image drawn in the tab's own coordinates: origin at the bottom left, y upward.
QImage painted(int width, const std::function<void(QPainter&)>& draw) {
    QImage image(int(width * kDensity), int(TDTabImageFactory::kHeight * kDensity),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(kDensity);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(0, TDTabImageFactory::kHeight);
    painter.scale(1, -1);
    draw(painter);
    return image;
}

// From the top colour at the top to the bottom colour at the bottom.
QLinearGradient backgroundGradient(const QVariantMap& options, qreal top, qreal bottom) {
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, options.value(QStringLiteral("tabBackgroundGradientTopColor")).value<QColor>());
    gradient.setColorAt(1, options.value(QStringLiteral("tabBackgroundGradientBottomColor")).value<QColor>());
    return gradient;
}

QPainterPath leftCapPath() {
    const qreal w = TDTabImageFactory::kCapWidth;
    const qreal h = TDTabImageFactory::kHeight;
    QPainterPath path;
    path.moveTo(0, 0);
    path.cubicTo(1.75, -0.25, 7, 7, 3, 2);
    path.lineTo(3 + (w - 10), 2 + (h - 6));
    const QPointF top = path.currentPosition();
    path.cubicTo(top + QPointF(2.5, 3), top + QPointF(6, 3), top + QPointF(6, 3));
    path.lineTo(path.currentPosition() + QPointF(1, 0));
    path.lineTo(path.currentPosition() + QPointF(1, 0));
    path.lineTo(w + 1, 0);
    path.closeSubpath();
    return path;
}

QImage leftEdgeImage(const QVariantMap& options) {
    return painted(TDTabImageFactory::kCapWidth, [&](QPainter& painter) {
        const QPainterPath path = leftCapPath();
        // A soft edge below, the body, and a light rim inside it.
        painter.fillPath(path.translated(0.5, 1.0), QColor(0, 0, 0, 51));
        painter.fillPath(path.translated(1.0, 0.0),
                         backgroundGradient(options, TDTabImageFactory::kHeight, 0));
        painter.strokePath(path.translated(1.5, -0.5), QPen(QColor(255, 255, 255, 102), 1.0));
    });
}

QImage centerImage(const QVariantMap& options) {
    return painted(1, [&](QPainter& painter) {
        painter.fillRect(QRectF(0, 0, 1, 25), backgroundGradient(options, 25, 0));
        painter.fillRect(QRectF(0, 24, 1, 1), QColor(255, 255, 255, 102));
        painter.fillRect(QRectF(0, 25, 1, 1), QColor(0, 0, 0, 51));
    });
}

QImage rightEdgeImage(const QImage& leftCap) {
    return leftCap.mirrored(true, false);
}

// Each colour channel raised to the gamma, as the unselected tabs are shown.
QImage darkened(const QImage& piece) {
    static const std::array<uchar, 256> table = [] {
        std::array<uchar, 256> values{};
        for (int i = 0; i < 256; ++i)
            values[i] = uchar(std::lround(255.0 * std::pow(i / 255.0, kUnselectedGamma)));
        return values;
    }();
    QImage image = piece.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            line[x] = qRgba(table[qRed(pixel)], table[qGreen(pixel)], table[qBlue(pixel)], qAlpha(pixel));
        }
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

TDTabImageFactory& TDTabImageFactory::sharedFactory() {
    static TDTabImageFactory factory;
    return factory;
}

const TDTabImages& TDTabImageFactory::tabImagesForTabType(const QString& tabType, bool selected) {
    const QString type = tabType.isEmpty() ? QStringLiteral("none") : tabType;
    const QString key = QStringLiteral("%1-%2").arg(type).arg(selected ? 1 : 0);
    auto found = m_imagesCache.constFind(key);
    if (found != m_imagesCache.constEnd()) return *found;
    const QVariantMap options = TDGroup::displayOptionsForTabType(type);
    const QImage left = leftEdgeImage(options);
    TDTabImages images{left, centerImage(options), rightEdgeImage(left)};
    if (!selected)
        for (QImage& piece : images) piece = darkened(piece);
    for (QImage& piece : images) piece.setDevicePixelRatio(kDensity);
    return *m_imagesCache.insert(key, images);
}
