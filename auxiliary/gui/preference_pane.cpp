#include "auxiliary/gui/preference_pane.h"

void TDPreferencePane::setupPreferencePaneController(TDPreferencesController&) {
}

bool TDPreferencePane::shouldOrderOutPreferencePane(TDPreferencesController&, std::function<void()>) {
    return true;
}

bool TDPreferencePane::canSwitchOutPreferencePane(TDPreferencesController&) {
    return true;
}
