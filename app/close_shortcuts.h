#pragma once

#include <QKeySequence>

// Which keys close what in the File menu. With "commandWClosesTab" on, Ctrl+W closes the tab while there
// are several and the window once there is one (Close Tab then has no key and is disabled, since closing
// the last tab would close the window anyway); with it off, Ctrl+W always closes the window.
struct TDCloseShortcuts {
    QKeySequence close;
    QKeySequence closeTab;
    bool closeTabEnabled = true;

    bool operator==(const TDCloseShortcuts&) const = default;
};

TDCloseShortcuts TDCloseShortcutsFor(bool commandWClosesTab, int numberOfTabs);
