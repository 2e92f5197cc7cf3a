#pragma once

#include <QDBusConnection>

#include <optional>

namespace platform {

// The count on the program's launcher icon, sent as the launcher-entry signal that docks and task
// managers listen to. Without a bus nothing is sent.
class LauncherBadge final {
public:
    static inline const QString ApplicationURI = QStringLiteral("application://ordello.desktop");
    static inline const QString ObjectPath = QStringLiteral("/com/vantorel/Ordello/LauncherEntry");
    static inline const QString Interface = QStringLiteral("com.canonical.Unity.LauncherEntry");

    explicit LauncherBadge(QDBusConnection connection = QDBusConnection::sessionBus());

    // A count other than 0 is shown; 0 removes the badge. An unchanged count sends nothing.
    void setCount(qint64 count);

private:
    QDBusConnection m_connection;
    std::optional<qint64> m_sentCount;
};

}  // namespace platform
