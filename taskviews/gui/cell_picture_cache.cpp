#include "taskviews/gui/cell_picture_cache.h"

#include <QPaintEngine>
#include <QPainter>

#include <cmath>

namespace {

// Pictures kept at most; the looks of a few sizes and densities are far fewer.
constexpr qsizetype kCapacity = 512;
// Pens and marks may reach a little past the frame they are drawn for.
constexpr qreal kMargin = 3;

bool isWhole(qreal value) {
    return std::abs(value - std::round(value)) < 1e-6;
}

}  // namespace

void TDCellPictureCache::draw(QPainter& painter, const QRectF& frame, quint64 look, const Drawing& drawing) {
    const QTransform transform = painter.deviceTransform();
    const qreal scale = transform.m11();
    const QRectF onDevice = transform.mapRect(frame);
    // Printing records what is drawn to scale it later: it gets the picture itself.
    const bool onPixels = painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster;
    const bool copyable = onPixels && transform.type() <= QTransform::TxScale && scale > 0 &&
                          transform.m22() == scale && painter.opacity() == 1.0 &&
                          painter.compositionMode() == QPainter::CompositionMode_SourceOver &&
                          isWhole(onDevice.x()) && isWhole(onDevice.y()) && isWhole(onDevice.width()) &&
                          isWhole(onDevice.height()) && !onDevice.isEmpty();
    if (!copyable) return drawing(painter, frame);

    const int margin = int(std::ceil(kMargin * scale));
    const Key key{look, int(std::lround(onDevice.width())), int(std::lround(onDevice.height())),
                  int(std::lround(scale * 1000))};
    auto found = m_pictures.constFind(key);
    if (found == m_pictures.constEnd()) {
        QImage picture(key.width + 2 * margin, key.height + 2 * margin, QImage::Format_ARGB32_Premultiplied);
        picture.setDevicePixelRatio(scale);
        picture.fill(Qt::transparent);
        {
            QPainter onPicture(&picture);
            drawing(onPicture, QRectF(QPointF(margin / scale, margin / scale), frame.size()));
        }
        if (m_pictures.size() >= kCapacity) m_pictures.clear();
        found = m_pictures.insert(key, picture);
    }
    painter.drawImage(frame.topLeft() - QPointF(margin / scale, margin / scale), *found);
}
