#pragma once

#include <QHash>
#include <QImage>
#include <QRectF>

#include <functional>

class QPainter;

// Pictures that rows draw again and again (a checkbox in one of its looks, a priority box), drawn once
// per look, size and pixel density and then copied. A copy is used only on pixels (not in print), where
// it lands on whole device pixels, unscaled but for the density, at full opacity with plain compositing:
// it then gives the pixels that drawing in place would; anywhere else the picture is drawn in place.
class TDCellPictureCache {
public:
    using Drawing = std::function<void(QPainter& painter, const QRectF& frame)>;

    // `look` tells the pictures of one cache apart; `drawing` draws the look into a frame.
    void draw(QPainter& painter, const QRectF& frame, quint64 look, const Drawing& drawing);
    qsizetype size() const { return m_pictures.size(); }

private:
    struct Key {
        quint64 look;
        int width;
        int height;
        int scale;  // device pixels per point, in thousandths
        friend bool operator==(const Key&, const Key&) = default;
        friend size_t qHash(const Key& key, size_t seed = 0) {
            return qHashMulti(seed, key.look, key.width, key.height, key.scale);
        }
    };
    QHash<Key, QImage> m_pictures;
};
