#include "platform/desktop/window_activation.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstring>

namespace platform {

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, quint16(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

void askX11WindowManager(xcb_connection_t* connection, xcb_window_t window, quint32 timestamp) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_atom_t activeWindow = internAtom(connection, "_NET_ACTIVE_WINDOW");
    if (!screen || activeWindow == XCB_ATOM_NONE) return;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = activeWindow;
    message.data.data32[0] = 1;  // a request of the application itself
    message.data.data32[1] = timestamp;
    xcb_send_event(connection, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

}  // namespace

void activateWindowForRequest(QWindow* window, quint32 x11Timestamp, const QString& activationToken) {
    if (!window) return;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 && x11->connection() && x11Timestamp) {
        askX11WindowManager(x11->connection(), xcb_window_t(window->winId()), x11Timestamp);
    } else if (!activationToken.isEmpty() &&
               QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // The Wayland plugin hands the token in this variable to the next activation request.
        qputenv("XDG_ACTIVATION_TOKEN", activationToken.toUtf8());
    }
    window->requestActivate();
}

}  // namespace platform
