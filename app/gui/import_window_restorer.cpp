#include "app/gui/import_window_restorer.h"

#include "store/gui/import_window_controller.h"
#include "store/import_progress.h"

TDImportProgress* TDImportWindowRestorer::restoreLibraryFromBackupAtPath(const QString& path) {
    TDImportWindowController& window = TDImportWindowController::sharedController(m_manager, m_prompter);
    window.restoreLibraryFromBackupAtPath(path);
    return window.progress().isShown() ? &window.progress() : nullptr;
}
