#pragma once

#include "foundation/application_delegate.h"

#include <QList>
#include <QPair>

namespace testsupport {

// Records what the model and the store hand to the application shell; recovers from nothing.
class RecordingAppDelegate : public TDApplicationDelegate {
public:
    void handleError(const std::optional<TDError>& error, const QString& message) override {
        if (error) errors.append({*error, message});
    }
    bool attemptRecoveryFromError(const TDError& error, int optionIndex) override {
        recoveries.append({error.code, optionIndex});
        return false;
    }

    QList<QPair<TDError, QString>> errors;
    // The error code and the option chosen.
    QList<QPair<int, int>> recoveries;
};

}  // namespace testsupport
