#include "platform/desktop/bus/instance_service.h"

#include "platform/base/log.h"
#include "platform/desktop/bus/instance_service_object.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>

#include <unistd.h>

#include <memory>

namespace platform {

QString activationTokenFromEnvironment() {
    const QString wayland = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    return wayland.isEmpty() ? qEnvironmentVariable("DESKTOP_STARTUP_ID") : wayland;
}

namespace {
const QString kIntrospectable = QStringLiteral("org.freedesktop.DBus.Introspectable");

const char kServiceInterfaceXml[] =
    "  <interface name=\"com.vantorel.Ordello\">\n"
    "    <method name=\"Open\">\n"
    "      <arg name=\"arguments\" type=\"as\" direction=\"in\"/>\n"
    "    </method>\n"
    "    <method name=\"QuickEntry\">\n"
    "      <arg name=\"withContext\" type=\"b\" direction=\"in\"/>\n"
    "    </method>\n"
    "    <method name=\"QuickEntry\">\n"
    "      <arg name=\"withContext\" type=\"b\" direction=\"in\"/>\n"
    "      <arg name=\"activationToken\" type=\"s\" direction=\"in\"/>\n"
    "    </method>\n"
    "    <method name=\"CreateTaskFromText\">\n"
    "      <arg name=\"text\" type=\"s\" direction=\"in\"/>\n"
    "      <arg name=\"uids\" type=\"as\" direction=\"out\"/>\n"
    "    </method>\n"
    "  </interface>\n";

// A subtree's object behind the check of the caller.
class GuardedSubtree final : public QDBusVirtualObject {
public:
    GuardedSubtree(InstanceService& service, QDBusVirtualObject* object)
        : QDBusVirtualObject(&service), m_service(service), m_object(object) {}

    QString introspect(const QString& path) const override { return m_object->introspect(path); }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() == kIntrospectable) return false;
        if (!m_service.acceptsCaller(message, connection)) return true;
        return m_object->handleMessage(message, connection);
    }

private:
    InstanceService& m_service;
    QDBusVirtualObject* m_object;
};
}  // namespace

InstanceService::InstanceService(QDBusConnection connection, QObject* parent)
    : QObject(parent), m_connection(std::move(connection)), m_object(new InstanceServiceObject(*this)) {
    m_object->setParent(this);
}

InstanceService::~InstanceService() {
    if (m_claim != Claim::Owned) return;
    for (const QString& name : std::as_const(m_subtrees))
        m_connection.unregisterObject(ObjectPath + QLatin1Char('/') + name);
    m_connection.unregisterObject(ObjectPath);
    m_connection.unregisterService(ServiceName);
}

InstanceService::Claim InstanceService::claim(const QStringList& arguments) {
    if (!m_connection.isConnected()) {
        m_busError = m_connection.lastError().message();
        return m_claim = Claim::NoBus;
    }
    // The object stands before the name is claimed: a call that arrives between the two finds it.
    if (!m_connection.registerVirtualObject(ObjectPath, m_object, QDBusConnection::SingleNode)) {
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

bool InstanceService::registerSubtree(const QString& name, QDBusVirtualObject* object) {
    if (m_claim != Claim::Owned || m_subtrees.contains(name)) return false;
    auto* guarded = new GuardedSubtree(*this, object);
    guarded->setObjectName(name);
    if (!m_connection.registerVirtualObject(ObjectPath + QLatin1Char('/') + name, guarded,
                                            QDBusConnection::SubPath)) {
        delete guarded;
        return false;
    }
    m_subtrees.append(name);
    return true;
}

void InstanceService::unregisterSubtree(const QString& name) {
    if (!m_subtrees.removeOne(name)) return;
    m_connection.unregisterObject(ObjectPath + QLatin1Char('/') + name, QDBusConnection::UnregisterTree);
    delete findChild<GuardedSubtree*>(name, Qt::FindDirectChildrenOnly);
}

bool InstanceService::acceptsCaller(const QDBusMessage& message, const QDBusConnection& connection) {
    const QString sender = message.service();
    auto known = m_callerIsThisUser.constFind(sender);
    if (known == m_callerIsThisUser.constEnd()) {
        // The session bus admits only its user; a bus that admits more still stops the others here.
        const QDBusReply<uint> uid = connection.interface()->serviceUid(sender);
        known = m_callerIsThisUser.insert(sender, uid.isValid() && uid.value() == ::getuid());
    }
    if (*known) return true;
    connection.send(message.createErrorReply(AccessDeniedError,
                                             QStringLiteral("Ordello answers only its own user's programs")));
    return false;
}

InstanceServiceObject::InstanceServiceObject(InstanceService& service) : m_service(service) {
}

QString InstanceServiceObject::introspect(const QString& path) const {
    QString xml = QLatin1String(kServiceInterfaceXml);
    if (QDBusVirtualObject* extra = m_service.extraInterfaces()) xml += extra->introspect(path);
    return xml;
}

bool InstanceServiceObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    if (message.interface() == kIntrospectable) return false;
    if (!m_service.acceptsCaller(message, connection)) return true;
    const bool ownInterface =
        message.interface() == InstanceService::InterfaceName ||
        (message.interface().isEmpty() && (message.member() == QLatin1String("Open") ||
                                           message.member() == QLatin1String("CreateTaskFromText") ||
                                           message.member() == QLatin1String("QuickEntry")));
    if (ownInterface && message.member() == QLatin1String("Open")) {
        p_open(message, connection);
        return true;
    }
    if (ownInterface && message.member() == QLatin1String("QuickEntry")) {
        p_quickEntry(message, connection);
        return true;
    }
    if (ownInterface && message.member() == QLatin1String("CreateTaskFromText")) {
        p_createTaskFromText(message, connection);
        return true;
    }
    if (QDBusVirtualObject* extra = m_service.extraInterfaces(); extra && !ownInterface)
        return extra->handleMessage(message, connection);
    connection.send(message.createErrorReply(QDBusError::UnknownMethod,
                                             QStringLiteral("No method %1 here").arg(message.member())));
    return true;
}

void InstanceServiceObject::p_open(const QDBusMessage& message, const QDBusConnection& connection) {
    if (message.signature() != QLatin1String("as")) {
        connection.send(message.createErrorReply(QDBusError::InvalidArgs,
                                                 QStringLiteral("Open takes an array of strings")));
        return;
    }
    const QStringList arguments = message.arguments().constFirst().toStringList();
    connection.send(message.createReply());
    if (arguments.isEmpty())
        Q_EMIT m_service.reopenRequested();
    else
        Q_EMIT m_service.openRequested(arguments);
}

void InstanceServiceObject::p_quickEntry(const QDBusMessage& message, const QDBusConnection& connection) {
    const QString signature = message.signature();
    if (signature != QLatin1String("b") && signature != QLatin1String("bs")) {
        connection.send(message.createErrorReply(
            QDBusError::InvalidArgs, QStringLiteral("QuickEntry takes a boolean and an optional token")));
        return;
    }
    const QList<QVariant> arguments = message.arguments();
    connection.send(message.createReply());
    Q_EMIT m_service.quickEntryRequested(arguments.constFirst().toBool(),
                                         arguments.size() > 1 ? arguments.at(1).toString() : QString());
}

void InstanceServiceObject::p_createTaskFromText(const QDBusMessage& message,
                                                 const QDBusConnection& connection) {
    if (message.signature() != QLatin1String("s")) {
        connection.send(message.createErrorReply(QDBusError::InvalidArgs,
                                                 QStringLiteral("CreateTaskFromText takes a string")));
        return;
    }
    const InstanceService::TaskCreationHandler& handler = m_service.taskCreationHandler();
    if (!handler) {
        connection.send(message.createErrorReply(InstanceService::TaskNotCreatedError,
                                                 QStringLiteral("Ordello is not ready to create tasks")));
        return;
    }
    // The request and its connection travel with the reply, so it may come after this object is gone.
    handler(message.arguments().constFirst().toString(),
            [request = message, bus = connection](const Result<QStringList>& uids) {
                bus.send(uids ? request.createReply(QVariant(uids.value()))
                              : request.createErrorReply(InstanceService::TaskNotCreatedError,
                                                         uids.error().description));
            });
}

}  // namespace platform
