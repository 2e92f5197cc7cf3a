#include "controls/gui/checkbox_toggle.h"

#include <QAbstractItemModel>
#include <QKeyEvent>
#include <QMouseEvent>

bool toggleCheckStateForEvent(QEvent* event, QAbstractItemModel* model, const QModelIndex& index,
                              const QRectF& box) {
    const Qt::ItemFlags flags = index.flags();
    if (!model || !flags.testFlag(Qt::ItemIsUserCheckable) || !flags.testFlag(Qt::ItemIsEnabled))
        return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            // Taken, so that a press on the box neither selects nor starts editing on its own.
            const auto* mouse = static_cast<QMouseEvent*>(event);
            return mouse->button() == Qt::LeftButton && box.contains(mouse->position());
        }
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton || !box.contains(mouse->position())) return false;
            break;
        }
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Space) return false;
            break;
        default:
            return false;
    }
    const bool on = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    return model->setData(index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}
