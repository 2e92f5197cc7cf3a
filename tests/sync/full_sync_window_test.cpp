#include "model/library.h"
#include "model/sync_set.h"
#include "model/task.h"
#include "store/editor_registry.h"
#include "sync/corvane_errors.h"
#include "sync/full_sync_window_controller.h"
#include "tests/sync/sync_windows_fixture.h"

#include <QSignalSpy>

namespace synctest {
namespace {

using Fault = LoopbackSyncServer::Fault;

class RefusingEditor : public TDEditor {
public:
    bool commitEditing() override { return false; }
};

class FullSyncWindowTest : public SyncWindowsTest {
protected:
    void SetUp() override {
        SyncWindowsTest::SetUp();
        // Signed in, the first full sync still to run.
        pane = makePane();
        signIn(*pane, kPassword);
        ASSERT_TRUE(syncEnabled());
        window = std::make_unique<TDFullSyncWindowController>(*manager);
        window->setConnectionOptions(connectionOptions());
        QObject::connect(window.get(), &TDFullSyncWindowController::progressChanged, window.get(), [this] {
            if (texts.isEmpty() || texts.last() != window->progressText()) texts << window->progressText();
            if (window->isProgressDeterminate()) determinate << window->progressValue();
        });
    }
    void TearDown() override {
        ASSERT_TRUE(testsupport::spinUntil([this] { return !window->isRunning(); }));
        window.reset();
        pane.reset();
        SyncWindowsTest::TearDown();
    }

    // Until the window shows an alert again: the end, or a failure.
    void waitForTheEnd() {
        ASSERT_TRUE(testsupport::spinUntil([this] {
            return window->page() == TDFullSyncWindowController::Page::Alert && !window->isRunning();
        }));
        testsupport::drainEvents();
    }

    int indexOf(const QString& prefix) const {
        for (int i = 0; i < texts.size(); ++i)
            if (texts[i].startsWith(prefix)) return i;
        return -1;
    }

    std::unique_ptr<TDCorvaneSyncPreferencesController> pane;
    std::unique_ptr<TDFullSyncWindowController> window;
    QStringList texts;
    QList<qint64> determinate;
};

TEST_F(FullSyncWindowTest, TheFirstFullSyncShowsItsProgressInOrderAndEndsWithSyncOn) {
    manager->library()->createTask()->setTitle(QStringLiteral("Mine"));

    window->performFullSync(TDCorvaneSyncType::FullMerge);
    EXPECT_EQ(window->page(), TDFullSyncWindowController::Page::Progress);
    waitForTheEnd();

    EXPECT_EQ(window->alert().messageText, QStringLiteral("Sync finished"));
    EXPECT_EQ(window->alert().informativeText, QStringLiteral("Your old library was moved to the Trash."));
    const int connecting = indexOf(QStringLiteral("Connecting to sync server…"));
    const int uploaded = indexOf(QStringLiteral("Uploaded "));
    const int finishing = indexOf(QStringLiteral("Finishing up…"));
    EXPECT_GE(connecting, 0) << texts.join(u'|').toStdString();
    EXPECT_GT(uploaded, connecting) << texts.join(u'|').toStdString();
    EXPECT_GT(finishing, uploaded) << texts.join(u'|').toStdString();
    EXPECT_FALSE(determinate.isEmpty());
    EXPECT_TRUE(syncEnabled());
    ASSERT_NE(manager->library(), nullptr);
    EXPECT_TRUE(manager->library()->corvaneSyncSet()->lastSyncDate().isValid());
    EXPECT_GE(server->store(kUser).liveRecordCount(), 1);

    QSignalSpy finished(window.get(), &TDSyncAlertPanelController::finished);
    window->buttonPressed(TDSyncAlertPanelController::kFirstButtonTag);
    EXPECT_EQ(finished.count(), 1);
}

TEST_F(FullSyncWindowTest, AFailedFullSyncShowsItsErrorWithRetryAndARetrySucceeds) {
    server->setUnderMaintenance(true);
    window->performFullSync(TDCorvaneSyncType::FullMerge);
    waitForTheEnd();

    ASSERT_TRUE(window->error().has_value());
    EXPECT_EQ(window->error()->code, TDCorvaneErrorMaintenance);
    EXPECT_EQ(window->alert().buttons, QStringList({QStringLiteral("Retry"), QStringLiteral("Cancel")}));
    EXPECT_FALSE(window->isProgressAnimating());
    ASSERT_NE(manager->library(), nullptr);  // the old library is back

    server->setUnderMaintenance(false);
    window->buttonPressed(TDSyncAlertPanelController::kFirstButtonTag);
    waitForTheEnd();
    EXPECT_EQ(window->alert().messageText, QStringLiteral("Sync finished"));
    EXPECT_TRUE(manager->library()->corvaneSyncSet()->lastSyncDate().isValid());
}

TEST_F(FullSyncWindowTest, ALibraryThatCannotBeSavedShowsItsErrorWithRetryAndSendsNothing) {
    RefusingEditor editor;
    manager->editorRegistry().registerEditor(&editor);
    server->clearRequests();

    window->performFullSync(TDCorvaneSyncType::FullMerge);
    testsupport::drainEvents();

    EXPECT_EQ(window->page(), TDFullSyncWindowController::Page::Alert);
    EXPECT_EQ(window->alert().buttons.first(), QStringLiteral("Retry"));
    EXPECT_TRUE(server->requests().isEmpty());

    manager->editorRegistry().unregisterEditor(&editor);
    window->buttonPressed(TDSyncAlertPanelController::kFirstButtonTag);
    waitForTheEnd();
    EXPECT_EQ(window->alert().messageText, QStringLiteral("Sync finished"));
}

TEST_F(FullSyncWindowTest, DecliningTheQuestionOfANeverSyncedLibrarySignsOutAndCloses) {
    window->showFullSyncAlert();
    EXPECT_EQ(window->alert().buttons.last(), QStringLiteral("Sign Out"));
    QSignalSpy finished(window.get(), &TDSyncAlertPanelController::finished);

    window->buttonPressed(TDSyncAlertPanelController::kFirstButtonTag + 1);

    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(syncEnabled());
    EXPECT_FALSE(pane->isSignedIn());
}

}  // namespace
}  // namespace synctest
