#include "model/library.h"
#include "model/list.h"
#include "model/sync_set.h"
#include "model/task.h"
#include "sync/corvane_errors.h"
#include "sync/full_sync_window_controller.h"
#include "sync/gui/corvane_sync_preference_pane.h"
#include "sync/gui/full_sync_kind_chooser.h"
#include "sync/gui/full_sync_window.h"
#include "sync/gui/sync_alert_panel.h"
#include "sync/gui/sync_alert_view.h"
#include "sync/gui/sync_skipped_window.h"
#include "sync/gui/sync_windows.h"
#include "tests/support/core/scripted_alert_prompter.h"
#include "tests/sync/sync_windows_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

namespace synctest {
namespace {

void shoot(QWidget& widget, const QString& name) {
    QCoreApplication::processEvents();
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(widget.grab().toImage().save(QDir(folder).filePath(name)));
}

// Runs once the modal dialog of that type is up (from inside its event loop).
template <typename Dialog>
void whenModal(std::function<void(Dialog&)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            dialog && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            act(*dialog);
        }
    });
    poll->start(10);
}

class SyncPaneWidgetTest : public SyncWindowsTest {
protected:
    void SetUp() override {
        SyncWindowsTest::SetUp();
        windows = std::make_unique<TDSyncWindows>(*manager);
        windows->setConnectionOptions(connectionOptions());
        pane = std::make_unique<TDCorvaneSyncPane>(*manager, sheets, *windows, defaults());
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        layout->addWidget(pane->view());
        pane->controller().setupPreferencePane();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        if (TDFullSyncWindow* open = windows->fullSyncWindow()) {
            ASSERT_TRUE(testsupport::spinUntil([open] { return !open->controller().isRunning(); }));
        }
        pane.reset();
        window.reset();
        windows.reset();
        SyncWindowsTest::TearDown();
    }

    void typeAccount(const QString& password) {
        pane->usernameField()->setFocus();
        QTest::keyClicks(pane->usernameField(), kUser);
        // Typed as an input method would: key clicks carry only ASCII.
        pane->passwordField()->setFocus();
        pane->passwordField()->insert(password);
    }

    testsupport::ScriptedAlertPrompter sheets;
    std::unique_ptr<TDSyncWindows> windows;
    std::unique_ptr<TDCorvaneSyncPane> pane;
    std::unique_ptr<QWidget> window;
};

TEST_F(SyncPaneWidgetTest, AFirstSignInOnAnEmptyServerRunsTheFullSyncToItsEndWithSyncOn) {
    shoot(*window, QStringLiteral("sync_pane_sign_in.png"));
    typeAccount(kPassword);
    bool questionHadPopUp = true;
    whenModal<TDSyncAlertPanel>([&](TDSyncAlertPanel& question) {
        questionHadPopUp = question.findChild<TDFullSyncKindChooser*>() != nullptr;
        QTest::mouseClick(question.alertView().buttonWithTag(1000), Qt::LeftButton);
    });
    QTest::mouseClick(pane->signInButton(), Qt::LeftButton);

    ASSERT_TRUE(testsupport::spinUntil([this] { return windows->fullSyncWindow() != nullptr; }));
    TDFullSyncWindow* fullSync = windows->fullSyncWindow();
    EXPECT_FALSE(questionHadPopUp);
    EXPECT_TRUE(pane->showsAccountView());
    ASSERT_TRUE(testsupport::spinUntil([fullSync] {
        return fullSync->controller().alert().messageText == QStringLiteral("Sync finished");
    }));
    EXPECT_TRUE(syncEnabled());
    EXPECT_TRUE(manager->library()->corvaneSyncSet()->lastSyncDate().isValid());
    shoot(*window, QStringLiteral("sync_pane_account.png"));
    QTest::mouseClick(fullSync->alertView().buttonWithTag(1000), Qt::LeftButton);
    EXPECT_TRUE(testsupport::spinUntil([this] { return windows->fullSyncWindow() == nullptr; }));
    EXPECT_TRUE(sheets.shown.isEmpty());
    EXPECT_TRUE(filesContaining(kPassword).isEmpty());
}

TEST_F(SyncPaneWidgetTest, TheWrongPasswordRecoverySignsOutAndThePaneShowsTheSignInView) {
    typeAccount(kPassword);
    whenModal<TDSyncAlertPanel>([](TDSyncAlertPanel& question) {
        QTest::mouseClick(question.alertView().buttonWithTag(1000), Qt::LeftButton);
    });
    QTest::mouseClick(pane->signInButton(), Qt::LeftButton);
    ASSERT_TRUE(testsupport::spinUntil([this] { return windows->fullSyncWindow() != nullptr; }));
    TDFullSyncWindow* fullSync = windows->fullSyncWindow();
    ASSERT_TRUE(testsupport::spinUntil([fullSync] { return !fullSync->controller().isRunning(); }));
    ASSERT_TRUE(pane->showsAccountView());

    // What the application's recovery of a wrong password does, from outside the pane.
    windows->signOut();

    EXPECT_FALSE(syncEnabled());
    EXPECT_FALSE(pane->showsAccountView());
    EXPECT_TRUE(pane->passwordField()->text().isEmpty());
    EXPECT_TRUE(filesContaining(kPassword).isEmpty());
}

TEST_F(SyncPaneWidgetTest, AWrongPasswordShowsTheSheetAndStaysOnTheSignInView) {
    typeAccount(QStringLiteral("nope"));
    QTest::keyClick(pane->passwordField(), Qt::Key_Return);
    ASSERT_TRUE(testsupport::spinUntil([this] { return !sheets.shown.isEmpty(); }));
    EXPECT_EQ(sheets.shown.first().messageText, QStringLiteral("Invalid username or password"));
    EXPECT_FALSE(pane->showsAccountView());
    EXPECT_TRUE(pane->signInButton()->isEnabled());
    EXPECT_FALSE(syncEnabled());
}

TEST_F(SyncPaneWidgetTest, TheFullSyncQuestionOffersTheKindsAndTheWindowShowsProgress) {
    TDCorvaneFullSyncAlert question = TDCorvaneFullSyncAlert::make(kUser, false, false, true);
    whenModal<TDSyncAlertPanel>([&](TDSyncAlertPanel& panel) {
        auto* chooser = panel.findChild<TDFullSyncKindChooser*>();
        ASSERT_NE(chooser, nullptr);
        EXPECT_EQ(chooser->popUp()->currentText(), QStringLiteral("Replace Information on This Computer"));
        shoot(panel, QStringLiteral("full_sync_question.png"));
        chooser->popUp()->setCurrentIndex(2);
        QTest::mouseClick(panel.alertView().buttonWithTag(1000), Qt::LeftButton);
    });
    EXPECT_EQ(TDRunFullSyncQuestion(window.get(), question), 1000);
    EXPECT_EQ(question.syncType, TDCorvaneSyncType::FullPut);

    // The window while an upload is under way: the server holds its answers until released.
    manager->library()->createTask()->setTitle(QStringLiteral("Mine"));
    server->injectFault(QStringLiteral("/sync/library"),
                        LoopbackSyncServer::Fault::of(LoopbackSyncServer::Fault::Kind::Hold));
    whenModal<TDSyncAlertPanel>([](TDSyncAlertPanel& panel) {
        QTest::mouseClick(panel.alertView().buttonWithTag(1000), Qt::LeftButton);
    });
    typeAccount(kPassword);
    QTest::mouseClick(pane->signInButton(), Qt::LeftButton);
    ASSERT_TRUE(testsupport::spinUntil([this] { return windows->fullSyncWindow() != nullptr; }));
    TDFullSyncWindow* fullSync = windows->fullSyncWindow();
    ASSERT_NE(fullSync, nullptr);
    ASSERT_TRUE(testsupport::spinUntil([this] { return server->heldAnswerCount() > 0; }));
    testsupport::drainEvents();
    EXPECT_EQ(fullSync->controller().page(), TDFullSyncWindowController::Page::Progress);
    EXPECT_FALSE(fullSync->progressLabel().text().isEmpty());
    shoot(*fullSync, QStringLiteral("full_sync_progress.png"));
    server->releaseHeldAnswers();
    ASSERT_TRUE(testsupport::spinUntil([fullSync] { return !fullSync->controller().isRunning(); }));
}

TEST_F(SyncPaneWidgetTest, SkippedObjectsAreListedByTitleAndADoubleClickRevealsThem) {
    TDTask* task = manager->library()->createTask();
    task->setTitle(QStringLiteral("A very long note"));
    TDList* list =
        manager->library()->createList(QStringLiteral("Big list"), manager->library()->foldersGroup());
    ASSERT_TRUE(manager->saveLibrary());
    QList<TDLibraryObject*> revealed;
    windows->setRevealObject([&revealed](TDLibraryObject* object) { revealed << object; });

    windows->showSkippedObjects({task->objectID().uriString(),
                                 QStringLiteral("x-ordello://nowhere/Task/p999"),
                                 list->objectID().uriString()});

    TDSyncSkippedWindow* skipped = windows->skippedWindow();
    ASSERT_NE(skipped, nullptr);
    ASSERT_EQ(skipped->table()->rowCount(), 2);
    EXPECT_EQ(skipped->table()->item(0, 0)->text(), QStringLiteral("A very long note"));
    EXPECT_EQ(skipped->table()->item(1, 0)->text(), QStringLiteral("Big list"));
    Q_EMIT skipped->table()->cellDoubleClicked(1, 0);
    EXPECT_EQ(revealed, QList<TDLibraryObject*>{list});
}

class RecordingAttempter : public TDErrorRecoveryAttempter {
public:
    bool attemptRecovery(const TDError& error, int optionIndex) override {
        recoveries << qMakePair(error.code, optionIndex);
        return true;
    }
    QList<QPair<int, int>> recoveries;
};

TEST(SyncAlertPanelTest, ARecoveryButtonAsksTheAttempterWithItsOptionAndClosesThePanel) {
    auto attempter = std::make_shared<RecordingAttempter>();
    TDError error = corvaneAuthenticationError().bySettingRecoveryAttempter(attempter);
    error.recoveryOptions = {QStringLiteral("Sync Preferences…"), QStringLiteral("Sign Out")};
    TDSyncAlertPanel panel;
    whenModal<TDSyncAlertPanel>([](TDSyncAlertPanel& shown) {
        ASSERT_NE(shown.alertView().buttonWithTag(1001), nullptr);
        shoot(shown, QStringLiteral("sync_alert_panel.png"));
        QTest::mouseClick(shown.alertView().buttonWithTag(1001), Qt::LeftButton);
    });
    EXPECT_EQ(panel.runError(error), 1001);
    EXPECT_EQ(attempter->recoveries, (QList<QPair<int, int>>{{TDCorvaneErrorAuthentication, 1}}));
}

}  // namespace
}  // namespace synctest
