#include "app/gui/hints_container_view.h"

void TDHintsContainerView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_delegate) m_delegate->commandsViewDidChangeFrame(this);
}

void TDHintsContainerView::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (m_delegate) m_delegate->commandsViewDidChangeFrame(this);
}
