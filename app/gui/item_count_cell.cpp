#include "app/gui/item_count_cell.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QString figures(qint64 count) {
    return QString::number(count);
}

}  // namespace

QFont TDItemCountCell::defaultFont() {
    QFont font(QStringLiteral("Helvetica"));
    font.setBold(true);
    font.setPixelSize(11);
    return font;
}

QSizeF TDItemCountCell::cellSize(qint64 count, const QFont& font, qreal boundsHeight) {
    const qreal textWidth = QFontMetricsF(font).horizontalAdvance(figures(count));
    return QSizeF(qMax(20.0, std::floor(textWidth + boundsHeight) - 6.0), std::floor(boundsHeight));
}

QRectF TDItemCountCell::textRect(qint64 count, const QFont& font, const QRectF& frame) {
    const QFontMetricsF metrics(font);
    const QSizeF text(metrics.horizontalAdvance(figures(count)), metrics.height());
    return QRectF(frame.x() + std::round((frame.width() - text.width()) / 2.0),
                  frame.y() + (frame.height() - text.height()) / 2.0, text.width(), text.height());
}

QColor TDItemCountCell::fillColor(const Look& look) {
    if (look.highlighted) return Qt::white;
    return look.windowIsMain ? QColor(0x7e, 0x99, 0xaa) : QColor::fromRgbF(0.6f, 0.6f, 0.6f);
}

QColor TDItemCountCell::textColor(const Look& look, const QColor& highlightTextColor) {
    if (!look.highlighted) return Qt::white;
    return look.viewHasFocus || look.windowIsMain ? highlightTextColor
                                                  : QColor::fromRgbF(0.53f, 0.53f, 0.53f);
}

void TDItemCountCell::draw(QPainter& painter, const QRectF& frame, qint64 count, const QFont& font,
                           const Look& look) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fillColor(look));
    const qreal radius = frame.height() / 2.0;
    painter.drawRoundedRect(frame, radius, radius);
    painter.setFont(font);
    painter.setPen(textColor(look));
    painter.drawText(textRect(count, font, frame), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     figures(count));
    painter.restore();
}
