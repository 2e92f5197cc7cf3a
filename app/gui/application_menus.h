#pragma once

#include "app/application_menu_validation.h"
#include "app/web_pages.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class AppDelegate;
class QAction;
class QMenu;
class QMenuBar;
class TDAlertPrompter;
class TDBackupRestorer;
class TDImportProgress;
class TDLibraryManager;
class TDMainWindow;
class TDPrintRenderer;
class TDSyncNowProgress;
class TDSyncWindows;

namespace platform {
class UserDefaults;
}

// The questions for files the commands ask; tests script them.
struct TDApplicationFileQuestions {
    // The path chosen to save to (`suggestedPath` preset), none when cancelled.
    std::function<std::optional<QString>(const QString& title, const QString& suggestedPath,
                                         const QString& filter)>
        saveFile;
    // The file chosen to open, starting in `folder`; none when cancelled.
    std::function<std::optional<QString>(const QString& title, const QString& folder, const QString& filter)>
        openFile;
};

// The windows of their own the menus open; an item is added only for a window that is given.
struct TDApplicationWindows {
    std::function<void()> showPreferences;
    std::function<void()> showAbout;
    std::function<void()> showSupport;
};

// The application's own commands in the main window's menus: print; back up, restore, sync, fix and show
// the library; full screen and the incomplete-task count; the source list's commands in a menu of their
// own; help and the web pages; and the Debug menu while "enableDebugMenu" is on. Each item is enabled as the
// program's state allows, looked at again when its menu opens and when it is triggered.
class TDApplicationMenus final : public QObject {
    Q_OBJECT

public:
    // None is owned; all outlive the menus.
    TDApplicationMenus(TDMainWindow& window, TDLibraryManager& manager, AppDelegate& delegate,
                       TDAlertPrompter& prompter, TDBackupRestorer& restorer,
                       platform::UserDefaults& defaults, QObject* parent = nullptr);
    ~TDApplicationMenus() override;

    void setFileQuestions(TDApplicationFileQuestions questions) { m_files = std::move(questions); }
    // Before install.
    void setWindows(TDApplicationWindows windows) { m_windows = std::move(windows); }

    // Adds the items to the menus the window has just built (its File, View and Window menus), the
    // source list's menu after View, and the Help and Debug menus at the end.
    void install(QMenuBar& bar);
    // The source list's menu; nullptr before install.
    QMenu* groupMenu() const { return m_groupMenu; }
    // The first item of the command.
    QAction* action(TDApplicationCommand command) const;

    TDApplicationMenuState menuState() const;
    // Enables every item for the state now.
    void validate();

    // The commands.
    void print();
    void backupLibrary();
    void restoreLibrary();
    void sync();
    // The full-sync window with its question, while sync is on.
    void fullSync();
    // The sync windows the Full Sync… item opens (not owned; none: the item does nothing).
    void setSyncWindows(TDSyncWindows* windows) { m_syncWindows = windows; }
    void fixLibrary();
    // Shows the library's package selected in the file manager.
    void revealLibrary();
    void toggleFullScreen();
    void showHelp(const QString& anchor);
    void openWebPage(TDWebPage page);

    // The Debug menu's commands (application_debug_menu.cpp).
    void validateLibrary();
    void retrainTaskClassifier();
    void printMenuShortcuts(QMenuBar& bar) const;
    // Restores the library from a backup's property list, as a restore from backup does.
    void importXML();
    // A group's copy form as a new folder.
    void importFromPlistXML();
    void exportGroupToPlist();
    void saveAnonymizedLibrary();
    // Redraws the source list.
    void captureView() const;
    void logFirstResponder() const;
    void simulateDateChange() const;
    void makeRecurringTasks();
    [[noreturn]] void raiseException() const;

Q_SIGNALS:
    // A backup asked for has been written (or failed to be).
    void backupFinished(bool written);

private:
    QAction* p_addCommand(QMenu& menu, TDApplicationCommand command, const QString& title,
                          std::function<void()> perform);
    bool p_isEnabled(TDApplicationCommand command) const;
    void p_updateFullScreenTitle();
    void p_installDebugMenu(QMenuBar& bar);

    TDMainWindow& m_window;
    TDLibraryManager& m_manager;
    AppDelegate& m_delegate;
    TDSyncWindows* m_syncWindows = nullptr;
    TDSyncNowProgress* m_syncProgress = nullptr;  // made with the first Sync Now
    TDAlertPrompter& m_prompter;
    TDBackupRestorer& m_restorer;
    platform::UserDefaults& m_defaults;
    TDApplicationFileQuestions m_files;
    TDApplicationWindows m_windows;
    QList<std::pair<TDApplicationCommand, QAction*>> m_actions;
    QAction* m_taskCountAction = nullptr;
    QMenu* m_groupMenu = nullptr;
    // The Debug menu's restore, while it runs.
    QPointer<TDImportProgress> m_importing;
    // The print under way: its off-screen list lives until the print has ended.
    std::unique_ptr<TDPrintRenderer> m_printing;
};
