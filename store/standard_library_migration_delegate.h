#pragma once

#include "store/library_migration_delegate.h"

class TDAlertPrompter;
class TDLibraryUpdateProgress;

// The application's answers to the migration: it asks the user before upgrading, shows the update
// progress while the steps run, and tells the user when the upgrade failed. The caller ends the
// program after a refusal (status 0) or a failure (status 1).
class TDStandardLibraryMigrationDelegate final : public TDLibraryMigrationDelegate {
public:
    TDStandardLibraryMigrationDelegate(TDAlertPrompter& prompter, TDLibraryUpdateProgress& progress)
        : m_prompter(prompter), m_progress(progress) {}

    bool shouldMigratePersistentStore(double fromVersion, double toVersion, int stepCount) override;
    void willRunMigration(const platform::MigrationManager& manager, const QString& fromModelName,
                          const QString& toModelName) override;
    void migrationProgressChanged(double progress) override;
    void didRunMigration(const platform::MigrationManager& manager, const QString& fromModelName,
                         const QString& toModelName) override;
    void didFinishMigratingPersistentStore() override;
    void failedMigratingPersistentStore() override;

private:
    TDAlertPrompter& m_prompter;
    TDLibraryUpdateProgress& m_progress;
    bool m_stepRunning = false;
};
