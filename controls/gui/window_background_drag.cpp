#include "controls/gui/window_background_drag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

bool TDWindowBackgroundDrag::press(QWidget& window, QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return false;
    event->accept();
    if (window.windowHandle() && window.windowHandle()->startSystemMove()) return true;
    m_startMouse = event->globalPosition().toPoint();
    m_startOrigin = window.pos();
    return true;
}

bool TDWindowBackgroundDrag::move(QWidget& window, QMouseEvent* event) const {
    if (!m_startMouse || !event->buttons().testFlag(Qt::LeftButton)) return false;
    window.move(m_startOrigin + event->globalPosition().toPoint() - *m_startMouse);
    event->accept();
    return true;
}

bool TDWindowBackgroundDrag::release(QMouseEvent* event) {
    if (!m_startMouse || event->button() != Qt::LeftButton) return false;
    m_startMouse.reset();
    event->accept();
    return true;
}
