#include "taskviews/gui/tasks_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

TDTasksWindow::TDTasksWindow(QWidget* parent) : QMainWindow(parent) {
    connect(qApp, &QApplication::focusChanged, this, &TDTasksWindow::p_focusChanged);
    qApp->installEventFilter(this);
}

TDTasksWindow::~TDTasksWindow() = default;

bool TDTasksWindow::makeFirstResponder(QWidget* responder) {
    QWidget* old = focusWidget();
    if (responder && (responder->window() != this || !responder->isEnabled())) return false;
    if (responder)
        responder->setFocus(Qt::OtherFocusReason);
    else
        setFocus(Qt::OtherFocusReason);
    // Focus already there sends no change: the delegate still hears of it.
    if (old == responder && m_delegate) m_delegate->windowDidSetFirstResponder(responder, false);
    return true;
}

void TDTasksWindow::p_focusChanged(QWidget* old, QWidget* now) {
    if (!m_delegate || !now || now->window() != this) return;
    m_delegate->windowDidSetFirstResponder(now, old != now);
}

bool TDTasksWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress) || !m_delegate ||
        !watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != this)
        return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const bool nextTab = key->key() == Qt::Key_Tab && modifiers == Qt::ControlModifier;
    const bool previousTab =
        key->key() == Qt::Key_Backtab && modifiers == (Qt::ControlModifier | Qt::ShiftModifier);
    if (!nextTab && !previousTab) return QMainWindow::eventFilter(watched, event);
    if (type == QEvent::KeyPress) m_delegate->keyDown(key);
    event->accept();
    return true;
}

void TDTasksWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QMainWindow::mousePressEvent(event);
    activateWindow();
    event->accept();
    if (!isFullScreen()) m_backgroundDrag.press(*this, event);
}

void TDTasksWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!m_backgroundDrag.move(*this, event)) QMainWindow::mouseMoveEvent(event);
}

void TDTasksWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_backgroundDrag.release(event)) QMainWindow::mouseReleaseEvent(event);
}

void TDTasksWindow::makeFloatingWindow() {
    p_setStaysOnTop(true);
}

void TDTasksWindow::makeNormalWindow() {
    p_setStaysOnTop(false);
}

void TDTasksWindow::p_setStaysOnTop(bool onTop) {
    if (isFloatingWindow() == onTop) return;
    // New window flags take a new native window, which starts hidden.
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (shown) show();
}
