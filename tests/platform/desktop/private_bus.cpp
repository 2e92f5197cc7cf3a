#include "tests/platform/desktop/private_bus.h"

#include "tests/support/test_environment.h"

#include <QDBusConnectionInterface>

namespace testsupport {

PrivateBus::PrivateBus() {
    m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                   QStringLiteral("--print-address")});
    if (!m_daemon.waitForStarted()) return;
    spinUntil([this] { return m_daemon.canReadLine() || m_daemon.state() == QProcess::NotRunning; });
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    for (const QString& name : m_connectionNames) QDBusConnection::disconnectFromBus(name);
    m_daemon.terminate();
    m_daemon.waitForFinished();
}

QDBusConnection PrivateBus::connect(const QString& name) {
    m_connectionNames.append(name);
    return QDBusConnection::connectToBus(m_address, name);
}

void PrivateBus::roundTrip(QDBusConnection& connection) {
    connection.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus"));
}

}  // namespace testsupport
