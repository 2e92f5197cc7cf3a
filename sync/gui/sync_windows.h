#pragma once

#include "app/sync_control.h"
#include "sync/corvane_change_set.h"
#include "sync/corvane_connection.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QWidget;
class TDFullSyncWindow;
class TDLibraryManager;
struct TDError;

// The sync windows of the application: the one full-sync window at a time and the sync alert panel,
// and the sync control the application delegate talks to.
class TDSyncWindows final : public QObject, public TDSyncControl {
    Q_OBJECT
public:
    explicit TDSyncWindows(TDLibraryManager& manager, QObject* parent = nullptr);
    ~TDSyncWindows() override;

    // Where the sync windows' operations connect; the program's own unless set.
    void setConnectionOptions(const std::optional<TDCorvaneConnection::Options>& options) { m_options = options; }
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

    void sync() override;
    void signOut() override;
    bool isNetworkReachable() const override { return true; }
    void showSyncPreferences() override;
    bool isFullSyncing() const override;

Q_SIGNALS:
    void fullSyncWindowOpened(TDFullSyncWindow* window);

private:
    TDFullSyncWindow* p_openFullSyncWindow(QWidget* parent);

    TDLibraryManager& m_manager;
    std::optional<TDCorvaneConnection::Options> m_options;
    std::function<void()> m_showSyncPreferences;
    QPointer<TDFullSyncWindow> m_fullSyncWindow;
};
