#include "platform/desktop/launcher_badge.h"

#include <QDBusMessage>
#include <QVariantMap>

namespace platform {

LauncherBadge::LauncherBadge(QDBusConnection connection) : m_connection(std::move(connection)) {
}

void LauncherBadge::setCount(qint64 count) {
    if (m_sentCount == count || !m_connection.isConnected()) return;
    QDBusMessage update = QDBusMessage::createSignal(ObjectPath, Interface, QStringLiteral("Update"));
    update << ApplicationURI
           << QVariantMap{{QStringLiteral("count"), count}, {QStringLiteral("count-visible"), count != 0}};
    if (m_connection.send(update)) m_sentCount = count;
}

}  // namespace platform
