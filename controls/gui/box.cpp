#include "controls/gui/box.h"

#include <QPainter>

namespace {

constexpr int kLineBoxMaximumHeight = 5;

}  // namespace

TDBox::TDBox(QWidget* parent) : QWidget(parent) {
}

void TDBox::setStyle(Style style) {
    m_style = style;
    update();
}

bool TDBox::drawsBezel() const {
    switch (m_style) {
        case Style::Lines:
            return false;
        case Style::Bezel:
            return true;
        case Style::Automatic:
            break;
    }
    return height() > kLineBoxMaximumHeight;
}

void TDBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect bounds = rect();
    if (drawsBezel()) {
        // The edge shows one point around the panel.
        painter.fillRect(bounds, QColor(0, 0, 0, int(0.1 * 255)));
        painter.fillRect(bounds.adjusted(1, 1, -1, -1), QColor::fromRgbF(0.9, 0.9, 0.9));
        return;
    }
    const QColor light = QColor::fromRgbF(1, 1, 1, 0.4);
    const QColor dark = QColor::fromRgbF(0, 0, 0, 0.125);
    // An engraved line: dark over light.
    painter.fillRect(0, bounds.bottom(), bounds.width(), 1, light);
    painter.fillRect(0, bounds.bottom() - 1, bounds.width(), 1, dark);
    if (bounds.height() > kLineBoxMaximumHeight) {
        painter.fillRect(0, 1, bounds.width(), 1, light);
        painter.fillRect(0, 0, bounds.width(), 1, dark);
    }
}
