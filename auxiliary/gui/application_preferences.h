#pragma once

#include "auxiliary/gui/preferences_configuration.h"

#include <QString>

#include <functional>

class TDAlertPrompter;
class TDCalendarStoreSyncManager;
class TDLibraryManager;
class TDSyncWindows;

namespace platform {
class UserDefaults;
}

// What the application's panes work with; the composition root fills it. Each pane's factory keeps a
// copy, so everything referred to must outlive the preferences window.
struct TDPreferencesContext {
    platform::UserDefaults& defaults;
    TDLibraryManager& manager;
    TDAlertPrompter& prompter;
    // Opens the help at the anchor.
    std::function<void(const QString& anchor)> showHelp;
    // Clears the application's own options (the main window's tabs), as for a new library.
    std::function<void()> clearApplicationOptions;
    // The stored shortcut of the hot key with this identifier ("QuickEntry") changed or was removed:
    // registers it again at once. Empty until the hot keys are wired.
    std::function<void(const QString& identifier)> shortcutDidChange;
    // True while a shortcut is being recorded: the hot keys let go of their keys, so the combination
    // in use can be recorded again; false takes them back.
    std::function<void(bool suspended)> suspendHotKeys;
    // The sync windows (the full-sync window the sync pane opens); none: the sync pane is not offered.
    TDSyncWindows* syncWindows = nullptr;
    // The calendar sync, which runs a pass as the calendar pane goes; none: no pass then.
    TDCalendarStoreSyncManager* calendarSync = nullptr;
    // No way to take keys from other programs in this session: the Shortcuts pane shows the commands
    // to bind in the desktop's own shortcut settings instead of its recorders.
    bool hotKeysNeedDesktopSettings = false;
};

// The panes of Ordello's preferences, in toolbar order: General, Sync Service, Calendar Sync, Shortcuts.
TDPreferencesConfiguration TDApplicationPreferencesConfiguration(const TDPreferencesContext& context);

// The identifiers of the panes.
inline const QString TDGeneralPreferencePane = QStringLiteral("General");
inline const QString TDCorvaneSyncPreferencePane = QStringLiteral("CorvaneSync");
inline const QString TDCalendarSyncPreferencePane = QStringLiteral("iCalSync");
inline const QString TDKeyboardPreferencePane = QStringLiteral("Keyboard");
