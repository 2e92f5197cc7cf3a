#pragma once

#include "platform/desktop/hotkeys/hot_key_backend.h"

#include <QDBusConnection>
#include <QProcessEnvironment>

#include <memory>

namespace platform {

enum class HotKeySession { X11, Wayland };

// The desktop session, never Qt's platform plugin: under XWayland an X11 grab succeeds but fires only
// while an X11 window has the focus. X11 when XDG_SESSION_TYPE says "x11" or there is no
// WAYLAND_DISPLAY.
HotKeySession hotKeySession(const QProcessEnvironment& environment);

// The backend the session offers: X11 grabs in an X11 session (when the program runs on its display),
// the desktop portal's global shortcuts (asked on `sessionBus`) in a Wayland session where the portal
// offers them. None elsewhere: the desktop's own shortcut settings can bind "ordello --quick-entry"
// instead.
std::unique_ptr<HotKeyBackend> makeSessionHotKeyBackend(
    const QDBusConnection& sessionBus,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

}  // namespace platform
