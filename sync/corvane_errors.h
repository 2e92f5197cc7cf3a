#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Errors of the sync service, in TDErrorDomain. Those the user must see carry TDSyncImportantError.
enum TDCorvaneErrorCode : int {
    TDCorvaneErrorUnexpected = 600,     // a status or answer the client cannot use
    TDCorvaneErrorCommunication = 601,  // no answer: refused, dropped, timed out, TLS refused
    TDCorvaneErrorAuthentication = 602,
    TDCorvaneErrorLibraryLocked = 603,      // 409
    TDCorvaneErrorLibraryProcessing = 604,  // 403 with 40302
    TDCorvaneErrorFullSyncRequired = 605,   // 410
    TDCorvaneErrorMaintenance = 607,        // 503
    TDCorvaneErrorRequestTooBig = 608,
    TDCorvaneErrorVersionTooOld = 610,  // 403 with 40301
    TDCorvaneErrorKeychain = 615,
};

inline const QString TDSyncImportantError = QStringLiteral("TDSyncImportantError");
inline const QString TDUnderlyingErrorKey = QStringLiteral("TDUnderlyingError");
inline const QString TDFailureReasonKey = QStringLiteral("TDFailureReason");
// The field of an answer that failed its check (error 600).
inline const QString TDCorvaneAnswerFieldKey = QStringLiteral("TDCorvaneAnswerField");

// Failures below HTTP: the "underlying error" of 601, and of 600 when a status came with one.
inline const QString TDConnectionErrorDomain = QStringLiteral("TDConnectionErrorDomain");
enum TDConnectionErrorCode : int {
    TDConnectionTimedOut = 1,     // no progress within the request's time-out
    TDConnectionFailed = 2,       // refused, dropped, cut short, malformed HTTP
    TDConnectionTrustFailed = 3,  // the server's certificate was not trusted
    TDConnectionNotAllowed = 4,   // a host other than this machine while testing
};
// The URL a connection error happened on (string).
inline const QString TDFailingURLKey = QStringLiteral("TDFailingURL");

TDError corvaneConnectionError(TDConnectionErrorCode code, const QString& description,
                               const QString& failingURL);

// The errors by code. Status is the HTTP status shown in 600's suggestion.
TDError corvaneUnexpectedServerError(int status, const std::optional<TDError>& underlying = std::nullopt);
TDError corvaneCommunicationError(const TDError& connectionError);
TDError corvaneAuthenticationError();
TDError corvaneLibraryLockedError();
TDError corvaneLibraryProcessingError();
TDError corvaneFullSyncRequiredError();
TDError corvaneMaintenanceError();
TDError corvaneRequestTooBigError();
TDError corvaneVersionTooOldError();
TDError corvaneKeychainError(const QString& failureReason, const QString& recoverySuggestion);
// An answer that is not what the service promises: status 200, but "field" missing, mistyped, or the
// body no JSON object. Field names the part for the log; nothing of such an answer is used.
TDError corvaneMalformedAnswerError(int status, const QString& field, const QString& problem);

// The sync error for a finished exchange, or none: status 0 means no HTTP response arrived.
std::optional<TDError> corvaneErrorFromExchange(const std::optional<TDError>& connectionError, int status,
                                                const QByteArray& body);

bool isImportantSyncError(const TDError& error);
// The failure reason, when the error has one.
QString failureReason(const TDError& error);
std::optional<TDError> underlyingError(const TDError& error);
