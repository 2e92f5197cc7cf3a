#include "auxiliary/gui/preferences_window.h"

#include "auxiliary/gui/preferences_controller.h"

#include <QCloseEvent>
#include <QKeyEvent>

TDPreferencesWindow::TDPreferencesWindow(TDPreferencesController& controller) : m_controller(controller) {
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    setGeometry(100, 100, 500, 300);
}

void TDPreferencesWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TDPreferencesWindow::closeEvent(QCloseEvent* event) {
    if (!m_controller.p_shouldClose()) {
        event->ignore();
        return;
    }
    event->accept();
    m_controller.p_windowDidClose();
}
