#include "controls/color_level_additions.h"

namespace {

QColor blended(const QColor& color, const QColor& toward, qreal level) {
    const QColor rgb = color.toRgb();
    const qreal keep = 1.0 - level;
    return QColor::fromRgbF(float(rgb.redF() * keep + toward.redF() * level),
                            float(rgb.greenF() * keep + toward.greenF() * level),
                            float(rgb.blueF() * keep + toward.blueF() * level), rgb.alphaF());
}

}  // namespace

QColor highlightWithLevel(const QColor& color, qreal level) {
    return blended(color, Qt::white, qBound(0.0, level, 1.0));
}

QColor shadowWithLevel(const QColor& color, qreal level) {
    return blended(color, Qt::black, qBound(0.0, level, 1.0));
}
