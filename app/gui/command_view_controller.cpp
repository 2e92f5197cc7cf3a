#include "app/gui/command_view_controller.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QWidget>

TDCommandViewController::TDCommandViewController(QObject* parent) : QObject(parent) {
}

TDCommandViewController::~TDCommandViewController() {
    // A view no bar has taken is still ours.
    if (m_view && !m_view->parentWidget()) delete m_view.data();
}

QWidget* TDCommandViewController::view() {
    if (!m_view) m_view = makeView();
    return m_view;
}

void TDCommandViewController::p_setControlsEnabled(bool enabled) {
    if (!m_view) return;
    for (QWidget* child : m_view->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QLineEdit*>(child))
            child->setEnabled(enabled);
    }
}
