#pragma once

#include "app/sync_control.h"
#include "foundation/alert.h"
#include "sync/corvane_change_set.h"
#include "sync/corvane_connection.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QWidget;
class TDFullSyncWindow;
class TDLibraryManager;
class TDLibraryObject;
class TDSyncSkippedWindow;
struct TDError;

// The sync windows of the application: the one full-sync window at a time and the sync alert panel,
// the sync control the application delegate talks to, and the panel its sync alerts appear in.
class TDSyncWindows final : public QObject, public TDSyncControl, public TDAlertPrompter {
    Q_OBJECT
public:
    explicit TDSyncWindows(TDLibraryManager& manager, QObject* parent = nullptr);
    ~TDSyncWindows() override;

    // Where the sync windows' operations connect; the program's own unless set.
    void setConnectionOptions(const std::optional<TDCorvaneConnection::Options>& options) {
        m_options = options;
    }
    const std::optional<TDCorvaneConnection::Options>& connectionOptions() const { return m_options; }
    // Opens the preferences at the sync pane (set by whoever owns the preferences window).
    void setShowSyncPreferences(std::function<void()> show) { m_showSyncPreferences = std::move(show); }

    // The full-sync window with its question (sync on, none open yet).
    void fullSync(QWidget* parent = nullptr);
    // The full-sync window running the full sync of the type at once.
    void performFullSync(TDCorvaneSyncType type, QWidget* parent = nullptr);
    TDFullSyncWindow* fullSyncWindow() const;
    // The sync alert panel for the error, modal; the tag of the button that ended it.
    int showSyncError(const TDError& error, QWidget* parent = nullptr);
    // The alert in the sync alert panel over the active window: the index of the button chosen, -1 when
    // the panel was closed otherwise.
    int runModal(const TDAlert& alert) override;

    void sync() override;
    void signOut() override;
    bool isNetworkReachable() const override { return m_library.isNetworkReachable(); }
    void showSyncPreferences() override;
    bool isFullSyncing() const override;
    void showSkippedObjects(const QStringList& objectURIs) override;
    // How the skipped-objects window shows an object in the main window.
    void setRevealObject(std::function<void(TDLibraryObject*)> reveal) { m_reveal = std::move(reveal); }
    TDSyncSkippedWindow* skippedWindow() const;

Q_SIGNALS:
    void fullSyncWindowOpened(TDFullSyncWindow* window);

private:
    TDFullSyncWindow* p_openFullSyncWindow(QWidget* parent);

    TDLibraryManager& m_manager;
    // Syncing, signing out and the network, as the library manager and the desktop answer them.
    TDLibrarySyncControl m_library;
    std::optional<TDCorvaneConnection::Options> m_options;
    std::function<void()> m_showSyncPreferences;
    QPointer<TDFullSyncWindow> m_fullSyncWindow;
    std::function<void(TDLibraryObject*)> m_reveal;
    QPointer<TDSyncSkippedWindow> m_skippedWindow;
};
