#include "model/library.h"
#include "platform/base/log.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_keychain_manager.h"
#include "tests/sync/sync_windows_fixture.h"

#include <QSignalSpy>

namespace synctest {
namespace {

using PaneTest = SyncWindowsTest;

std::optional<QString> storedPassword(platform::MemoryKeychain& keychain) {
    auto found = keychain.findPassword(TDCorvaneKeychainManager::kServiceName, kUser);
    return found.ok() ? *found : std::nullopt;
}

TEST_F(PaneTest, SigningInOnAnEmptyServerStoresThePasswordInTheKeyringOnlyAndAsksForAFullSyncWithoutKinds) {
    setLogLevel(TDLogDebug);
    testing::internal::CaptureStderr();
    auto pane = makePane();
    QSignalSpy views(pane.get(), &TDCorvaneSyncPreferencesController::viewChanged);

    signIn(*pane, kPassword);
    testsupport::drainEvents();
    const std::string log = testing::internal::GetCapturedStderr();

    EXPECT_TRUE(host.sheets.isEmpty());
    EXPECT_TRUE(pane->isSignedIn());
    EXPECT_EQ(pane->email(), QStringLiteral("alice@example.com"));
    EXPECT_TRUE(syncEnabled());
    EXPECT_EQ(storedPassword(keychain), kPassword);
    ASSERT_EQ(views.count(), 1);
    EXPECT_TRUE(views.first().first().toBool());  // animated
    // A first sync of the account, on an empty server: no kinds to choose from.
    ASSERT_EQ(host.questions.size(), 1);
    EXPECT_FALSE(host.questions.first().offersSyncType);
    EXPECT_EQ(host.questions.first().alert.buttons,
              QStringList({QStringLiteral("Full Sync"), QStringLiteral("Sign Out")}));
    EXPECT_EQ(host.performed, QList<TDCorvaneSyncType>{TDCorvaneSyncType::FullMerge});

    manager->saveLibrary();
    EXPECT_TRUE(filesContaining(kPassword).isEmpty()) << filesContaining(kPassword).join(u',').toStdString();
    EXPECT_EQ(QString::fromStdString(log).indexOf(kPassword), -1);
}

TEST_F(PaneTest, AWrongPasswordShowsTheSheetStoresNothingAndItsSecondButtonOpensTheResetPage) {
    auto pane = makePane();
    host.sheetAnswers = {1};

    signIn(*pane, QStringLiteral("wrong"));

    ASSERT_EQ(host.sheets.size(), 1);
    EXPECT_EQ(host.sheets.first().messageText, QStringLiteral("Invalid username or password"));
    EXPECT_EQ(host.sheets.first().buttons.last(), QStringLiteral("Lost Password..."));
    EXPECT_EQ(workspace.opened, QList<QUrl>{QUrl(QStringLiteral("https://www.example.org/reset_password"))});
    EXPECT_FALSE(pane->isSignedIn());
    EXPECT_FALSE(syncEnabled());
    EXPECT_EQ(storedPassword(keychain), std::nullopt);
    EXPECT_TRUE(host.questions.isEmpty());
}

TEST_F(PaneTest, DecliningTheFirstFullSyncSignsOutAgain) {
    auto pane = makePane();
    host.fullSyncAnswer = TDCorvaneFullSyncAlert::kDeclineButton;

    signIn(*pane, kPassword);

    EXPECT_FALSE(pane->isSignedIn());
    EXPECT_FALSE(syncEnabled());
    EXPECT_TRUE(host.performed.isEmpty());
}

TEST_F(PaneTest, ASignOutFromElsewhereShowsTheSignInViewAndForgetsTheTypedAccount) {
    auto pane = makePane();
    signIn(*pane, kPassword);
    ASSERT_TRUE(pane->isSignedIn());
    QSignalSpy views(pane.get(), &TDCorvaneSyncPreferencesController::viewChanged);

    manager->syncSignOut();

    EXPECT_FALSE(pane->isSignedIn());
    EXPECT_TRUE(pane->username().isEmpty());
    EXPECT_TRUE(pane->password().isEmpty());
    EXPECT_EQ(views.count(), 1);
}

TEST_F(PaneTest, TheServicePagesOpenUnderTheWebSite) {
    auto pane = makePane();
    pane->makeNewAccount();
    pane->lostPassword();
    pane->manageAccount();
    EXPECT_EQ(workspace.opened, QList<QUrl>({QUrl(QStringLiteral("https://www.example.org/signup")),
                                             QUrl(QStringLiteral("https://www.example.org/reset_password")),
                                             QUrl(QStringLiteral("https://www.example.org/"))}));
}

TEST_F(PaneTest, WithoutAServiceAddressNothingIsSent) {
    defaults().setValue(QStringLiteral("corvaneSyncServiceURL"), QString());
    auto pane = makePane();
    EXPECT_TRUE(pane->serviceAddress().isEmpty());
    pane->setUsername(kUser);
    pane->setPassword(kPassword);
    pane->signIn();
    testsupport::drainEvents();
    EXPECT_FALSE(pane->isVerifying());
    EXPECT_TRUE(server->requests().isEmpty());
}

TEST_F(PaneTest, AFullSyncFromTheAccountViewChecksTheAccountOffTheMainThreadAndOffersTheKinds) {
    auto pane = makePane();
    signIn(*pane, kPassword);
    // The server's library holds something now.
    SyncRecordStore store = server->store(kUser);
    const QJsonObject record{{QStringLiteral("title"), QStringLiteral("From elsewhere")}};
    store.apply(QJsonObject{{QStringLiteral("Task"), QJsonObject{{QStringLiteral("ABC"), record}}}},
                QStringLiteral("elsewhere"));
    server->setStore(kUser, store);
    host.questions.clear();
    host.fullSyncAnswer = TDCorvaneFullSyncAlert::kFullSyncButton;
    host.chosenType = TDCorvaneSyncType::FullPut;

    QSignalSpy finished(pane.get(), &TDCorvaneSyncPreferencesController::verifyFinished);
    pane->fullSync();
    EXPECT_TRUE(pane->isVerifying());  // the check has not run on this thread
    ASSERT_TRUE(finished.wait(60000));
    testsupport::drainEvents();

    ASSERT_EQ(host.questions.size(), 1);
    EXPECT_TRUE(host.questions.first().offersSyncType);
    // The new library holds only its starter content: taking the server's is offered first.
    EXPECT_EQ(host.questions.first().syncType, TDCorvaneSyncType::FullGet);
    EXPECT_EQ(host.performed.last(), TDCorvaneSyncType::FullPut);
}

struct QuestionCase {
    bool required;
    bool serverEmpty;
    bool starterOnly;
    bool offersKinds;
    TDCorvaneSyncType preselected;
    const char* secondButton;
};

TEST(FullSyncQuestionTest, TextsKindsAndDefaultsFollowTheAccountsState) {
    const QuestionCase cases[] = {
        {true, true, false, false, TDCorvaneSyncType::FullMerge, "Sign Out"},
        {true, true, true, false, TDCorvaneSyncType::FullMerge, "Sign Out"},
        {true, false, false, true, TDCorvaneSyncType::FullMerge, "Sign Out"},
        {true, false, true, true, TDCorvaneSyncType::FullGet, "Sign Out"},
        {false, false, false, true, TDCorvaneSyncType::FullMerge, "Cancel"},
    };
    for (const QuestionCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.required << c.serverEmpty << c.starterOnly);
        const auto question = TDCorvaneFullSyncAlert::make(kUser, c.required, c.serverEmpty, c.starterOnly);
        EXPECT_EQ(question.alert.messageText, QStringLiteral("Perform full sync?"));
        EXPECT_TRUE(question.alert.informativeText.contains(kUser));
        EXPECT_EQ(question.alert.buttons.last(), QString::fromLatin1(c.secondButton));
        EXPECT_EQ(question.offersSyncType, c.offersKinds);
        EXPECT_EQ(question.syncType, c.preselected);
    }
    for (int index = 0; index < 3; ++index)
        EXPECT_EQ(TDCorvaneFullSyncAlert::indexForSyncType(TDCorvaneFullSyncAlert::syncTypeForIndex(index)),
                  index);
    EXPECT_EQ(TDCorvaneFullSyncAlert::syncTypeForIndex(1), TDCorvaneSyncType::FullGet);
    EXPECT_EQ(TDCorvaneFullSyncAlert::syncTypeForIndex(2), TDCorvaneSyncType::FullPut);
}

TEST(AccountVerifyFailedAlertTest, AWrongAccountIsInvalidAndAnyOtherErrorSpeaksForItself) {
    const TDAlert wrong =
        TDCorvaneSyncPreferencesController::accountVerifyFailedAlert(corvaneAuthenticationError());
    EXPECT_EQ(wrong.messageText, QStringLiteral("Invalid username or password"));
    EXPECT_EQ(TDCorvaneSyncPreferencesController::accountVerifyFailedAlert(std::nullopt).messageText,
              wrong.messageText);
    const TDAlert down =
        TDCorvaneSyncPreferencesController::accountVerifyFailedAlert(corvaneMaintenanceError());
    EXPECT_EQ(down.messageText, corvaneMaintenanceError().description);
}

}  // namespace
}  // namespace synctest
