#include "foundation/alert.h"
#include "tests/support/core/scripted_alert_prompter.h"

#include <gtest/gtest.h>

namespace {

class RecordingAttempter : public TDErrorRecoveryAttempter {
public:
    bool attemptRecovery(const TDError& error, int optionIndex) override {
        attempts.append({error.code, optionIndex});
        return optionIndex == 1;
    }
    QList<std::pair<int, int>> attempts;
};

TEST(Errors, AreMadeInTheProgramsDomainWithOnlyWhatIsGiven) {
    const TDError bare = TDError::make(TDErrorRestoreFailed, QStringLiteral("Restore failed."));
    EXPECT_EQ(bare.domain, TDErrorDomain);
    EXPECT_EQ(bare.code, 200);
    EXPECT_TRUE(bare.recoverySuggestion.isEmpty());
    EXPECT_EQ(bare.detailedDescription(),
              QStringLiteral("Error Domain=TDErrorDomain Code=200 \"Restore failed.\""));

    auto attempter = std::make_shared<RecordingAttempter>();
    const TDError withOptions =
        bare.bySettingRecoveryOptions({QStringLiteral("Cancel"), QStringLiteral("Retry")})
            .bySettingRecoveryAttempter(attempter);
    EXPECT_EQ(withOptions.code, bare.code);
    EXPECT_EQ(withOptions.recoveryOptions, (QStringList{QStringLiteral("Cancel"), QStringLiteral("Retry")}));
    EXPECT_EQ(withOptions.recoveryAttempter, attempter);
    EXPECT_TRUE(bare.recoveryOptions.isEmpty());
    EXPECT_FALSE(bare.recoveryAttempter);
}

TEST(Alerts, ShowTheErrorAndLetItsAttempterRecover) {
    QObject accessory;
    TDError error = TDError::make(TDErrorLibraryCannotOpen, QStringLiteral("The library cannot be opened."),
                                  QStringLiteral("Restore it from a backup."));
    error.userInfo.insert(TDAccessoryViewController, QVariant::fromValue(&accessory));
    const TDAlert alert = alertWithOrdelloError(error);
    EXPECT_EQ(alert.messageText, QStringLiteral("The library cannot be opened."));
    EXPECT_EQ(alert.informativeText, QStringLiteral("Restore it from a backup."));
    EXPECT_EQ(alert.buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(alert.accessoryViewController, &accessory);

    auto attempter = std::make_shared<RecordingAttempter>();
    const TDError recoverable =
        error.bySettingRecoveryOptions({QStringLiteral("Quit"), QStringLiteral("Restore")})
            .bySettingRecoveryAttempter(attempter);
    testsupport::ScriptedAlertPrompter prompter({1, 0});
    EXPECT_TRUE(presentError(recoverable, prompter));
    EXPECT_FALSE(presentError(recoverable, prompter));
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown.first().buttons,
              (QStringList{QStringLiteral("Quit"), QStringLiteral("Restore")}));
    EXPECT_EQ(attempter->attempts, (QList<std::pair<int, int>>{{102, 1}, {102, 0}}));

    // Without an attempter the alert is only shown.
    testsupport::ScriptedAlertPrompter plain;
    EXPECT_FALSE(presentError(error, plain));
    EXPECT_EQ(plain.shown.size(), 1);
}

}  // namespace
