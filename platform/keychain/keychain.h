#pragma once

#include "platform/base/error.h"

#include <QString>

#include <optional>

namespace platform {

inline const QString KeychainErrorDomain = QStringLiteral("KeychainErrorDomain");
enum KeychainError : int {
    KeychainErrorUnavailable = 1,  // no secret service answers (no keyring daemon, no session bus)
    KeychainErrorLocked = 2,       // the keyring is locked and could not be unlocked without the user
    KeychainErrorFailed = 3,       // any other refusal
};

// Generic passwords of the user, found by service and account. A missing item is no error: the lookup
// answers no password. Anything that keeps the keyring from answering is an error, so a caller never
// takes a locked keyring for an empty password.
class Keychain {
public:
    virtual ~Keychain() = default;

    virtual Result<std::optional<QString>> findPassword(const QString& service, const QString& account) = 0;
    // Replaces the item's password, or adds the item.
    virtual Status storePassword(const QString& service, const QString& account, const QString& password) = 0;
    virtual Status removePassword(const QString& service, const QString& account) = 0;

    // The keychain of this user's session; tests may install their own (not owned; nullptr restores).
    static Keychain& standard();
    static void setStandard(Keychain* keychain);
};

TDError keychainError(KeychainError code, const QString& reason);

}  // namespace platform
