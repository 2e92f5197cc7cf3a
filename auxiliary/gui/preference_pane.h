#pragma once

#include <QString>

#include <functional>

class QWidget;
class TDPreferencesController;

// One pane of the preferences window. How a pane plugs in:
// - Write a class deriving from TDPreferencePane. `view()` gives the pane's widget (made once, owned by
//   the pane; the window only shows it), `helpAnchor()` the anchor its help button opens.
// - Give the application's configuration (application_preferences.cpp) an entry with the pane's
//   identifier, name, icon and a factory that makes the pane from the TDPreferencesContext. The
//   controller calls the factory the first time the pane is shown and keeps the pane while its window
//   lives.
// - Override the three optional methods only to take part in the switching; the defaults let every
//   switch and close through.
class TDPreferencePane {
public:
    virtual ~TDPreferencePane() = default;

    // The pane's widget; its size hint is the size the window takes for it.
    virtual QWidget* view() = 0;
    // The help page anchor ("prefs_general").
    virtual QString helpAnchor() const = 0;

    // Sent every time the pane is about to be shown.
    virtual void setupPreferencePaneController(TDPreferencesController& controller);
    // Asked before the pane is switched away or the window closes. False defers: the window stays as it
    // is, and the pane may call `retry` later (once it is ready) to repeat the switch or the close.
    virtual bool shouldOrderOutPreferencePane(TDPreferencesController& controller,
                                              std::function<void()> retry);
    // False offers only this pane in the toolbar until it answers true again.
    virtual bool canSwitchOutPreferencePane(TDPreferencesController& controller);
};
