#include "foundation/gui/view_additions.h"

#include <QWidget>
#include <QWindow>

QRect convertRectToScreen(const QWidget& view, const QRect& rect) {
    if (!view.window()->windowHandle()) return {};
    return rect.translated(view.mapToGlobal(QPoint(0, 0)));
}
