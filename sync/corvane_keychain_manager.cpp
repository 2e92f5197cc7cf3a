#include "sync/corvane_keychain_manager.h"

#include "platform/base/log.h"
#include "platform/keychain/keychain.h"
#include "sync/corvane_errors.h"

#include <QCoreApplication>

const QString TDCorvaneKeychainManager::kServiceName = QStringLiteral("com.brisvale.ordello.syncservice");

namespace {
TDError keychain615(const TDError& keychainError) {
    const QString suggestion =
        keychainError.code == platform::KeychainErrorLocked
            ? QCoreApplication::translate(
                  "TDCorvaneSyncSettings",
                  "Ordello does not have permission to retrieve your sync account password "
                  "from Keychain.")
            : QCoreApplication::translate(
                  "TDCorvaneSyncSettings",
                  "Make sure a keyring (Secret Service) is running and unlocked in your "
                  "session, then try again.");
    TDError error = corvaneKeychainError(keychainError.description, suggestion);
    error.userInfo.insert(TDUnderlyingErrorKey,
                          QVariantMap{{QStringLiteral("domain"), keychainError.domain},
                                      {QStringLiteral("code"), keychainError.code},
                                      {QStringLiteral("description"), keychainError.description}});
    return error;
}
}  // namespace

TDCorvaneKeychainManager::TDCorvaneKeychainManager(platform::Keychain& keychain) : m_keychain(keychain) {
}

TDCorvaneKeychainManager TDCorvaneKeychainManager::defaultManager() {
    return TDCorvaneKeychainManager(platform::Keychain::standard());
}

Result<std::optional<QString>> TDCorvaneKeychainManager::passwordForUsername(const QString& username) const {
    if (username.isEmpty()) return std::optional<QString>();
    auto found = m_keychain.findPassword(kServiceName, username);
    if (!found) {
        logWithLevel(TDLogError, "ERROR", "Could not read the sync password from the keychain: %@",
                     found.error().description);
        return keychain615(found.error());
    }
    return *found;
}

Status TDCorvaneKeychainManager::storeUsername(const QString& username, const QString& password) const {
    const Status stored = m_keychain.storePassword(kServiceName, username, password);
    if (!stored) {
        logWithLevel(TDLogError, "ERROR", "Could not store the sync password in the keychain: %@",
                     stored.error().description);
        return keychain615(stored.error());
    }
    return {};
}

Status TDCorvaneKeychainManager::removePasswordForUsername(const QString& username) const {
    const Status removed = m_keychain.removePassword(kServiceName, username);
    if (!removed) return keychain615(removed.error());
    return {};
}
