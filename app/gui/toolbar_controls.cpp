#include "app/gui/toolbar_controls.h"

#include "app/gui/toolbar_segments_accessible.h"

#include <QAccessible>
#include <QHelpEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace {

constexpr int kSegmentWidth = 30;
constexpr int kControlHeight = 26;

QColor white(double value, double alpha) {
    return QColor::fromRgbF(value, value, value, alpha);
}

QPainterPath rounded(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

}  // namespace

void TDDrawToolbarBezel(QPainter& painter, const QRectF& rect, bool highlighted) {
    const QRectF r = rect.adjusted(1, 2, -1, -2).translated(0, -1);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, highlighted ? white(0.5, 0.25) : white(1.0, 0.25));
    fill.setColorAt(1, highlighted ? white(0.75, 0.35) : white(0.75, 0.15));
    painter.fillPath(rounded(r, 5), fill);
    painter.strokePath(rounded(r.adjusted(0.5, 0.5, -0.5, -0.5), 5), QPen(white(0, 0.25), 1));
    // An inner light edge on the resting bezel.
    if (!highlighted)
        painter.strokePath(rounded(r.adjusted(1.5, 1.5, -1.5, -1.5), 6), QPen(white(1, 0.15), 1));
    painter.restore();
}

// --- TDToolbarButton

TDToolbarButton::TDToolbarButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
}

QSize TDToolbarButton::sizeHint() const {
    const int textWidth = text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text()) + 20;
    const int imageWidth = icon().isNull() ? 0 : iconSize().width() + 16;
    return {qMax(28, textWidth + imageWidth), kControlHeight};
}

void TDToolbarButton::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event)
    QPainter painter(this);
    TDDrawToolbarBezel(painter, rect(), false);
    const QRect interior = rect().translated(0, -1);
    if (!icon().isNull()) {
        const QSize size = iconSize();
        const QRect image(interior.center().x() - size.width() / 2 + 1,
                          interior.center().y() - size.height() / 2 + 1, size.width(), size.height());
        icon().paint(&painter, image, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    }
    if (!text().isEmpty()) {
        painter.setPen(isChecked() ? QColor(0x1d, 0x4f, 0x91) : white(0.25, 1));
        painter.drawText(interior, Qt::AlignCenter, text());
    }
    // Pressed or on: a dark wash over the bezel.
    if (isDown() || isChecked()) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(rounded(QRectF(rect()).adjusted(1, 2, -1, -3), 5), white(0, isDown() ? 0.2 : 0.08));
    }
}

// --- TDToolbarSegmentedControl

TDToolbarSegmentedControl::TDToolbarSegmentedControl(const QList<QIcon>& icons, Tracking tracking,
                                                     QWidget* parent)
    : QWidget(parent), m_tracking(tracking) {
    for (const QIcon& icon : icons) m_segments.append({icon, true, {}});
    setFocusPolicy(Qt::NoFocus);
    resize(sizeHint());
    static const bool accessible = [] {
        QAccessible::installFactory(&TDToolbarSegmentsAccessibleFactory);
        return true;
    }();
    Q_UNUSED(accessible)
}

QSize TDToolbarSegmentedControl::sizeHint() const {
    return {kSegmentWidth * segmentCount() + 2, kControlHeight};
}

QRect TDToolbarSegmentedControl::segmentRect(int segment) const {
    const int w = (width() - 2) / qMax(1, segmentCount());
    return {1 + segment * w, 0, w, height()};
}

void TDToolbarSegmentedControl::setSelectedSegment(int segment) {
    if (m_selected == segment) return;
    m_selected = segment;
    update();
}

void TDToolbarSegmentedControl::setSegmentEnabled(int segment, bool enabled) {
    if (m_segments[segment].enabled == enabled) return;
    m_segments[segment].enabled = enabled;
    update();
}

void TDToolbarSegmentedControl::setInteriorVerticalOffset(double offset) {
    m_interiorVerticalOffset = offset;
    update();
}

int TDToolbarSegmentedControl::p_segmentAt(const QPoint& point) const {
    for (int segment = 0; segment < segmentCount(); ++segment)
        if (segmentRect(segment).contains(point)) return segment;
    return -1;
}

void TDToolbarSegmentedControl::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event)
    QPainter painter(this);
    for (int segment = 0; segment < segmentCount(); ++segment) {
        const QRect area = segmentRect(segment);
        painter.save();
        painter.setClipRect(area);
        const bool selected = m_tracking == Tracking::SelectOne && segment == m_selected;
        TDDrawToolbarBezel(painter, rect(), selected);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF overlay = QRectF(rect()).adjusted(1, 2, -1, -4);
        if (segment == m_pressed)
            painter.fillPath(rounded(overlay, 5), white(0, 0.2));
        else if (selected)
            painter.fillPath(rounded(overlay.adjusted(1, 1, -1, -1), 5), white(0, 0.05));
        const QSize size(16, 12);
        const QPoint centre = area.center() + QPoint(1, qRound(-1 - m_interiorVerticalOffset) - 1);
        m_segments[segment].icon.paint(
            &painter, QRect(centre - QPoint(size.width() / 2, size.height() / 2), size), Qt::AlignCenter,
            m_segments[segment].enabled ? QIcon::Normal : QIcon::Disabled);
        painter.restore();
    }
    // The dividers between segments.
    const double alpha = m_pressed >= 0 ? 0.35 : (m_selected >= 0 ? 0.3 : 0.25);
    for (int segment = 1; segment < segmentCount(); ++segment) {
        const int x = segmentRect(segment).left();
        painter.fillRect(QRect(x, 2, 1, height() - 6), white(0, alpha));
    }
}

void TDToolbarSegmentedControl::mousePressEvent(QMouseEvent* event) {
    const int segment = p_segmentAt(event->position().toPoint());
    if (segment < 0 || !m_segments[segment].enabled) return;
    m_pressed = segment;
    update();
}

void TDToolbarSegmentedControl::mouseReleaseEvent(QMouseEvent* event) {
    const int pressed = m_pressed;
    m_pressed = -1;
    update();
    if (pressed < 0 || p_segmentAt(event->position().toPoint()) != pressed) return;
    clickSegment(pressed);
}

void TDToolbarSegmentedControl::clickSegment(int segment) {
    if (segment < 0 || segment >= segmentCount() || !m_segments[segment].enabled) return;
    if (m_tracking == Tracking::SelectOne) setSelectedSegment(segment);
    Q_EMIT segmentClicked(segment);
}

bool TDToolbarSegmentedControl::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int segment = p_segmentAt(help->pos());
        if (segment >= 0 && !m_segments[segment].toolTip.isEmpty())
            QToolTip::showText(help->globalPos(), m_segments[segment].toolTip, this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
