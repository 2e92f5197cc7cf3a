#pragma once

class QString;

// What the application delegate asks of the main window and the other windows. The plain window
// answers until the main window controller takes its place; tests record the calls.
class TDMainWindowHost {
public:
    virtual ~TDMainWindowHost() = default;

    virtual void showMainWindow() = 0;
    // A fresh library: clear the tabs down to one and select Today.
    virtual void clearOptions() = 0;
    virtual void expandSourceList() = 0;
    virtual void buildMenus() = 0;
    // Closes every window, but the restore window while `restoring`. False when a window stays
    // visible, which cancels a quit.
    virtual bool closeAllWindows(bool restoring) = 0;
    // The open library is about to be replaced: let go of its objects.
    virtual void activeLibraryWillChange() = 0;
    // The calendar day changed: the task list reloads what depends on today, keeping its state.
    virtual void reloadAfterDateChange() = 0;
    // The locale changed: every window draws again.
    virtual void redisplay() = 0;
    // A notice beside the status bar's summary, until the next sync starts or the library changes.
    virtual void showStatusNotice(const QString& text) = 0;
};
