#include "store/standard_library_migration_delegate.h"

#include "foundation/alert.h"
#include "store/library_update_progress.h"

bool TDStandardLibraryMigrationDelegate::shouldMigratePersistentStore(double, double, int stepCount) {
    TDAlert alert;
    alert.messageText = QStringLiteral("Upgrade library?");
    alert.informativeText = QStringLiteral("Ordello needs to upgrade its library before it can continue.");
    alert.buttons = {QStringLiteral("Upgrade Library"), QStringLiteral("Quit")};
    if (m_prompter.runModal(alert) == 1) return false;
    m_progress.setTotalMigrations(stepCount);
    m_progress.setMigrationCount(0);
    m_progress.show();
    return true;
}

void TDStandardLibraryMigrationDelegate::willRunMigration(const platform::MigrationManager&, const QString&,
                                                          const QString&) {
    m_progress.setMigrationCount(m_progress.migrationCount() + 1);
    m_stepRunning = true;
}

void TDStandardLibraryMigrationDelegate::migrationProgressChanged(double progress) {
    if (m_stepRunning) m_progress.setMigrationProgress(progress);
}

void TDStandardLibraryMigrationDelegate::didRunMigration(const platform::MigrationManager&, const QString&,
                                                         const QString&) {
    m_stepRunning = false;
}

void TDStandardLibraryMigrationDelegate::didFinishMigratingPersistentStore() {
    m_progress.setMigrationCount(m_progress.migrationCount() + 1);
}

void TDStandardLibraryMigrationDelegate::failedMigratingPersistentStore() {
    m_progress.close();
    TDAlert alert;
    alert.messageText = QStringLiteral("Could not upgrade the library");
    alert.informativeText = QStringLiteral("Please contact Vantorel for help");
    alert.buttons = {QStringLiteral("Quit")};
    m_prompter.runModal(alert);
}
