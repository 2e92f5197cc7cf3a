#include "app/gui/command_view.h"

#include <QResizeEvent>

TDCommandView::TDCommandView(QWidget* parent) : TDGradientView(parent) {
    setGradient(QColor(232, 232, 232), QColor(208, 208, 208));
    setTopBorderColor(QColor(0xa5, 0xa5, 0xa5));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TDCommandView::showEvent(QShowEvent* event) {
    TDGradientView::showEvent(event);
    if (m_delegate) m_delegate->viewDidMoveToWindow(this);
}

void TDCommandView::resizeEvent(QResizeEvent* event) {
    TDGradientView::resizeEvent(event);
    if (m_delegate) m_delegate->viewDidResize(this, event->size());
}
