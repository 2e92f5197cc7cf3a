#pragma once

#include <QStringList>

class TDLibraryManager;

// What the application delegate asks of sync and the network.
class TDSyncControl {
public:
    virtual ~TDSyncControl() = default;
    virtual void sync() = 0;
    // Leaves the sync service (wrong user name or password, or a full sync the user declined).
    virtual void signOut() = 0;
    virtual bool isNetworkReachable() const = 0;
    // The sync pane of the preferences.
    virtual void showSyncPreferences() = 0;
    // A full-sync window is open: sync alerts and the main window wait for it.
    virtual bool isFullSyncing() const = 0;
    // The objects a sync left out as too large (URI forms of their IDs), shown so they can be found.
    virtual void showSkippedObjects(const QStringList& objectURIs) = 0;
};

// Syncs and signs out through the library manager and asks the desktop whether the network is up.
// The sync windows build on it.
class TDLibrarySyncControl final : public TDSyncControl {
public:
    explicit TDLibrarySyncControl(TDLibraryManager& manager) : m_manager(manager) {}
    void sync() override;
    // Sync off, the last sync date cleared and scheduled syncs cancelled: the next sign-in starts
    // with a full sync.
    void signOut() override;
    bool isNetworkReachable() const override;
    void showSyncPreferences() override;
    bool isFullSyncing() const override { return false; }
    // Left to the log, which has them already.
    void showSkippedObjects(const QStringList& objectURIs) override { Q_UNUSED(objectURIs); }

private:
    TDLibraryManager& m_manager;
};
