#pragma once

#include "platform/keychain/keychain.h"

namespace platform {

// The Secret Service of the desktop session (through libsecret): items carry the attributes "service"
// and "account". Each call talks to the service synchronously, so it may be made on any thread but
// should stay off the main thread where a keyring may ask the user to unlock it.
class SecretServiceKeychain final : public Keychain {
public:
    Result<std::optional<QString>> findPassword(const QString& service, const QString& account) override;
    Status storePassword(const QString& service, const QString& account, const QString& password) override;
    Status removePassword(const QString& service, const QString& account) override;
};

}  // namespace platform
