#include "taskviews/gui/tasks_corner_view.h"

#include <QPainter>

namespace {

constexpr int kHeaderHeight = 28;

}  // namespace

TDTasksCornerView::TDTasksCornerView(QWidget* parent) : QWidget(parent) {
    setFixedHeight(kHeaderHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize TDTasksCornerView::sizeHint() const {
    return QSize(16, kHeaderHeight);
}

void TDTasksCornerView::setBand(const TDTasksHeaderBand& band) {
    m_band = band;
    update();
}

void TDTasksCornerView::setScrollerUsable(bool usable) {
    if (usable == m_usable) return;
    m_usable = usable;
    update();
}

void TDTasksCornerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect bounds = rect();
    m_band.paint(painter, bounds);
    // A fine rule down the left edge continues the scroll bar's edge; it fades while there is
    // nothing to scroll.
    painter.fillRect(QRect(0, 0, 1, bounds.height() - 1),
                     QColor::fromRgbF(0, 0, 0, m_usable ? 0.18f : 0.08f));
    if (!m_usable) painter.fillRect(bounds.adjusted(1, 0, 0, -1), QColor::fromRgbF(1, 1, 1, 0.3f));
}
