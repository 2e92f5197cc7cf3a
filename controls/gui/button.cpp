#include "controls/gui/button.h"

#include <QPainter>

TDButton::TDButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void TDButton::setImagePadding(const QSize& padding) {
    m_imagePadding = padding;
    update();
}

QSize TDButton::sizeHint() const {
    return iconSize() + 2 * m_imagePadding;
}

void TDButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    icon().paint(&painter, imageRect(), Qt::AlignCenter, mode);
    if (isDown()) painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, 0.35));
}
