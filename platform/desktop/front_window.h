#pragma once

#include <QString>

#include <optional>

namespace platform {

// The window that has the keyboard on the X11 display Ordello runs on: the class part of its WM_CLASS
// ("firefox") and its title (_NET_WM_NAME, else WM_NAME). None off X11 (Wayland has no portable way
// to ask) or when no window is active.
struct FrontWindowFacts {
    QString windowClass;
    QString name;
};
std::optional<FrontWindowFacts> frontWindowFacts();

}  // namespace platform
