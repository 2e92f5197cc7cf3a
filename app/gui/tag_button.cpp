#include "app/gui/tag_button.h"

#include "controls/color_level_additions.h"
#include "foundation/color_additions.h"
#include "foundation/gui/path_additions.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QColor hex(const char* digits) {
    return colorWithHexString(QLatin1String(digits), 1.0).value_or(QColor(Qt::black));
}

QLinearGradient faded(QLinearGradient gradient) {
    QGradientStops stops = gradient.stops();
    for (QGradientStop& stop : stops) stop.second.setAlphaF(stop.second.alphaF() * 0.6f);
    gradient.setStops(stops);
    return gradient;
}

constexpr qreal kBadgeX = 4;
constexpr qreal kBadgeY = 3;
constexpr qreal kBadgeHeight = 12;
constexpr qreal kBadgeMinimumWidth = 14;

}  // namespace

TDTagButton::TDTagButton(QWidget* parent) : TDColoredRoundedRectButton(parent) {
    setCheckable(true);
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
}

void TDTagButton::setTaskCount(qint64 count) {
    if (count == m_taskCount) return;
    m_taskCount = count;
    updateGeometry();
    update();
}

QColor TDTagButton::backgroundColor() const {
    if (hasBackgroundColor()) return TDColoredRoundedRectButton::backgroundColor();
    return isChecked() ? QColor::fromRgbF(0.8f, 0.8f, 1.0f) : QColor::fromRgbF(0, 0, 0, 0.2f);
}

QLinearGradient TDTagButton::fillGradient(const QRectF& frame) const {
    const QColor background = backgroundColor();
    QLinearGradient gradient;
    if (isChecked())
        gradient = isHighlighted() ? verticalGradient(frame, hex("6bb2fc"), hex("a2e8ff"))
                                   : verticalGradient(frame, hex("b6f3ff"), hex("94d3fe"));
    else
        gradient = isHighlighted() ? verticalGradient(frame, shadowWithLevel(background, 0.35),
                                                      shadowWithLevel(background, 0.15))
                                   : verticalGradient(frame, highlightWithLevel(background, 0.1),
                                                      shadowWithLevel(background, 0.15));
    return isEnabled() ? gradient : faded(gradient);
}

QColor TDTagButton::textColor() const {
    if (isChecked()) return QColor::fromRgbF(0, 0, 0, 0.9f);
    const float opacity = !isEnabled() ? 0.4f : isApplicationActive() ? 1.0f : 0.6f;
    return QColor::fromRgbF(0.75f, 0.75f, 0.75f, opacity);
}

QColor TDTagButton::borderColor() const {
    return QColor::fromRgbF(0, 0, 0, isChecked() ? 0.5f : 0.25f);
}

QFont TDTagButton::countFont() const {
    QFont badge = font();
    badge.setPixelSize(9);
    return badge;
}

QString TDTagButton::p_countText() const {
    return QString::number(m_taskCount);
}

QRectF TDTagButton::taskCountBackgroundRectForBounds(const QRectF&) const {
    const qreal textWidth = QFontMetricsF(countFont()).horizontalAdvance(p_countText());
    return {kBadgeX, kBadgeY, std::max(kBadgeMinimumWidth, textWidth + 4), kBadgeHeight};
}

QRectF TDTagButton::taskCountStringRectForBounds(const QRectF& bounds) const {
    const QRectF badge = taskCountBackgroundRectForBounds(bounds);
    const qreal textWidth = std::ceil(QFontMetricsF(countFont()).horizontalAdvance(p_countText()));
    qreal x = badge.x() + (badge.width() - textWidth) / 2;
    // Two digits and more sit on a whole point, so they stay sharp.
    if (m_taskCount >= 10) x = std::ceil(x);
    return {x, badge.y(), textWidth, badge.height()};
}

QRectF TDTagButton::titleRectForBounds(const QRectF& bounds) const {
    if (m_taskCount <= 0) return TDColoredRoundedRectButton::titleRectForBounds(bounds);
    // The title takes the room right of the badge.
    const QRectF badge = taskCountBackgroundRectForBounds(bounds);
    const qreal left = badge.right() + 3;
    return {left, bounds.y(), std::max(0.0, bounds.right() - 8 - left), bounds.height()};
}

QSize TDTagButton::sizeHint() const {
    const int title = fontMetrics().horizontalAdvance(text());
    if (m_taskCount <= 0) return {title + 18, 18};
    const qreal badge = taskCountBackgroundRectForBounds({}).width();
    return {int(std::ceil(kBadgeX + badge + 3 + title + 9)), 18};
}

void TDTagButton::drawWithFrame(QPainter& painter, const QRectF& frame) {
    TDColoredRoundedRectButton::drawWithFrame(painter, frame);
    if (m_taskCount <= 0) return;
    const QColor badgeColor = !isEnabled()  ? QColor::fromRgbF(0, 0, 0, 0.2f)
                              : isChecked() ? QColor::fromRgbF(0, 0, 0, 0.3f)
                                            : QColor::fromRgbF(1, 1, 1, 0.1f);
    painter.fillPath(bezierPathWithRoundedRect(taskCountBackgroundRectForBounds(frame), 6), badgeColor);
    painter.setFont(countFont());
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.7f));
    painter.drawText(taskCountStringRectForBounds(frame), Qt::AlignLeft | Qt::AlignVCenter, p_countText());
}

void TDTagButton::mouseReleaseEvent(QMouseEvent* event) {
    m_clickModifiers = event->modifiers();
    TDColoredRoundedRectButton::mouseReleaseEvent(event);
}
