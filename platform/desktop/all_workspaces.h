#pragma once

class QWidget;

// Puts a top-level window on every workspace of an X11 session (_NET_WM_DESKTOP 0xFFFFFFFF, set before
// the window is mapped, as window managers read it then). Wayland gives programs no say: nothing there.
void TDShowOnAllWorkspaces(QWidget& window, bool allWorkspaces);
