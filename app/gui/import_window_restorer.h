#pragma once

#include "app/backup_restorer.h"

class TDAlertPrompter;
class TDLibraryManager;

// Restores through the shared restore window, which shows the progress.
class TDImportWindowRestorer final : public TDBackupRestorer {
public:
    TDImportWindowRestorer(TDLibraryManager& manager, TDAlertPrompter& prompter)
        : m_manager(manager), m_prompter(prompter) {}
    TDImportProgress* restoreLibraryFromBackupAtPath(const QString& path) override;

private:
    TDLibraryManager& m_manager;
    TDAlertPrompter& m_prompter;
};
