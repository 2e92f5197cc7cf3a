#pragma once

// The application menu's commands whose enabling follows the program's state.
enum class TDApplicationCommand {
    Print,
    // Bring up the main window when it is away: go to, display mode, fix library, reveal library.
    GotoGroup,
    ToggleDisplayMode,
    FixLibrary,
    RevealLibrary,
    BackupLibrary,
    RestoreLibrary,
    // The Debug menu's restore from a property list: as a restore.
    ImportXML,
    Sync,
    // The full-sync window opens only while sync is on; the item stays enabled.
    FullSync,
    // Always available: help, web pages, full screen, the task count and every other Debug item.
    Help,
    WebPage,
    FullScreen,
    ToggleTaskCount,
    Debug,
    // The preferences, about and support windows: always available.
    Preferences,
    About,
    Support,
};

// What the enabling looks at, read when a menu opens.
struct TDApplicationMenuState {
    // After a library failed to load and the user chose to upgrade, nothing is enabled.
    bool upgradingAfterLibraryLoadError = false;
    bool mainWindowKey = false;
    bool mainWindowVisible = false;
    // A modal dialog (a sheet) is in front.
    bool sheetInFront = false;
    bool restoringLibrary = false;
    // The library option "corvaneSyncEnabled".
    bool syncEnabled = false;
    bool syncing = false;
    // The list in the main window shows something: rows of the outline, or a card.
    bool tasksShown = false;
};

bool TDIsApplicationCommandEnabled(TDApplicationCommand command, const TDApplicationMenuState& state);
