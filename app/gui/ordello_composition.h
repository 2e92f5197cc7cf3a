#pragma once

#include "app/app_delegate.h"

#include <QDBusConnection>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

class TDAlertPrompter;
class TDApplicationMenus;
class TDCalendarStoreSyncManager;
class TDDesktopRequests;
class TDFileDialogLibraryChooser;
class TDImportWindowRestorer;
class TDLauncherBadgeSink;
class TDLibraryLocationChooser;
class TDLibraryManager;
class TDLibraryUpdateWindowController;
class TDLocaleChangeWatcher;
class TDMainWindow;
class TDMainWindowScriptingHost;
class TDMessageBoxPrompter;
class TDNetworkReachability;
class TDHotKeyManager;
class TDScriptingHost;
class TDTimerWindowController;
class TDQuickEntryWindow;
class TDSyncWindows;
class TDTooltipShortcutFilter;
class TDURLHandler;

namespace platform {
class HotKeyBackend;
class SleepWatcher;
class Workspace;
}  // namespace platform

// Registers the value transformers the stored library and the views name; before anything reads a
// setting or opens a library. Registering again replaces them with equal ones.
void TDRegisterValueTransformers();

// What a test replaces of the desktop around Ordello. Each one left empty is the desktop's own.
struct TDCompositionSeams {
    // Every question Ordello asks (none: message boxes over the main window). Not owned.
    TDAlertPrompter* prompter = nullptr;
    // The panels that choose or create a library (none: file dialogs). Not owned.
    TDLibraryLocationChooser* libraryChooser = nullptr;
    // Opening files and links, showing them in the file manager (none: the desktop's). Not owned.
    platform::Workspace* workspace = nullptr;
    // The launcher badge's bus, and the one that tells of sleep; a connection that was never opened
    // sends and hears nothing.
    QDBusConnection sessionBus = QDBusConnection::sessionBus();
    QDBusConnection systemBus = QDBusConnection::systemBus();
    // What holds the global hot keys (none: the one the desktop session offers).
    std::function<std::unique_ptr<platform::HotKeyBackend>()> hotKeyBackend;
};

// Ordello as it runs: the library manager, calendar sync, the main window and its menus, the
// application delegate with its prompter, library chooser, restorer and sync control, the launcher
// badge, the requests of other programs, sleep and network watching, and the quit sequence, each
// wired to the others. `main` builds one per process around what is the process's own (arguments, the
// single instance, the log); scenario tests build one per test, so they start Ordello as a person does.
// Lives on the main thread; one at a time, since it installs the shared manager, delegate and workspace.
class TDOrdelloComposition final : public QObject {
    Q_OBJECT
public:
    explicit TDOrdelloComposition(TDCompositionSeams seams = {}, QObject* parent = nullptr);
    ~TDOrdelloComposition() override;

    // Opens (or creates) the library and shows the main window; what other programs asked for is
    // carried out once the event loop runs. The exit status when the program must end instead.
    std::optional<int> launch(const TDLaunchOptions& options);
    // The quit sequence: saves, then exitRequested, or quitCancelled from the delegate.
    void quit();
    // The hot keys' toggle: files the typed tasks when the quick-entry panel is open, else opens it
    // (made on first use), with tasks from the window in front when `withContext`. The X11 time of the
    // key event or the caller's activation token let the panel take the keyboard. A beep when no
    // library can be shown in it.
    void toggleQuickEntry(bool withContext, quint32 timestamp = 0, const QString& activationToken = {});
    // Made on the first toggle; none before, or after the library was switched.
    TDQuickEntryWindow* quickEntryWindow() const { return m_quickEntry.get(); }

    TDLibraryManager& manager() const { return *m_manager; }
    AppDelegate& delegate() const { return *m_delegate; }
    TDMainWindow& mainWindow() const { return *m_mainWindow; }
    TDApplicationMenus& menus() const { return *m_menus; }
    TDDesktopRequests& requests() const { return *m_requests; }
    TDHotKeyManager& hotKeys() const { return *m_hotKeys; }
    // What links and scripts reach: the open library, the main window's selections, the timer.
    TDScriptingHost& scriptingHost() const;
    TDURLHandler& urlHandler() const { return *m_urlHandler; }
    TDTimerWindowController& timer() const { return *m_timer; }
    TDSyncWindows& syncWindows() const { return *m_syncControl; }

Q_SIGNALS:
    // The quit sequence has finished (or the library cannot be used): the program ends with the status.
    void exitRequested(int status);

private:
    void p_watchTheNetwork();
    void p_showPreferences();
    void p_makeTheTimer();
    void p_showSupport();
    TDQuickEntryWindow* p_quickEntry();

    // In the order of their making; they go in reverse, the library manager last.
    std::unique_ptr<TDTooltipShortcutFilter> m_tooltipShortcuts;
    std::unique_ptr<TDHotKeyManager> m_hotKeys;
    std::unique_ptr<TDLibraryManager> m_manager;
    std::unique_ptr<platform::Workspace> m_desktopWorkspace;
    std::unique_ptr<TDCalendarStoreSyncManager> m_calendarSync;
    std::unique_ptr<TDMainWindow> m_mainWindow;
    std::unique_ptr<TDMessageBoxPrompter> m_messageBoxes;
    std::unique_ptr<TDFileDialogLibraryChooser> m_fileDialogs;
    std::unique_ptr<TDImportWindowRestorer> m_restorer;
    std::unique_ptr<TDSyncWindows> m_syncControl;
    std::unique_ptr<TDLauncherBadgeSink> m_badge;
    std::unique_ptr<AppDelegate> m_delegate;
    std::unique_ptr<TDLibraryUpdateWindowController> m_updateWindow;
    std::unique_ptr<TDApplicationMenus> m_menus;
    std::unique_ptr<TDTimerWindowController> m_timer;
    std::unique_ptr<TDMainWindowScriptingHost> m_scriptingHost;
    std::unique_ptr<TDURLHandler> m_urlHandler;
    std::unique_ptr<TDDesktopRequests> m_requests;
    std::unique_ptr<TDQuickEntryWindow> m_quickEntry;
    std::unique_ptr<platform::SleepWatcher> m_sleepWatcher;
    std::unique_ptr<TDNetworkReachability> m_reachability;
    std::unique_ptr<TDLocaleChangeWatcher> m_localeWatcher;
    bool m_networkReachable = false;
    TDAlertPrompter* m_prompter = nullptr;
};
