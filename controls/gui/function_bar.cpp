#include "controls/gui/function_bar.h"

#include "controls/gui/function_pop_up_button.h"

#include "foundation/color_additions.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

QColor grey(const char* hex) {
    return colorWithHexString(QLatin1String(hex), 1.0).value();
}

const QColor kSeparatorColor = QColor::fromRgbF(0, 0, 0, 0.2);
const QColor kHighlightColor = QColor::fromRgbF(1, 1, 1, 0.6);
constexpr int kTextMargin = 9;

}  // namespace

const QImage& TDFunctionBarGradientImage() {
    static const QImage image = [] {
        QImage band(1, TDFunctionBar::kHeight, QImage::Format_ARGB32_Premultiplied);
        band.fill(grey("e6"));
        QPainter painter(&band);
        // The upper half fades from nearly white; a darker line closes the bar at the top.
        const int half = TDFunctionBar::kHeight / 2;
        QLinearGradient gradient(0, 0, 0, half);
        gradient.setColorAt(0, grey("fd"));
        gradient.setColorAt(1, grey("f3"));
        painter.fillRect(0, 0, 1, half, gradient);
        painter.fillRect(0, 0, 1, 1, grey("b0"));
        return band;
    }();
    return image;
}

void TDDrawFunctionEdges(QPainter& painter, int width, int top, int height, bool rightPair) {
    painter.fillRect(0, top, 1, height, kSeparatorColor);
    painter.fillRect(1, top, 1, height, kHighlightColor);
    if (!rightPair) return;
    painter.fillRect(width - 1, top, 1, height, kSeparatorColor);
    painter.fillRect(width - 2, top, 1, height, kHighlightColor);
}

void TDDrawFunctionTitle(QPainter& painter, const QRect& rect, const QString& title, bool enabled) {
    // Engraved: a light line under dark text.
    painter.setPen(kHighlightColor);
    painter.drawText(rect.translated(0, 1), Qt::AlignVCenter | Qt::AlignLeft, title);
    painter.setPen(enabled ? QColor(0x33, 0x33, 0x33) : QColor(0x99, 0x99, 0x99));
    painter.drawText(rect, Qt::AlignVCenter | Qt::AlignLeft, title);
}

TDFunctionBar::TDFunctionBar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedHeight(kHeight);
}

int TDFunctionBar::buttonsEnd() const {
    int end = 0;
    for (const QObject* child : children()) {
        const auto* button = qobject_cast<const QWidget*>(child);
        const bool functionButton = qobject_cast<const TDFunctionButton*>(child) != nullptr ||
                                    qobject_cast<const TDFunctionPopUpButton*>(child) != nullptr;
        if (functionButton && !button->isHidden()) end = std::max(end, button->geometry().right() + 1);
    }
    return end;
}

void TDFunctionBar::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.drawImage(QRect(dirty.x(), 0, dirty.width(), kHeight), TDFunctionBarGradientImage());
    painter.fillRect(0, 1, 1, kHeight - 1, kHighlightColor);
    painter.fillRect(buttonsEnd(), 1, 1, height() - 1, kHighlightColor);
}

void TDFunctionBar::mousePressEvent(QMouseEvent* event) {
    // A click on the bar itself does nothing, not even move the window.
    event->accept();
}

TDFunctionButton::TDFunctionButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setFixedHeight(TDFunctionBar::kHeight);
}

void TDFunctionButton::setStatusImage(const QImage& image) {
    m_statusImage = image;
    updateGeometry();
    update();
}

QSize TDFunctionButton::sizeHint() const {
    int width = 2 * kTextMargin + fontMetrics().horizontalAdvance(text());
    if (!icon().isNull()) width += iconSize().width() + (text().isEmpty() ? 0 : 4);
    if (!m_statusImage.isNull()) width += int(m_statusImage.width() / m_statusImage.devicePixelRatio()) + 1;
    return {width, TDFunctionBar::kHeight};
}

void TDFunctionButton::setVisible(bool visible) {
    QAbstractButton::setVisible(visible);
    if (parentWidget()) parentWidget()->update();
}

void TDFunctionButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect bounds(0, 0, width(), TDFunctionBar::kHeight);
    painter.drawImage(bounds, TDFunctionBarGradientImage());
    const int w = width();
    TDDrawFunctionEdges(painter, w, 1, TDFunctionBar::kHeight - 1);
    if (isDown())
        painter.fillRect(bounds, QColor::fromRgbF(0, 0, 0, 0.35));
    else if (isChecked())  // a mode that is on
        painter.fillRect(bounds, QColor::fromRgbF(0, 0, 0, 0.15));

    QRect interior = bounds.adjusted(kTextMargin, 1, -kTextMargin, 0);
    if (!m_statusImage.isNull()) {
        const QSize size = m_statusImage.size() / m_statusImage.devicePixelRatio();
        const QPoint at(w - size.width() - 4, (TDFunctionBar::kHeight - size.height() + 1) / 2);
        painter.drawImage(QRect(at, size), m_statusImage);
        interior.setRight(at.x() - 2);
    }
    if (!icon().isNull()) {
        const QSize size = iconSize();
        const int x = text().isEmpty() ? interior.center().x() - size.width() / 2 : interior.x();
        icon().paint(&painter, QRect(QPoint(x, (TDFunctionBar::kHeight - size.height()) / 2), size));
        if (!text().isEmpty()) interior.setLeft(x + size.width() + 4);
    }
    if (!text().isEmpty()) TDDrawFunctionTitle(painter, interior, text(), isEnabled());
}
