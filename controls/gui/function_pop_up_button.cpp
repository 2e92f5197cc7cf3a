#include "controls/gui/function_pop_up_button.h"

#include "controls/gui/function_bar.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>

#include <cmath>

namespace {

const QColor kPressedShade = QColor::fromRgbF(0, 0, 0, 0.35);
const QColor kArrowHighlight = QColor::fromRgbF(1, 1, 1, 0.6);
// Room the resize corner keeps free at the window's right edge.
constexpr int kResizeCornerWidth = 20;

void drawBand(QPainter& painter, const QRect& bounds, bool pressed) {
    painter.drawImage(bounds, TDFunctionBarGradientImage());
    if (pressed) painter.fillRect(bounds, kPressedShade);
}

}  // namespace

TDFunctionPopUpButton::TDFunctionPopUpButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setFixedHeight(TDFunctionBar::kHeight);
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::pressed, this, &TDFunctionPopUpButton::p_showMenu);
}

QSize TDFunctionPopUpButton::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text()) + 30, TDFunctionBar::kHeight};
}

QPolygonF TDFunctionPopUpButton::arrowPolygon(int width) {
    const qreal centre = width - 8.5;
    const int half = TDFunctionBar::kHeight / 2;
    // Pointing down, its base just under the middle of the bar.
    const qreal base = half + 1;
    return QPolygonF({QPointF(centre - 2.5, base), QPointF(centre + 2.5, base), QPointF(centre, half + 4)});
}

void TDFunctionPopUpButton::p_showMenu() {
    if (!m_menu) return;
    m_menu->exec(mapToGlobal(QPoint(0, height())));
    setDown(false);
}

void TDFunctionPopUpButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    m_containsMouse = true;
    if (!isActiveWindow()) update();
}

void TDFunctionPopUpButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    m_containsMouse = false;
    if (!isActiveWindow()) update();
}

void TDFunctionPopUpButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect bounds(0, 0, width(), TDFunctionBar::kHeight);
    drawBand(painter, bounds, isDown());
    TDDrawFunctionEdges(painter, width(), 1, TDFunctionBar::kHeight - 1);

    const bool dimmed = !isActiveWindow() && !m_containsMouse;
    const QRect interior = bounds.adjusted(12, 1, -16, 0);
    TDDrawFunctionTitle(painter, interior, text(), isEnabled() && !dimmed);

    // Engraved: the dark arrow one point above its light copy.
    const QPolygonF arrow = arrowPolygon(width());
    painter.setPen(Qt::NoPen);
    painter.setBrush(kArrowHighlight);
    painter.drawPolygon(arrow);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, dimmed ? 0.25 : 0.9));
    painter.drawPolygon(arrow.translated(0, -1));
}

TDFunctionBarColumnFooterButton::TDFunctionBarColumnFooterButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setFixedHeight(TDFunctionBar::kHeight);
}

void TDFunctionBarColumnFooterButton::setBordered(bool bordered) {
    m_bordered = bordered;
    update();
}

bool TDFunctionBarColumnFooterButton::drawsRightEdge() const {
    const QWidget* top = window();
    const int right = mapTo(top, QPoint(width(), 0)).x();
    return right < top->width() - kResizeCornerWidth;
}

QSize TDFunctionBarColumnFooterButton::sizeHint() const {
    int width = fontMetrics().horizontalAdvance(text()) + 10;
    if (!icon().isNull()) width += iconSize().width() + 4;
    return {width, TDFunctionBar::kHeight};
}

void TDFunctionBarColumnFooterButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect bounds(0, 0, width(), TDFunctionBar::kHeight);
    drawBand(painter, bounds, isDown());
    // Short lines, so footers read as one strip under the columns.
    if (m_bordered) TDDrawFunctionEdges(painter, width(), 5, 14, drawsRightEdge());

    QRect interior = bounds.adjusted(5, 1, -5, 1);
    if (!icon().isNull()) {
        const QSize size = iconSize();
        icon().paint(&painter,
                     QRect(QPoint(interior.x(), (TDFunctionBar::kHeight - size.height()) / 2 + 1), size));
        interior.setLeft(interior.x() + size.width() + 4);
    }
    if (!text().isEmpty()) TDDrawFunctionTitle(painter, interior, text(), isEnabled());
}
