#pragma once

#include "platform/keychain/keychain.h"

#include <QString>

namespace platform {
class UserDefaults;
}

namespace synctest {

class LoopbackSyncServer;

// The tests' account. The password has characters that need care in a header, a URL and a log, one
// outside ASCII.
inline const QString kUser = QStringLiteral("alice");
inline const QString kPassword = QStringLiteral("pa:ss wörd+/=&");
inline const QString kEmail = QStringLiteral("alice@example.com");

// Opens the tests' account on the service and points the user defaults' service address at it.
void serveTestAccount(LoopbackSyncServer& server, platform::UserDefaults& defaults);

// Installs a keyring as the desktop's for its own lifetime.
class StandardKeychainScope {
public:
    explicit StandardKeychainScope(platform::Keychain& keychain) {
        platform::Keychain::setStandard(&keychain);
    }
    ~StandardKeychainScope() { platform::Keychain::setStandard(nullptr); }
    StandardKeychainScope(const StandardKeychainScope&) = delete;
    StandardKeychainScope& operator=(const StandardKeychainScope&) = delete;
};

}  // namespace synctest
