#include "platform/defaults/host_defaults.h"
#include "sync/corvane_sync_settings.h"
#include "tests/sync/sync_account_fixture.h"

#include <QFileInfo>

namespace synctest {
namespace {

using KeyState = platform::MemoryKeychain::State;

struct StoredAccountCase {
    const char* name;
    KeyState state;
    std::optional<QString> stored;
    int code;  // 0: the request goes out and is answered
};

// A request with the library's own account: a keyring that cannot answer is 615, so it is never read
// as an empty password and shown as a wrong one (602); only a password really absent is 602.
TEST_F(SyncAccountTest, TheStoredAccountAuthenticatesOrFailsWithWhatIsWrong) {
    const StoredAccountCase cases[] = {
        {"password stored", KeyState::Open, kPassword, 0},
        {"no password stored", KeyState::Open, std::nullopt, TDCorvaneErrorAuthentication},
        {"blank password stored", KeyState::Open, QStringLiteral("  "), TDCorvaneErrorAuthentication},
        {"keyring locked", KeyState::Locked, kPassword, TDCorvaneErrorKeychain},
        {"no keyring", KeyState::Unavailable, kPassword, TDCorvaneErrorKeychain},
    };
    for (const StoredAccountCase& row : cases) {
        SCOPED_TRACE(row.name);
        keychain.setState(KeyState::Open);
        ASSERT_TRUE(keychain.removePassword(TDCorvaneKeychainManager::kServiceName, kUser).ok());
        if (row.stored) storePassword(*row.stored);
        keychain.setState(row.state);
        server->clearRequests();

        auto operation = std::make_unique<TDCorvaneOperation>(coordinator.get());
        operation->setConnectionOptions(options());
        auto request = operation->request(operation->corvaneURL(corvaneUserPath(kUser)));
        if (row.code == 0) {
            ASSERT_TRUE(request.ok()) << describe(request.error());
            auto answer = operation->responseDictionary(*request);
            ASSERT_TRUE(answer.ok()) << describe(answer.error());
        } else {
            ASSERT_FALSE(request.ok());
            EXPECT_EQ(request.error().code, row.code) << describe(request.error());
            EXPECT_EQ(isImportantSyncError(request.error()), row.code == TDCorvaneErrorAuthentication);
            EXPECT_TRUE(server->requests().isEmpty()) << "nothing is sent";
        }
    }
}

TEST_F(SyncAccountTest, AKeychainThatCannotAnswerGivesNoSettings) {
    for (KeyState state : {KeyState::Locked, KeyState::Unavailable}) {
        keychain.setState(state);
        auto settings = TDCorvaneSyncSettings::make(library);
        ASSERT_FALSE(settings.ok());
        EXPECT_EQ(settings.error().code, TDCorvaneErrorKeychain);
        EXPECT_EQ(settings.error().description, QStringLiteral("Could not access Keychain"));
        EXPECT_FALSE(settings.error().recoverySuggestion.isEmpty());
    }
}

TEST_F(SyncAccountTest, EditsMarkChangesOnlyForNewNonEmptyValues) {
    storePassword(kPassword);
    auto made = TDCorvaneSyncSettings::make(library);
    ASSERT_TRUE(made.ok());
    TDCorvaneSyncSettings& settings = **made;
    EXPECT_EQ(settings.username(), kUser);
    EXPECT_EQ(settings.password(), kPassword);
    EXPECT_TRUE(settings.isVerified());

    settings.setPassword(QString());
    EXPECT_FALSE(settings.hasChanges()) << "an empty password";
    settings.setUsername(QStringLiteral("  alice \n"));
    EXPECT_EQ(settings.username(), kUser);
    EXPECT_FALSE(settings.hasChanges()) << "the same name with blanks";
    settings.setUsername(QStringLiteral(" bob "));
    EXPECT_EQ(settings.username(), QStringLiteral("bob"));
    EXPECT_TRUE(settings.hasChanges());
    EXPECT_TRUE(settings.usernameChanged());
    EXPECT_TRUE(settings.needsFullSync());
}

TEST_F(SyncAccountTest, ACommitWithANewNameStoresThePasswordAndStartsANewJournal) {
    library->corvaneSyncSet(false)->setLastSyncDate(QDateTime::currentDateTimeUtc());
    ASSERT_TRUE(journalContext->save().ok());
    auto made = TDCorvaneSyncSettings::make(library);
    ASSERT_TRUE(made.ok());
    (*made)->setUsername(QStringLiteral("bob"));
    (*made)->setPassword(QStringLiteral("secret"));
    ASSERT_TRUE((*made)->commitChanges().ok());
    TDSyncSet* journal = library->corvaneSyncSet(false);
    ASSERT_NE(journal, nullptr);
    EXPECT_EQ(journal->username(), QStringLiteral("bob"));
    EXPECT_FALSE(journal->lastSyncDate().isValid());
    EXPECT_TRUE(journal->items().isEmpty());
    auto stored = keychain.findPassword(TDCorvaneKeychainManager::kServiceName, QStringLiteral("bob"));
    ASSERT_TRUE(stored.ok());
    EXPECT_EQ(stored->value_or(QString()), QStringLiteral("secret"));
}

// A password the keychain would not keep fails the commit, and the library keeps its account and
// journal: the caller leaves sync off.
TEST_F(SyncAccountTest, APasswordThatCannotBeStoredFailsTheCommitAndChangesNothing) {
    for (KeyState state : {KeyState::Locked, KeyState::Unavailable}) {
        auto made = TDCorvaneSyncSettings::make(library);
        ASSERT_TRUE(made.ok());
        TDSyncSet* before = library->corvaneSyncSet(false);
        (*made)->setUsername(QStringLiteral("bob"));
        (*made)->setPassword(QStringLiteral("secret"));
        keychain.setState(state);
        const Status committed = (*made)->commitChanges();
        keychain.setState(KeyState::Open);
        ASSERT_FALSE(committed.ok());
        EXPECT_EQ(committed.error().code, TDCorvaneErrorKeychain);
        EXPECT_EQ(library->corvaneSyncSet(false), before);
        EXPECT_EQ(library->corvaneSyncSet(false)->username(), kUser);
        EXPECT_EQ(keychain.itemCount(), 0);
    }
}

TEST_F(SyncAccountTest, TheNodeIDIsOnePerMachineInThePerHostSettings) {
    platform::UserDefaults host(platform::hostUserDefaultsFilePath());
    platform::setHostUserDefaults(&host);
    const QString first = TDCorvaneSyncSettings::syncNodeID();
    EXPECT_EQ(first.size(), 16);
    EXPECT_EQ(TDCorvaneSyncSettings::syncNodeID(), first);
    platform::setHostUserDefaults(nullptr);

    // Read back from the file, as after a restart.
    platform::UserDefaults reread(platform::hostUserDefaultsFilePath());
    EXPECT_EQ(reread.string(QStringLiteral("syncNodeID")), first);
    const QFileInfo file(platform::hostUserDefaultsFilePath());
    EXPECT_EQ(file.absolutePath(), QFileInfo(platform::UserDefaults::standardFilePath()).absolutePath());
    EXPECT_TRUE(file.fileName().contains(platform::machineIdentifier()));
    EXPECT_FALSE(defaults().hasStoredValue(QStringLiteral("syncNodeID"))) << "not in the user's settings";
}

}  // namespace
}  // namespace synctest
