#include "platform/desktop/front_window.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {

namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, quint16(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QByteArray property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
    if (name == XCB_ATOM_NONE) return {};
    // Titles longer than 4 KiB are cut: they serve as task titles.
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, type, 0, 1024), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE) return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

}  // namespace

std::optional<FrontWindowFacts> frontWindowFacts() {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return std::nullopt;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen) return std::nullopt;
    const QByteArray active =
        property(connection, screen->root, atom(connection, "_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    if (active.size() < int(sizeof(xcb_window_t))) return std::nullopt;
    xcb_window_t window = 0;
    std::memcpy(&window, active.constData(), sizeof window);
    if (!window) return std::nullopt;

    FrontWindowFacts facts;
    // "instance\0class\0"
    const QList<QByteArray> parts =
        property(connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING).split('\0');
    if (parts.size() >= 2) facts.windowClass = QString::fromLocal8Bit(parts[1]);
    QByteArray name =
        property(connection, window, atom(connection, "_NET_WM_NAME"), atom(connection, "UTF8_STRING"));
    facts.name = name.isEmpty()
                     ? QString::fromLatin1(property(connection, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING))
                     : QString::fromUtf8(name);
    return facts;
}

}  // namespace platform
