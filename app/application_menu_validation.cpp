#include "app/application_menu_validation.h"

bool TDIsApplicationCommandEnabled(TDApplicationCommand command, const TDApplicationMenuState& state) {
    if (state.upgradingAfterLibraryLoadError) return false;
    // Commands that need the main window may bring it up when it is away.
    const bool mainWindowAvailable = state.mainWindowKey || !state.mainWindowVisible;
    switch (command) {
        case TDApplicationCommand::Print:
            return state.mainWindowKey && state.tasksShown;
        case TDApplicationCommand::GotoGroup:
        case TDApplicationCommand::ToggleDisplayMode:
        case TDApplicationCommand::FixLibrary:
        case TDApplicationCommand::RevealLibrary:
            return mainWindowAvailable;
        case TDApplicationCommand::BackupLibrary:
        case TDApplicationCommand::RestoreLibrary:
        case TDApplicationCommand::ImportXML:
            return !state.sheetInFront && !state.restoringLibrary;
        case TDApplicationCommand::Sync:
            return !state.sheetInFront && state.syncEnabled && !state.syncing;
        case TDApplicationCommand::FullSync:
        case TDApplicationCommand::Help:
        case TDApplicationCommand::WebPage:
        case TDApplicationCommand::FullScreen:
        case TDApplicationCommand::ToggleTaskCount:
        case TDApplicationCommand::Debug:
        case TDApplicationCommand::Preferences:
        case TDApplicationCommand::About:
        case TDApplicationCommand::Support:
            return true;
    }
    return true;
}
