#pragma once

#include "platform/base/error.h"
#include "sync/corvane_keychain_manager.h"

#include <QString>

#include <memory>

class TDLibrary;

// The sync account of one library: the user name lives in the library's sync set, the password in the
// keychain. Edited, then committed as a whole. Made per use on the thread that needs it.
class TDCorvaneSyncSettings final {
public:
    // Reads the user name and, when there is one, its password. A keychain that cannot answer is 615:
    // no settings, rather than an empty password that would later read as a wrong one.
    static Result<std::unique_ptr<TDCorvaneSyncSettings>> make(
        TDLibrary* library, TDCorvaneKeychainManager keychain = TDCorvaneKeychainManager::defaultManager());

    TDLibrary* library() const { return m_library; }
    QString username() const { return m_username; }
    QString password() const { return m_password; }
    bool hasChanges() const { return m_hasChanges; }

    // Trimmed; a non-empty name other than the current one marks a change.
    void setUsername(const QString& username);
    // As given; a non-empty password other than the current one marks a change.
    void setPassword(const QString& password);

    bool hasEmptyUsernameOrPassword() const;
    bool usernameChanged() const;
    bool passwordChanged() const;
    bool isVerified() const;
    // The library has never synced with this account.
    bool needsFullSync() const;

    // Nothing without changes. Stores the password first: a keychain that refuses it fails the commit
    // (615) with the library untouched. A new user name then gets a new, empty sync set; when that cannot
    // be saved the keychain is put back as it was and the commit fails.
    Status commitChanges();

    // This machine's node id: a UID kept in the per-host settings under "syncNodeID", made on first use.
    static QString syncNodeID();

private:
    TDCorvaneSyncSettings(TDLibrary* library, TDCorvaneKeychainManager keychain);
    Status p_replaceSyncSet();

    TDLibrary* m_library;
    TDCorvaneKeychainManager m_keychain;
    QString m_username;
    QString m_password;
    bool m_hasChanges = false;
};
