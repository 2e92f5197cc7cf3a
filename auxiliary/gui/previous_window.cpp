#include "auxiliary/gui/previous_window.h"

#include <QApplication>

QPointer<QWidget> TDWindowBefore(const QWidget* opening) {
    QWidget* active = QApplication::activeWindow();
    while (active && active->windowFlags().testFlag(Qt::Popup) && active->parentWidget())
        active = active->parentWidget()->window();
    return active == opening ? nullptr : active;
}

void TDActivateAgain(const QPointer<QWidget>& window) {
    if (window && window->isVisible()) window->activateWindow();
}
