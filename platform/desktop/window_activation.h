#pragma once

#include <QString>
#include <QWindow>

namespace platform {

// Asks the desktop to give a window the keyboard for a request a person just made: on X11 with the
// time of the key event that made it (so a window manager that prevents focus stealing lets it
// through), on Wayland with the activation token the request carried, where there is one. Best
// effort: a Wayland desktop may leave the window without the focus.
void activateWindowForRequest(QWindow* window, quint32 x11Timestamp, const QString& activationToken);

}  // namespace platform
