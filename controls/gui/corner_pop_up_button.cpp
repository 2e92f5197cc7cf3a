#include "controls/gui/corner_pop_up_button.h"

#include <QPainter>

TDCornerPopUpButton::TDCornerPopUpButton(QWidget* parent) : QToolButton(parent) {
    setPopupMode(QToolButton::InstantPopup);
    setFocusPolicy(Qt::NoFocus);
}

void TDCornerPopUpButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    icon().paint(&painter, rect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    if (isDown()) painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.35));
}
