#include "auxiliary/hot_key_manager.h"

#include <QGuiApplication>

TDHotKeyManager& TDHotKeyManager::defaultManager() {
    static TDHotKeyManager manager;
    return manager;
}

bool TDHotKeyManager::isShiftKeyDown() const {
    return QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
}
