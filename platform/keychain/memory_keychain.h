#pragma once

#include "platform/keychain/keychain.h"

#include <QHash>
#include <QMutex>

namespace platform {

// A keychain in memory, for tests: it can also play a keyring that is locked or not there at all.
class MemoryKeychain final : public Keychain {
public:
    enum class State { Open, Locked, Unavailable };

    Result<std::optional<QString>> findPassword(const QString& service, const QString& account) override;
    Status storePassword(const QString& service, const QString& account, const QString& password) override;
    Status removePassword(const QString& service, const QString& account) override;

    void setState(State state);
    int itemCount() const;

private:
    Status p_accessible() const;

    mutable QMutex m_mutex;
    State m_state = State::Open;
    QHash<QPair<QString, QString>, QString> m_items;
};

}  // namespace platform
