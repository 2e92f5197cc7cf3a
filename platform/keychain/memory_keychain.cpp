#include "platform/keychain/memory_keychain.h"

namespace platform {

Status MemoryKeychain::p_accessible() const {
    switch (m_state) {
        case State::Open:
            return {};
        case State::Locked:
            return keychainError(KeychainErrorLocked, QStringLiteral("The keyring is locked."));
        case State::Unavailable:
            return keychainError(KeychainErrorUnavailable, QStringLiteral("No keyring is available."));
    }
    return {};
}

Result<std::optional<QString>> MemoryKeychain::findPassword(const QString& service, const QString& account) {
    QMutexLocker lock(&m_mutex);
    if (Status accessible = p_accessible(); !accessible) return accessible.error();
    const auto it = m_items.constFind({service, account});
    if (it == m_items.cend()) return std::optional<QString>();
    return std::optional<QString>(*it);
}

Status MemoryKeychain::storePassword(const QString& service, const QString& account,
                                     const QString& password) {
    QMutexLocker lock(&m_mutex);
    if (Status accessible = p_accessible(); !accessible) return accessible;
    m_items.insert({service, account}, password);
    return {};
}

Status MemoryKeychain::removePassword(const QString& service, const QString& account) {
    QMutexLocker lock(&m_mutex);
    if (Status accessible = p_accessible(); !accessible) return accessible;
    m_items.remove({service, account});
    return {};
}

void MemoryKeychain::setState(State state) {
    QMutexLocker lock(&m_mutex);
    m_state = state;
}

int MemoryKeychain::itemCount() const {
    QMutexLocker lock(&m_mutex);
    return static_cast<int>(m_items.size());
}

}  // namespace platform
