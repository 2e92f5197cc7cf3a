#include "platform/desktop/sleep_watcher.h"

#include "platform/base/log.h"

#include <QDBusError>
#include <QDBusMessage>

namespace platform {

SleepWatcher::SleepWatcher(QDBusConnection connection, QObject* parent)
    : QObject(parent), m_connection(std::move(connection)) {
    if (!m_connection.isConnected()) {
        logWithLevel(TDLogInfo, "INFO", "No system bus, sleep and wake go unnoticed: %@",
                     m_connection.lastError().message());
        return;
    }
    m_watching = m_connection.connect(LoginService, LoginPath, LoginInterface,
                                      QStringLiteral("PrepareForSleep"), this, SLOT(p_prepareForSleep(bool)));
    if (m_watching) p_takeSleepDelay();
}

void SleepWatcher::p_prepareForSleep(bool sleeping) {
    if (sleeping) {
        Q_EMIT willSleep();
        // Closing the lock's descriptor lets the computer sleep.
        m_sleepDelay = QDBusUnixFileDescriptor();
    } else {
        p_takeSleepDelay();
        Q_EMIT didWake();
    }
}

void SleepWatcher::p_takeSleepDelay() {
    QDBusMessage inhibit =
        QDBusMessage::createMethodCall(LoginService, LoginPath, LoginInterface, QStringLiteral("Inhibit"));
    inhibit << QStringLiteral("sleep") << QStringLiteral("Ordello")
            << QStringLiteral("Saving the library before sleep") << QStringLiteral("delay");
    m_connection.callWithCallback(inhibit, this, SLOT(p_sleepDelayTaken(QDBusMessage)),
                                  SLOT(p_sleepDelayRefused(QDBusError)));
}

void SleepWatcher::p_sleepDelayTaken(const QDBusMessage& reply) {
    m_sleepDelay = reply.arguments().value(0).value<QDBusUnixFileDescriptor>();
}

void SleepWatcher::p_sleepDelayRefused(const QDBusError& error) {
    logWithLevel(TDLogDebug, "DEBUG", "No sleep delay from the login manager: %@", error.message());
}

}  // namespace platform
