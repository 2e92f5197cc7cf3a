#include "controls/gui/source_list_gradient_bar_segmented_cell.h"

#include <QHelpEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

using Cell = TDSourceListGradientBarSegmentedCell;

TDSourceListGradientBarSegmentedCell::TDSourceListGradientBarSegmentedCell(const QStringList& titles,
                                                                           QWidget* parent)
    : QWidget(parent), m_titles(titles), m_toolTips(titles.size()) {
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
}

QSize Cell::sizeHint() const {
    return {2 * kInset + segmentCount() * kSegmentWidth, kHeight};
}

QRect Cell::segmentRect(int segment) const {
    return {kInset + segment * kSegmentWidth, 0, kSegmentWidth, height()};
}

void Cell::setSelectedSegment(int segment) {
    if (m_selected == segment) return;
    m_selected = segment;
    update();
}

void Cell::setSegmentToolTip(int segment, const QString& text) {
    m_toolTips[segment] = text;
}

const QImage& Cell::highlightImage() {
    static const QImage image = [] {
        constexpr qreal scale = 2.0;
        const QSize size(kSegmentWidth + 2, kHeight);
        QImage picture(size * scale, QImage::Format_ARGB32_Premultiplied);
        picture.setDevicePixelRatio(scale);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        const QRectF all(QPointF(0, 0), size);
        // Darker than the bar and lightening downward, the reverse of the bar's own fall.
        QLinearGradient fill(0, 0, 0, size.height());
        fill.setColorAt(0, QColor(0xa2, 0xa7, 0xaf));
        fill.setColorAt(1, QColor(0xbc, 0xc0, 0xc6));
        painter.fillRect(all, fill);
        // The walls: a dark line down each side with a soft shade inside it.
        const QColor wall(0x80, 0x86, 0x8f);
        painter.fillRect(QRectF(0, 0, 1, size.height()), wall);
        painter.fillRect(QRectF(size.width() - 1, 0, 1, size.height()), wall);
        const QColor shade = QColor::fromRgbF(0, 0, 0, 0.07);
        painter.fillRect(QRectF(1, 0, 1, size.height()), shade);
        painter.fillRect(QRectF(size.width() - 2, 0, 1, size.height()), shade);
        // The shadow the bar's edge casts into the recess.
        const qreal shadow[] = {0.16, 0.07, 0.025};
        for (int row = 0; row < 3; ++row)
            painter.fillRect(QRectF(1, row, size.width() - 2, 1), QColor::fromRgbF(0, 0, 0, shadow[row]));
        return picture;
    }();
    return image;
}

void Cell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int segment = 0; segment < segmentCount(); ++segment) {
        QRect frame = segmentRect(segment);
        if (segment == m_selected || segment == m_pressed) {
            painter.drawImage(QPoint(frame.x() - 1, frame.y()), highlightImage());
            // Pressed in: the title one point lower, drawn as any other.
            frame.translate(0, 1);
        }
        p_drawSegment(painter, segment, frame);
    }
}

void Cell::p_drawSegment(QPainter& painter, int segment, const QRect& frame) const {
    const QString& title = m_titles.at(segment);
    // Lettering pressed into the bar: a light edge under dark text.
    painter.setPen(QColor::fromRgbF(1, 1, 1, 0.55));
    painter.drawText(frame.translated(0, 1), Qt::AlignCenter, title);
    painter.setPen(isEnabled() ? QColor(0x2e, 0x38, 0x40) : QColor(0x2e, 0x38, 0x40, 110));
    painter.drawText(frame, Qt::AlignCenter, title);
}

int Cell::p_segmentAt(const QPoint& point) const {
    for (int segment = 0; segment < segmentCount(); ++segment)
        if (segmentRect(segment).contains(point)) return segment;
    return -1;
}

void Cell::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    m_pressed = p_segmentAt(event->position().toPoint());
    update();
}

void Cell::mouseReleaseEvent(QMouseEvent* event) {
    const int pressed = m_pressed;
    m_pressed = -1;
    update();
    if (pressed < 0 || p_segmentAt(event->position().toPoint()) != pressed) return;
    setSelectedSegment(pressed);
    Q_EMIT segmentClicked(pressed);
}

bool Cell::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int segment = p_segmentAt(help->pos());
        if (segment >= 0 && !m_toolTips.at(segment).isEmpty())
            QToolTip::showText(help->globalPos(), m_toolTips.at(segment), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
