#include "controls/gui/floating_panel.h"

#include "controls/menu_bar_events.h"

#include <QKeyEvent>
#include <QMouseEvent>

TDFloatingPanel::TDFloatingPanel(QWidget* parent, TDMenuBarEvents* menuBarEvents)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      m_menuBarEvents(menuBarEvents) {
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void TDFloatingPanel::setFloatingPanel(bool floating) {
    QObject::disconnect(m_shownHandler);
    QObject::disconnect(m_hiddenHandler);
    m_floatingPanel = floating;
    if (!floating) return makeNormalWindow();
    if (m_menuBarEvents) {
        m_shownHandler =
            connect(m_menuBarEvents, &TDMenuBarEvents::menuBarShown, this, &TDFloatingPanel::p_menuBarShown);
        m_hiddenHandler = connect(m_menuBarEvents, &TDMenuBarEvents::menuBarHidden, this,
                                  &TDFloatingPanel::p_menuBarHidden);
    }
    makeFloatingWindow();
}

void TDFloatingPanel::p_menuBarShown() {
    m_floatingPanel ? makeFloatingWindow() : makeNormalWindow();
}

void TDFloatingPanel::p_menuBarHidden() {
    makeNormalWindow();
}

void TDFloatingPanel::makeFloatingWindow() {
    p_setStaysOnTop(true);
}

void TDFloatingPanel::makeNormalWindow() {
    p_setStaysOnTop(false);
}

TDFloatingPanel::WindowLevel TDFloatingPanel::windowLevel() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? WindowLevel::Floating : WindowLevel::Normal;
}

void TDFloatingPanel::p_setStaysOnTop(bool onTop) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
    // New window flags take a new native window, which starts hidden.
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (shown) show();
}

void TDFloatingPanel::setCanBecomeKeyWindow(bool can) {
    if (can == m_canBecomeKeyWindow) return;
    m_canBecomeKeyWindow = can;
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowDoesNotAcceptFocus, !can);
    setAttribute(Qt::WA_ShowWithoutActivating, !can);
    if (shown) show();
}

void TDFloatingPanel::cancelOperation() {
    close();
}

void TDFloatingPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape || event->modifiers() & ~Qt::KeypadModifier)
        return QWidget::keyPressEvent(event);
    event->accept();
    cancelOperation();
}

void TDFloatingPanel::mousePressEvent(QMouseEvent* event) {
    if (!m_backgroundDrag.press(*this, event)) QWidget::mousePressEvent(event);
}

void TDFloatingPanel::mouseMoveEvent(QMouseEvent* event) {
    if (!m_backgroundDrag.move(*this, event)) QWidget::mouseMoveEvent(event);
}

void TDFloatingPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_backgroundDrag.release(event)) QWidget::mouseReleaseEvent(event);
}
