#include "platform/desktop/bus/instance_service.h"

#include "platform/base/log.h"
#include "platform/desktop/bus/instance_service_object.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace platform {

QString activationTokenFromEnvironment() {
    const QString wayland = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return wayland.isEmpty() ? qEnvironmentVariable("DESKTOP_STARTUP_ID") : wayland;
}

InstanceService::InstanceService(QDBusConnection connection, QObject* parent)
    : QObject(parent), m_connection(std::move(connection)), m_object(new InstanceServiceObject(*this)) {
    m_object->setParent(this);
}

InstanceService::~InstanceService() {
    if (m_claim != Claim::Owned) return;
    m_connection.unregisterObject(ObjectPath);
    m_connection.unregisterService(ServiceName);
}

InstanceService::Claim InstanceService::claim(const QStringList& arguments) {
    if (!m_connection.isConnected()) {
        m_busError = m_connection.lastError().message();
        return m_claim = Claim::NoBus;
    }
    // The object stands before the name is claimed: a call that arrives between the two finds it.
    if (!m_connection.registerObject(ObjectPath, m_object, QDBusConnection::ExportScriptableSlots)) {
        m_busError = QStringLiteral("the object path %1 is taken on this connection").arg(ObjectPath);
        return m_claim = Claim::NoBus;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        m_connection.interface()->registerService(ServiceName, QDBusConnectionInterface::DontQueueService,
                                                  QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return m_claim = Claim::Owned;
    m_connection.unregisterObject(ObjectPath);
    if (!reply.isValid()) {
        m_busError = reply.error().message();
        return m_claim = Claim::NoBus;
    }

    QList<QDBusMessage> calls;
    if (!m_quickEntry || !arguments.isEmpty()) {
        QDBusMessage open =
            QDBusMessage::createMethodCall(ServiceName, ObjectPath, InterfaceName, QStringLiteral("Open"));
        open << arguments;
        calls.append(open);
    }
    if (m_quickEntry) {
        QDBusMessage quickEntry = QDBusMessage::createMethodCall(ServiceName, ObjectPath, InterfaceName,
                                                                 QStringLiteral("QuickEntry"));
        quickEntry << m_quickEntryWithContext << m_activationToken;
        calls.append(quickEntry);
    }
    for (const QDBusMessage& call : calls) {
        const QDBusMessage answer = m_connection.call(call);
        if (answer.type() != QDBusMessage::ReplyMessage) {
            m_busError = answer.errorMessage();
            return m_claim = Claim::Unanswered;
        }
    }
    return m_claim = Claim::HandedOver;
}

void InstanceService::setQuickEntryRequest(bool withContext, const QString& activationToken) {
    m_quickEntry = true;
    m_quickEntryWithContext = withContext;
    m_activationToken = activationToken;
}

void InstanceService::logUnclaimed() const {
    if (m_claim == Claim::NoBus)
        logWithLevel(TDLogWarning, "WARNING", "No session bus, running without the desktop service: %@",
                     m_busError);
    else if (m_claim == Claim::Unanswered)
        logWithLevel(TDLogWarning, "WARNING", "The running Ordello did not take the files and links: %@",
                     m_busError);
}

void InstanceService::setTaskCreationHandler(TaskCreationHandler handler) {
    m_taskCreationHandler = std::move(handler);
}

InstanceServiceObject::InstanceServiceObject(InstanceService& service) : m_service(service) {
}

void InstanceServiceObject::Open(const QStringList& arguments) {
    if (arguments.isEmpty())
        Q_EMIT m_service.reopenRequested();
    else
        Q_EMIT m_service.openRequested(arguments);
}

void InstanceServiceObject::QuickEntry(bool withContext) {
    Q_EMIT m_service.quickEntryRequested(withContext, QString());
}

void InstanceServiceObject::QuickEntry(bool withContext, const QString& activationToken) {
    Q_EMIT m_service.quickEntryRequested(withContext, activationToken);
}

QStringList InstanceServiceObject::CreateTaskFromText(const QString& text) {
    const InstanceService::TaskCreationHandler& handler = m_service.taskCreationHandler();
    if (!handler) {
        sendErrorReply(InstanceService::TaskNotCreatedError,
                       QStringLiteral("Ordello is not ready to create tasks"));
        return {};
    }
    setDelayedReply(true);
    // The request and its connection travel with the reply, so it may come after this object is gone.
    handler(text, [request = message(), bus = connection()](const Result<QStringList>& uids) {
        bus.send(
            uids ? request.createReply(QVariant(uids.value()))
                 : request.createErrorReply(InstanceService::TaskNotCreatedError, uids.error().description));
    });
    return {};
}

}  // namespace platform
