#include "app/gui/plain_main_window.h"

#include "store/gui/import_window_controller.h"

#include <QApplication>
#include <QCloseEvent>

TDPlainMainWindow::TDPlainMainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Ordello"));
    resize(900, 600);
}

void TDPlainMainWindow::showMainWindow() {
    show();
    raise();
    activateWindow();
}

bool TDPlainMainWindow::closeAllWindows(bool restoring) {
    m_closingForQuit = true;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (restoring && qobject_cast<TDImportWindowController*>(window)) continue;
        if (window->isVisible()) window->close();
    }
    m_closingForQuit = false;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible()) return false;
    return true;
}

void TDPlainMainWindow::redisplay() {
    for (QWidget* window : QApplication::topLevelWidgets()) window->update();
}

void TDPlainMainWindow::closeEvent(QCloseEvent* event) {
    if (m_closingForQuit) {
        event->accept();
        return;
    }
    // The quit sequence closes the window once the library is saved.
    event->ignore();
    Q_EMIT closeRequested();
}
