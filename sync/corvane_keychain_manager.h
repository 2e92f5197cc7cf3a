#pragma once

#include "platform/base/error.h"

#include <QString>

#include <optional>

namespace platform {
class Keychain;
}

// The sync account's password in the user's keychain: a generic password with the service
// "com.brisvale.ordello.syncservice" and the account = the sync user name. A keyring that cannot be
// reached or stays locked is error 615, so it is never taken for a missing password.
class TDCorvaneKeychainManager final {
public:
    static const QString kServiceName;

    explicit TDCorvaneKeychainManager(platform::Keychain& keychain);
    // The keychain of the session, or the one tests installed.
    static TDCorvaneKeychainManager defaultManager();

    // No stored item gives nullopt.
    Result<std::optional<QString>> passwordForUsername(const QString& username) const;
    Status storeUsername(const QString& username, const QString& password) const;
    Status removePasswordForUsername(const QString& username) const;

private:
    platform::Keychain& m_keychain;
};
