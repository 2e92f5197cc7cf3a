#pragma once

class TDLibraryManager;

// What the application delegate asks of sync and the network. The sync subsystem connects its own;
// until then the library manager's answers stand in.
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
};

// Until the sync subsystem is connected: syncs through the manager (which sends nothing without an
// account), counts the network as reachable, and signs out by switching the library's sync off.
class TDLibrarySyncControl final : public TDSyncControl {
public:
    explicit TDLibrarySyncControl(TDLibraryManager& manager) : m_manager(manager) {}
    void sync() override;
    void signOut() override;
    bool isNetworkReachable() const override { return true; }
    void showSyncPreferences() override;
    bool isFullSyncing() const override { return false; }

private:
    TDLibraryManager& m_manager;
};
