#pragma once

#include "platform/base/error.h"

#include <QString>

#include <optional>

// How the user answered a presented error: the option chosen (-1 when none was shown) and whether the
// recovery attempter recovered from the error.
struct TDErrorPresentation {
    int optionIndex = -1;
    bool recovered = false;
};

// What the model and the store ask of the application shell. Until the shell exists the program
// installs the default delegate, which logs errors; tests install one that records what it is given.
class TDErrorHandler {
public:
    virtual ~TDErrorHandler() = default;
    // Nothing for no error. Logs the message at the ERROR level, then presents the error.
    virtual void handleError(const std::optional<TDError>& error, const QString& message);
    // The same as handleError for an error, from any thread, answering how the user chose. A caller
    // off the main thread waits until the user has answered.
    virtual TDErrorPresentation presentError(const TDError& error, const QString& message);
    // The recovery attempter of the opening errors; answers whether recovery succeeded.
    virtual bool attemptRecoveryFromError(const TDError& error, int optionIndex);
};

class TDApplicationDelegate : public TDErrorHandler {
public:
    // Processes pending changes, retrains the tag classifier and saves its data.
    virtual void retrainTaskClassifier() {}
    // Runs a full sync when the library's sync is on and none is running.
    virtual void fullSync() {}
    // Opens the program's help at the anchor ("repeating_tasks"); an empty anchor opens its start.
    virtual void showHelpForAnchor(const QString& anchor) { Q_UNUSED(anchor); }
};

// The delegate in use (never null). Not owned; nullptr restores the default one.
TDApplicationDelegate& TDAppDelegate();
void TDSetAppDelegate(TDApplicationDelegate* delegate);
