#include "sync/corvane_sync_settings.h"

#include "foundation/string_additions.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/sync_set.h"
#include "model/uid.h"
#include "platform/base/log.h"
#include "platform/defaults/host_defaults.h"
#include "platform/defaults/user_defaults.h"

#include <QMutex>

TDCorvaneSyncSettings::TDCorvaneSyncSettings(TDLibrary* library, TDCorvaneKeychainManager keychain)
    : m_library(library), m_keychain(keychain) {
}

Result<std::unique_ptr<TDCorvaneSyncSettings>> TDCorvaneSyncSettings::make(
    TDLibrary* library, TDCorvaneKeychainManager keychain) {
    std::unique_ptr<TDCorvaneSyncSettings> settings(new TDCorvaneSyncSettings(library, keychain));
    TDSyncSet* syncSet = library ? library->corvaneSyncSet(false) : nullptr;
    settings->m_username = syncSet ? syncSet->username() : QString();
    if (settings->m_username.isEmpty()) return settings;
    auto password = keychain.passwordForUsername(settings->m_username);
    if (!password) return password.error();
    settings->m_password = password->value_or(QString());
    return settings;
}

void TDCorvaneSyncSettings::setUsername(const QString& username) {
    const QString trimmed = stringByTrimming(username);
    if (!trimmed.isEmpty() && trimmed != m_username) m_hasChanges = true;
    m_username = trimmed;
}

void TDCorvaneSyncSettings::setPassword(const QString& password) {
    if (!password.isEmpty() && password != m_password) m_hasChanges = true;
    m_password = password;
}

bool TDCorvaneSyncSettings::hasEmptyUsernameOrPassword() const {
    return stringByTrimming(m_username).isEmpty() || stringByTrimming(m_password).isEmpty();
}

bool TDCorvaneSyncSettings::usernameChanged() const {
    TDSyncSet* syncSet = m_library ? m_library->corvaneSyncSet(false) : nullptr;
    return m_username != (syncSet ? syncSet->username() : QString());
}

bool TDCorvaneSyncSettings::passwordChanged() const {
    auto stored = m_keychain.passwordForUsername(m_username);
    return m_password != (stored ? stored->value_or(QString()) : QString());
}

bool TDCorvaneSyncSettings::isVerified() const {
    return !hasEmptyUsernameOrPassword() && !usernameChanged() && !passwordChanged();
}

bool TDCorvaneSyncSettings::needsFullSync() const {
    TDSyncSet* syncSet = m_library ? m_library->corvaneSyncSet(false) : nullptr;
    return !syncSet || !syncSet->lastSyncDate().isValid();
}

Status TDCorvaneSyncSettings::p_replaceSyncSet() {
    platform::ManagedObjectContext* context =
        m_library ? m_library->corvaneSyncSetManagedObjectContext() : nullptr;
    if (!context)
        return TDError::make(TDErrorLibraryCannotOpen, QStringLiteral("The library has no sync journal."));
    TDSyncSet* old = m_library->corvaneSyncSet(false);
    if (old) context->deleteObject(old);
    auto* fresh = context->template insertObject<TDSyncSet>(QStringLiteral("SyncSet"));
    fresh->setSyncType(QStringLiteral("corvane"));
    fresh->setUsername(m_username);
    const Status saved = context->save();
    if (!saved) {
        context->rollback();
        m_library->setCorvaneSyncSet(nullptr);
        logWithLevel(TDLogError, "ERROR", "Could not save Corvane Sync Set after changing the username");
        return saved;
    }
    m_library->setCorvaneSyncSet(fresh);
    return {};
}

Status TDCorvaneSyncSettings::commitChanges() {
    if (!m_hasChanges) return {};
    const bool newUser = usernameChanged();
    auto previous = m_keychain.passwordForUsername(m_username);
    if (!previous) return previous.error();
    if (Status stored = m_keychain.storeUsername(m_username, m_password); !stored) return stored;
    if (!newUser) return {};
    if (Status replaced = p_replaceSyncSet(); !replaced) {
        // The keychain goes back to what it held, so a failed sign-in leaves no trace.
        const Status restored = *previous ? m_keychain.storeUsername(m_username, **previous)
                                          : m_keychain.removePasswordForUsername(m_username);
        if (!restored)
            logWithLevel(TDLogError, "ERROR", "Could not restore the keychain: %@",
                         restored.error().description);
        return replaced;
    }
    return {};
}

QString TDCorvaneSyncSettings::syncNodeID() {
    static QMutex mutex;
    QMutexLocker lock(&mutex);
    platform::UserDefaults& host = platform::hostUserDefaults();
    QString nodeID = host.string(QStringLiteral("syncNodeID"));
    if (nodeID.isEmpty()) {
        nodeID = TDNewUID();
        host.setValue(QStringLiteral("syncNodeID"), nodeID);
        host.synchronize();
    }
    return nodeID;
}
