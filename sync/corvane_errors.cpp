#include "sync/corvane_errors.h"

#include "foundation/application_delegate.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

class AppDelegateRecoveryAttempter final : public TDErrorRecoveryAttempter {
public:
    bool attemptRecovery(const TDError& error, int optionIndex) override {
        return TDAppDelegate().attemptRecoveryFromError(error, optionIndex);
    }
};

QString tr(const char* text) {
    return QCoreApplication::translate("TDCorvaneOperation", text);
}

TDError syncError(int code, const QString& description, const QString& reason, const QString& suggestion) {
    TDError error = TDError::make(code, description, suggestion);
    if (!reason.isEmpty()) error.userInfo.insert(TDFailureReasonKey, reason);
    return error;
}

// Errors the user must act on: they offer the sync preferences or signing out, and the application
// delegate carries the choice out.
TDError important(TDError error, bool withRecovery) {
    error.userInfo.insert(TDSyncImportantError, true);
    if (withRecovery) {
        error.recoveryOptions = {tr("Sync Preferences…"), tr("Sign Out")};
        error.recoveryAttempter = std::make_shared<AppDelegateRecoveryAttempter>();
    }
    return error;
}

QVariantMap wrapped(const TDError& error) {
    QVariantMap map;
    map.insert(QStringLiteral("domain"), error.domain);
    map.insert(QStringLiteral("code"), error.code);
    map.insert(QStringLiteral("description"), error.description);
    map.insert(QStringLiteral("userInfo"), error.userInfo);
    return map;
}

QString statusText(int status) {
    switch (status) {
        case 400:
            return QStringLiteral("bad request");
        case 403:
            return QStringLiteral("forbidden");
        case 404:
            return QStringLiteral("not found");
        case 405:
            return QStringLiteral("method not allowed");
        case 500:
            return QStringLiteral("internal server error");
        case 502:
            return QStringLiteral("bad gateway");
        case 504:
            return QStringLiteral("gateway timed out");
        default:
            break;
    }
    if (status >= 500) return QStringLiteral("server error");
    if (status >= 400) return QStringLiteral("client error");
    if (status >= 300) return QStringLiteral("redirected");
    if (status >= 200) return QStringLiteral("no error");
    return QStringLiteral("no response");
}

}  // namespace

TDError corvaneConnectionError(TDConnectionErrorCode code, const QString& description,
                               const QString& failingURL) {
    TDError error = TDError::make(code, description);
    error.domain = TDConnectionErrorDomain;
    error.userInfo.insert(TDFailingURLKey, failingURL);
    return error;
}

TDError corvaneUnexpectedServerError(int status, const std::optional<TDError>& underlying) {
    TDError error = syncError(TDCorvaneErrorUnexpected, tr("Unexpected server error"), {},
                              tr("Server response: %1 (%2)").arg(statusText(status)).arg(status));
    if (underlying) error.userInfo.insert(TDUnderlyingErrorKey, wrapped(*underlying));
    return error;
}

TDError corvaneCommunicationError(const TDError& connectionError) {
    TDError error = syncError(TDCorvaneErrorCommunication, tr("Problem communicating with the sync server"),
                              {}, connectionError.description);
    error.userInfo.insert(TDUnderlyingErrorKey, wrapped(connectionError));
    return error;
}

TDError corvaneAuthenticationError() {
    return important(syncError(TDCorvaneErrorAuthentication, tr("Username or password is wrong"), {},
                               tr("Please make sure your username and password are correct.")),
                     true);
}

TDError corvaneLibraryLockedError() {
    return syncError(TDCorvaneErrorLibraryLocked, tr("Sync failed"),
                     tr("The library on the server is locked by another sync session."),
                     tr("You have another sync still in progress. Try again in a little bit."));
}

TDError corvaneLibraryProcessingError() {
    return syncError(TDCorvaneErrorLibraryProcessing, tr("Sync failed"),
                     tr("The library on the server is being processed."),
                     tr("The library on the server is being processed. Try again in a little bit."));
}

TDError corvaneFullSyncRequiredError() {
    return important(syncError(TDCorvaneErrorFullSyncRequired, tr("Full sync required"),
                               tr("Full sync required."), tr("Please perform a full sync.")),
                     true);
}

TDError corvaneMaintenanceError() {
    return syncError(
        TDCorvaneErrorMaintenance, tr("Sync Service under maintenance"),
        tr("The sync service server is currently under maintenance."),
        tr("The sync service server is currently under maintenance. Try again in about an hour."));
}

TDError corvaneRequestTooBigError() {
    return TDError::make(TDCorvaneErrorRequestTooBig, tr("Request is too big."));
}

TDError corvaneVersionTooOldError() {
    return important(
        syncError(TDCorvaneErrorVersionTooOld, tr("Sync failed"), tr("This version is too old to sync."),
                  tr("This version is no longer compatible with Ordello Sync Service. Please update "
                     "the app to continue syncing.")),
        false);
}

TDError corvaneKeychainError(const QString& failureReason, const QString& recoverySuggestion) {
    return syncError(TDCorvaneErrorKeychain, tr("Could not access Keychain"), failureReason,
                     recoverySuggestion);
}

TDError corvaneMalformedAnswerError(int status, const QString& field, const QString& problem) {
    TDError error = corvaneUnexpectedServerError(status);
    error.userInfo.insert(TDCorvaneAnswerFieldKey, field);
    error.userInfo.insert(TDFailureReasonKey, problem);
    return error;
}

std::optional<TDError> corvaneErrorFromExchange(const std::optional<TDError>& connectionError, int status,
                                                const QByteArray& body) {
    if (!connectionError && status < 400) return std::nullopt;
    if (status == 0) return corvaneCommunicationError(*connectionError);
    if (status == 401) return corvaneAuthenticationError();
    int code = 0;
    if (!body.isEmpty()) {
        const QJsonDocument document = QJsonDocument::fromJson(body);
        code = document.object().value(QStringLiteral("code")).toInt();
    }
    switch (status) {
        case 403:
            if (code == 40301) return corvaneVersionTooOldError();
            if (code == 40302) return corvaneLibraryProcessingError();
            return corvaneUnexpectedServerError(status);
        case 409:
            return corvaneLibraryLockedError();
        case 410:
            return corvaneFullSyncRequiredError();
        case 503:
            return corvaneMaintenanceError();
        default:
            return corvaneUnexpectedServerError(status, connectionError);
    }
}

bool isImportantSyncError(const TDError& error) {
    return error.userInfo.value(TDSyncImportantError).toBool();
}

QString failureReason(const TDError& error) {
    return error.userInfo.value(TDFailureReasonKey).toString();
}

std::optional<TDError> underlyingError(const TDError& error) {
    const QVariantMap map = error.userInfo.value(TDUnderlyingErrorKey).toMap();
    if (map.isEmpty()) return std::nullopt;
    TDError underlying;
    underlying.domain = map.value(QStringLiteral("domain")).toString();
    underlying.code = map.value(QStringLiteral("code")).toInt();
    underlying.description = map.value(QStringLiteral("description")).toString();
    underlying.userInfo = map.value(QStringLiteral("userInfo")).toMap();
    return underlying;
}
