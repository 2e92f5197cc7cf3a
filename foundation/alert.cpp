#include "foundation/alert.h"

TDAlert alertWithOrdelloError(const TDError& error) {
    TDAlert alert;
    alert.messageText = error.description;
    alert.informativeText = error.recoverySuggestion;
    alert.buttons =
        error.recoveryOptions.isEmpty() ? QStringList{QStringLiteral("OK")} : error.recoveryOptions;
    alert.accessoryViewController = qvariant_cast<QObject*>(error.userInfo.value(TDAccessoryViewController));
    return alert;
}

bool presentError(const TDError& error, TDAlertPrompter& prompter) {
    const TDAlert alert = alertWithOrdelloError(error);
    const int chosen = prompter.runModal(alert);
    if (!error.recoveryAttempter || error.recoveryOptions.isEmpty() || chosen < 0 ||
        chosen >= error.recoveryOptions.size())
        return false;
    return error.recoveryAttempter->attemptRecovery(error, chosen);
}
