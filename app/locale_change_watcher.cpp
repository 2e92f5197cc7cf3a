#include "app/locale_change_watcher.h"

#include <QCoreApplication>
#include <QEvent>

TDLocaleChangeWatcher::TDLocaleChangeWatcher(QObject* parent) : QObject(parent) {
    QCoreApplication::instance()->installEventFilter(this);
}

TDLocaleChangeWatcher::~TDLocaleChangeWatcher() {
    if (QCoreApplication* application = QCoreApplication::instance()) application->removeEventFilter(this);
}

bool TDLocaleChangeWatcher::eventFilter(QObject* watched, QEvent* event) {
    // Widgets hear it too, each one; the program redraws once, for the application object's.
    if (watched == QCoreApplication::instance() && event->type() == QEvent::LocaleChange)
        Q_EMIT localeChanged();
    return false;
}
