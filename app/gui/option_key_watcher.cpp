#include "app/gui/option_key_watcher.h"

#include "app/option_key_notifications.h"
#include "platform/notifications/notification_center.h"

#include <QEvent>
#include <QKeyEvent>

TDOptionKeyWatcher::TDOptionKeyWatcher(QObject* parent) : QObject(parent) {
}

bool TDOptionKeyWatcher::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            // Each event reaches the filter once per widget it passes; the state decides, not the count.
            if (key->key() == Qt::Key_Alt) p_set(event->type() == QEvent::KeyPress);
            break;
        }
        case QEvent::ApplicationDeactivate:
            p_set(false);
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void TDOptionKeyWatcher::p_set(bool down) {
    if (down == m_down) return;
    m_down = down;
    platform::NotificationCenter::defaultCenter().post(down ? TDOptionKeyDown : TDOptionKeyUp);
}
