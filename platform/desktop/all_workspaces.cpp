#include "platform/desktop/all_workspaces.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

void TDShowOnAllWorkspaces(QWidget& window, bool allWorkspaces) {
    if (!allWorkspaces) return;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* connection = x11->connection();
    static const char kName[] = "_NET_WM_DESKTOP";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(kName), kName), nullptr);
    if (!atom) return;
    const quint32 everyDesktop = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window.winId()), atom->atom,
                        XCB_ATOM_CARDINAL, 32, 1, &everyDesktop);
    xcb_flush(connection);
    std::free(atom);
}
