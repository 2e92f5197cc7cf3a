#include "platform/desktop/hotkeys/hot_key_backends.h"

#include "platform/base/log.h"
#include "platform/desktop/hotkeys/portal_hot_key_backend.h"
#include "platform/desktop/hotkeys/x11_hot_key_backend.h"

namespace platform {

HotKeySession hotKeySession(const QProcessEnvironment& environment) {
    if (environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("x11"))
        return HotKeySession::X11;
    return environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ? HotKeySession::X11
                                                                          : HotKeySession::Wayland;
}

std::unique_ptr<HotKeyBackend> makeSessionHotKeyBackend(const QDBusConnection& sessionBus,
                                                        const QProcessEnvironment& environment) {
    if (hotKeySession(environment) == HotKeySession::X11) return X11HotKeyBackend::create();
    if (auto portal = PortalHotKeyBackend::create(sessionBus)) return portal;
    logWithLevel(TDLogInfo, "INFO",
                 "Global hot keys need the desktop's own shortcut settings in this session: bind %@",
                 QStringLiteral("ordello --quick-entry"));
    return nullptr;
}

}  // namespace platform
