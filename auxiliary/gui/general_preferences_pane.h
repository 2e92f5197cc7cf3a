#pragma once

#include "auxiliary/gui/application_preferences.h"
#include "auxiliary/gui/preference_pane.h"

#include <memory>

// The General pane: the everyday settings (the launcher badge, tag suggestions, card animation, what
// Ctrl+W closes, the completion pop-up's delay, notes shown open) and Reset Preferences. Every control
// shows its setting as it is now, also when something else changes it.
class TDGeneralPreferencesController final : public TDPreferencePane {
public:
    explicit TDGeneralPreferencesController(TDPreferencesContext context);
    ~TDGeneralPreferencesController() override;

    QWidget* view() override;
    QString helpAnchor() const override;

    // Asks "Reset preferences?" and resets on Reset.
    void resetPreferences();

private:
    TDPreferencesContext m_context;
    std::unique_ptr<QWidget> m_view;
};
