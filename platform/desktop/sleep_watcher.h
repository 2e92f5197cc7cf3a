#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>

class QDBusError;
class QDBusMessage;

namespace platform {

// The computer going to sleep and waking, from the login manager on the system bus. While awake it
// holds a delay lock, so that sleep waits until willSleep's handlers (the save) have returned. Without
// the bus or the login manager nothing is signalled.
class SleepWatcher final : public QObject {
    Q_OBJECT
public:
    static inline const QString LoginService = QStringLiteral("org.freedesktop.login1");
    static inline const QString LoginPath = QStringLiteral("/org/freedesktop/login1");
    static inline const QString LoginInterface = QStringLiteral("org.freedesktop.login1.Manager");

    explicit SleepWatcher(QDBusConnection connection = QDBusConnection::systemBus(),
                          QObject* parent = nullptr);

    bool isWatching() const { return m_watching; }
    bool holdsSleepDelay() const { return m_sleepDelay.isValid(); }

Q_SIGNALS:
    void willSleep();
    void didWake();

private Q_SLOTS:
    void p_prepareForSleep(bool sleeping);
    void p_sleepDelayTaken(const QDBusMessage& reply);
    void p_sleepDelayRefused(const QDBusError& error);

private:
    void p_takeSleepDelay();

    QDBusConnection m_connection;
    QDBusUnixFileDescriptor m_sleepDelay;
    bool m_watching = false;
};

}  // namespace platform
