#include "store/standard_library_migration_delegate.h"
#include "foundation/alert.h"
#include "store/library_migration.h"
#include "store/library_update_progress.h"
#include "tests/store/migration_fixture.h"
#include "tests/support/core/scripted_alert_prompter.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

using namespace storetest;

class StandardMigrationDelegateTest : public MigrationPackageTest {
protected:
    void SetUp() override {
        MigrationPackageTest::SetUp();
        QObject::connect(&progress, &TDLibraryUpdateProgress::updateProgressChanged, &progress,
                         [this](double p) { updates.append(p); });
    }
    testsupport::ScriptedAlertPrompter prompter;
    TDLibraryUpdateProgress progress;
    QList<double> updates;
};

TEST_F(StandardMigrationDelegateTest, AskedFirstThenShowsProgressOverTheStepsThatRun) {
    writeOldPackage(package, QStringLiteral("Library 0.907"), 0.907);
    TDStandardLibraryMigrationDelegate delegate(prompter, progress);
    ASSERT_EQ(*TDMigrateLibraryStoreIfNeeded(package, &delegate), TDLibraryMigrationOutcome::Migrated);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown.first().messageText, QStringLiteral("Upgrade library?"));
    EXPECT_EQ(prompter.shown.first().buttons,
              (QStringList{QStringLiteral("Upgrade Library"), QStringLiteral("Quit")}));
    EXPECT_TRUE(progress.isShown());
    EXPECT_EQ(progress.totalMigrations(), 4);
    EXPECT_EQ(progress.migrationCount(), 5);
    EXPECT_TRUE(progress.isIndeterminate());
    ASSERT_FALSE(updates.isEmpty());
    EXPECT_EQ(updates.first(), 0.0);
    EXPECT_TRUE(std::is_sorted(updates.begin(), updates.end()));
    EXPECT_DOUBLE_EQ(updates.last(), 1.0);
}

TEST_F(StandardMigrationDelegateTest, QuitDeclinesAndAFailureIsReported) {
    writeOldPackage(package, QStringLiteral("Library 0.907"), 0.907);
    TDStandardLibraryMigrationDelegate delegate(prompter, progress);
    prompter.answers = {1};
    EXPECT_EQ(*TDMigrateLibraryStoreIfNeeded(package, &delegate), TDLibraryMigrationOutcome::Declined);
    EXPECT_FALSE(progress.isShown());

    QDir(package).removeRecursively();
    OldLibraryContents broken;
    broken.withRootGroupNumber = false;
    writeOldPackage(package, QStringLiteral("Library 0.907"), 0.907, broken);
    prompter.answers = {0, 0};
    EXPECT_FALSE(TDMigrateLibraryStoreIfNeeded(package, &delegate).ok());
    ASSERT_EQ(prompter.shown.size(), 3);
    EXPECT_EQ(prompter.shown.last().messageText, QStringLiteral("Could not upgrade the library"));
    EXPECT_EQ(prompter.shown.last().informativeText, QStringLiteral("Please contact Vantorel for help"));
    EXPECT_FALSE(progress.isShown());
}

}  // namespace
