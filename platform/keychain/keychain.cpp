#include "platform/keychain/keychain.h"

#include "platform/keychain/secret_service_keychain.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<Keychain*> g_installed{nullptr};
}

Keychain& Keychain::standard() {
    if (Keychain* installed = g_installed.load()) return *installed;
    static SecretServiceKeychain shared;
    return shared;
}

void Keychain::setStandard(Keychain* keychain) {
    g_installed.store(keychain);
}

TDError keychainError(KeychainError code, const QString& reason) {
    TDError error;
    error.domain = KeychainErrorDomain;
    error.code = code;
    error.description = reason;
    return error;
}

}  // namespace platform
