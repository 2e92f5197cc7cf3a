#include "app/gui/command_bar_view.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>

namespace {

QImage makeBackground(bool active) {
    QImage image(1, TDCommandBarView::kHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, TDCommandBarView::kHeight);
    const double top = active ? 0.375 : 0.45;
    const double bottom = active ? 0.225 : 0.3;
    gradient.setColorAt(0, QColor::fromRgbF(top, top, top));
    gradient.setColorAt(1, QColor::fromRgbF(bottom, bottom, bottom));
    painter.fillRect(image.rect(), gradient);
    // A light top edge, and a dark line with a faint light one above it at the bottom.
    painter.fillRect(0, 0, 1, 1, QColor::fromRgbF(1, 1, 1, 0.15));
    painter.fillRect(0, TDCommandBarView::kHeight - 2, 1, 1, QColor::fromRgbF(1, 1, 1, 0.1));
    painter.fillRect(0, TDCommandBarView::kHeight - 1, 1, 1, QColor::fromRgbF(0, 0, 0, 0.3));
    return image;
}

}  // namespace

TDCommandBarView::TDCommandBarView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

const QImage& TDCommandBarView::backgroundImage(bool active) {
    static const QImage activeImage = makeBackground(true);
    static const QImage inactiveImage = makeBackground(false);
    return active ? activeImage : inactiveImage;
}

void TDCommandBarView::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event)
    QPainter painter(this);
    painter.drawImage(rect(), backgroundImage(isActiveWindow()));
}

void TDCommandBarView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange) update();
    QWidget::changeEvent(event);
}
