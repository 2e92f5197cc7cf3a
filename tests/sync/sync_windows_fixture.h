#pragma once

#include "platform/files/workspace.h"
#include "platform/keychain/memory_keychain.h"
#include "store/library_manager.h"
#include "sync/corvane_full_sync_alert.h"
#include "sync/corvane_sync_preferences_controller.h"
#include "tests/sync/transport_fixture.h"

#include <QList>
#include <QUrl>

#include <memory>

namespace synctest {

// Records the pages the sync windows open.
class RecordingWorkspace : public platform::Workspace {
public:
    bool openURL(const QUrl& url) override {
        opened << url;
        return true;
    }
    QList<platform::DesktopApplication> applicationsForFile(const QString&) const override { return {}; }
    std::optional<platform::DesktopApplication> applicationAtPath(const QString&) const override {
        return std::nullopt;
    }
    bool openFileWithApplication(const QString&, const platform::DesktopApplication&) override {
        return false;
    }
    bool showInFileManager(const QString&) override { return false; }

    QList<QUrl> opened;
};

// The sheets and windows around the sync pane, answered from scripts.
class ScriptedPaneHost : public TDCorvaneSyncPaneHost {
public:
    int runSheet(const TDAlert& alert) override {
        sheets << alert;
        return sheetAnswers.isEmpty() ? 0 : sheetAnswers.takeFirst();
    }
    int runFullSyncAlert(TDCorvaneFullSyncAlert& alert) override {
        questions << alert;
        if (chosenType) alert.syncType = *chosenType;
        return fullSyncAnswer;
    }
    void performFullSync(TDCorvaneSyncType type) override { performed << type; }

    QList<TDAlert> sheets;
    QList<int> sheetAnswers;
    QList<TDCorvaneFullSyncAlert> questions;
    int fullSyncAnswer = TDCorvaneFullSyncAlert::kFullSyncButton;
    std::optional<TDCorvaneSyncType> chosenType;
    QList<TDCorvaneSyncType> performed;
};

// A new library in the temporary folder, the loopback service with one account (its library empty), an
// in-memory keyring and a recording desktop. The library reopens after a full sync replaced it, as the
// application does.
class SyncWindowsTest : public TransportTest {
protected:
    void SetUp() override;
    void TearDown() override;

    TDCorvaneConnection::Options connectionOptions() const;
    std::unique_ptr<TDCorvaneSyncPreferencesController> makePane();
    // Signs in through the pane, the full-sync question answered by the host's script.
    void signIn(TDCorvaneSyncPreferencesController& pane, const QString& password);
    bool syncEnabled();
    // Every file under the temporary folders (settings, library package, logs) that holds the text.
    QStringList filesContaining(const QString& text) const;

    platform::MemoryKeychain keychain;
    StandardKeychainScope keychainInstalled{keychain};
    RecordingWorkspace workspace;
    ScriptedPaneHost host;
    std::unique_ptr<TDLibraryManager> manager;
    QObject observer;  // of the library changes
};

}  // namespace synctest
