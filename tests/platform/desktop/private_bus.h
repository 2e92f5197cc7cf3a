#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

namespace testsupport {

// A session bus of the test's own (dbus-daemon), so that tests never meet the desktop's.
class PrivateBus final {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    // A new connection to the bus under its own name, closed with the bus.
    QDBusConnection connect(const QString& name);
    // Returns once the bus has handled everything the connection sent before, match rules among them.
    static void roundTrip(QDBusConnection& connection);

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_connectionNames;
};

}  // namespace testsupport
