#include "controls/gui/transient_window.h"

#include <QWidget>
#include <QWindow>

void TDSetTransientParent(QWidget& window, const QWidget& anchor) {
    window.winId();
    QWindow* parent = anchor.window()->windowHandle();
    if (window.windowHandle()->transientParent() != parent) window.windowHandle()->setTransientParent(parent);
}
