#pragma once

#include "app/app_delegate.h"
#include "app/backup_restorer.h"
#include "app/badge_sink.h"
#include "app/library_location_chooser.h"
#include "app/main_window_host.h"
#include "app/sync_control.h"
#include "tests/support/core/scripted_alert_prompter.h"
#include "tests/support/test_environment.h"

#include <QStringList>

#include <memory>
#include <optional>

class TDImportProgress;
class TDLibraryManager;

namespace apptest {

// Answers the two panels from scripts of paths; a used-up script cancels.
class ScriptedLocationChooser : public TDLibraryLocationChooser {
public:
    std::optional<QString> chooseExistingLibrary() override { return next(existing); }
    std::optional<QString> chooseNewLibraryLocation() override { return next(created); }
    QList<std::optional<QString>> existing;
    QList<std::optional<QString>> created;

private:
    static std::optional<QString> next(QList<std::optional<QString>>& script) {
        return script.isEmpty() ? std::nullopt : script.takeFirst();
    }
};

// Records what the delegate asks of the windows, by name ("show", "clear", "expand", "menus", ...).
class RecordingWindowHost : public TDMainWindowHost {
public:
    void showMainWindow() override { calls << QStringLiteral("show"); }
    void clearOptions() override { calls << QStringLiteral("clear"); }
    void expandSourceList() override { calls << QStringLiteral("expand"); }
    void buildMenus() override { calls << QStringLiteral("menus"); }
    bool closeAllWindows(bool) override {
        calls << QStringLiteral("close");
        return !windowStaysOpen;
    }
    void activeLibraryWillChange() override { calls << QStringLiteral("willChange"); }
    void reloadAfterDateChange() override { calls << QStringLiteral("reload"); }
    void redisplay() override { calls << QStringLiteral("redisplay"); }
    void showStatusNotice(const QString& text) override { calls << QStringLiteral("notice: ") + text; }

    QStringList calls;
    bool windowStaysOpen = false;
};

// Restores without a window, answering the restore's own alerts with the given prompter.
class DirectRestorer : public TDBackupRestorer {
public:
    DirectRestorer(TDLibraryManager& manager, TDAlertPrompter& prompter);
    ~DirectRestorer() override;
    TDImportProgress* restoreLibraryFromBackupAtPath(const QString& path) override;
    // Until the restore's operation has told the progress it ended (after the library reopened).
    bool isRestoring() const;

private:
    std::unique_ptr<TDImportProgress> m_progress;
};

class RecordingSyncControl : public TDSyncControl {
public:
    void sync() override { ++syncs; }
    void signOut() override { ++signOuts; }
    bool isNetworkReachable() const override { return reachable; }
    void showSyncPreferences() override { ++preferencePanes; }
    bool isFullSyncing() const override { return fullSyncing; }
    void showSkippedObjects(const QStringList& objectURIs) override { skipped << objectURIs; }

    int syncs = 0;
    int signOuts = 0;
    int preferencePanes = 0;
    bool reachable = true;
    bool fullSyncing = false;
    QList<QStringList> skipped;
};

class RecordingBadgeSink : public TDBadgeSink {
public:
    void setBadgeCount(int count) override { counts << count; }
    QList<int> counts;
};

// A delegate with scripted answers over a library manager in temporary folders, installed as the
// application delegate for the test.
class AppDelegateTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override;
    void TearDown() override;

    QString packagePath(const QString& name) const;
    // A fresh delegate (the old one goes first), installed and told launching will finish.
    AppDelegate& makeDelegate();
    std::optional<int> launch(const TDLaunchOptions& options = {});
    // Creates a library at the path through a launch, then closes it.
    void createLibraryAt(const QString& path);
    void storeLocation(const QString& path);
    // A library created at the path and stored as the location, launched once and closed with a
    // backup of it; its uid, or empty (and a failure) when it did not open.
    QString backedUpLibraryAt(const QString& path);
    QStringList alertMessages() const;

    testsupport::ScriptedAlertPrompter prompter;
    ScriptedLocationChooser chooser;
    RecordingWindowHost windows;
    RecordingSyncControl syncControl;
    std::unique_ptr<TDLibraryManager> manager;
    std::unique_ptr<DirectRestorer> restorer;
    std::unique_ptr<AppDelegate> delegate;
};

}  // namespace apptest
