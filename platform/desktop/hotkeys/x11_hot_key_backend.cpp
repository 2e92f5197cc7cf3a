#include "platform/desktop/hotkeys/x11_hot_key_backend.h"

#include "platform/base/log.h"
#include "platform/desktop/hotkeys/key_symbols.h"

#include <QGuiApplication>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

namespace platform {

namespace {
// The lock modifiers a grab must ignore: Caps Lock, and Num Lock where most servers put it.
constexpr quint16 kNumLockMask = XCB_MOD_MASK_2;
constexpr quint16 kComboMask = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
}  // namespace

std::unique_ptr<X11HotKeyBackend> X11HotKeyBackend::create() {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return nullptr;
    xcb_connection_t* connection = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen) return nullptr;
    return std::make_unique<X11HotKeyBackend>(connection, screen->root);
}

X11HotKeyBackend::X11HotKeyBackend(xcb_connection_t* connection, quint32 root)
    : m_connection(connection), m_root(root), m_symbols(xcb_key_symbols_alloc(connection)) {
    if (qGuiApp) qGuiApp->installNativeEventFilter(this);
}

X11HotKeyBackend::~X11HotKeyBackend() {
    if (qGuiApp) qGuiApp->removeNativeEventFilter(this);
    for (const Grab& grab : std::as_const(m_grabs)) p_ungrab(grab, p_lockVariants());
    xcb_flush(m_connection);
    xcb_key_symbols_free(m_symbols);
}

quint16 X11HotKeyBackend::x11Modifiers(const PTKeyCombo& combo) {
    const quint64 modifiers = combo.modifiers();
    quint16 mask = 0;
    if (modifiers & PTCommandModifier) mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & PTOptionModifier) mask |= XCB_MOD_MASK_1;
    if (modifiers & PTControlModifier) mask |= XCB_MOD_MASK_4;
    if (modifiers & PTShiftModifier) mask |= XCB_MOD_MASK_SHIFT;
    return mask;
}

QList<quint16> X11HotKeyBackend::p_lockVariants() const {
    return {0, XCB_MOD_MASK_LOCK, kNumLockMask, quint16(XCB_MOD_MASK_LOCK | kNumLockMask)};
}

bool X11HotKeyBackend::registerHotKey(quint64 number, const QString& identifier, const PTKeyCombo& combo) {
    const quint32 keysym = TDKeysymForQtKey(combo.keyCode());
    xcb_keycode_t* keycodes = keysym ? xcb_key_symbols_get_keycode(m_symbols, keysym) : nullptr;
    const xcb_keycode_t keycode = keycodes ? keycodes[0] : XCB_NO_SYMBOL;
    std::free(keycodes);
    if (keycode == XCB_NO_SYMBOL) {
        logWithLevel(TDLogWarning, "WARNING", "No key of this keyboard gives the hot key %@ (%@)", identifier,
                     combo.description());
        return false;
    }
    const Grab grab{keycode, x11Modifiers(combo)};
    QList<quint16> granted;
    bool refused = false;
    for (quint16 variant : p_lockVariants()) {
        // Reported on the root window even while one of Ordello's own windows has the focus.
        const xcb_void_cookie_t cookie =
            xcb_grab_key_checked(m_connection, 0, m_root, grab.modifiers | variant, keycode,
                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        // The server answers a refusal (another client holds the key) only through this check.
        if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
            refused = true;
            std::free(error);
        } else {
            granted.append(variant);
        }
    }
    if (refused) {
        p_ungrab(grab, granted);
        xcb_flush(m_connection);
        logWithLevel(TDLogWarning, "WARNING", "The hot key %@ (%@) is held by another program", identifier,
                     combo.description());
        return false;
    }
    m_grabs.insert(number, grab);
    return true;
}

void X11HotKeyBackend::unregisterHotKey(quint64 number) {
    const auto found = m_grabs.constFind(number);
    if (found == m_grabs.cend()) return;
    p_ungrab(*found, p_lockVariants());
    xcb_flush(m_connection);
    m_grabs.erase(found);
}

void X11HotKeyBackend::p_ungrab(const Grab& grab, const QList<quint16>& variants) {
    for (quint16 variant : variants)
        xcb_ungrab_key(m_connection, grab.keycode, m_root, grab.modifiers | variant);
}

bool X11HotKeyBackend::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const quint8 type = event->response_type & ~0x80;
    if (type == XCB_MAPPING_NOTIFY) {
        xcb_refresh_keyboard_mapping(m_symbols, reinterpret_cast<xcb_mapping_notify_event_t*>(
                                                    const_cast<xcb_generic_event_t*>(event)));
        return false;
    }
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return false;
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (key->event != m_root) return false;
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it)
        if (it->keycode == key->detail && it->modifiers == (key->state & kComboMask)) {
            QTimer::singleShot(0, &m_deliveries,
                               [this, number = it.key(), pressed = type == XCB_KEY_PRESS, time = key->time] {
                                   deliver(number, pressed, time);
                               });
            return true;
        }
    return false;
}

}  // namespace platform
