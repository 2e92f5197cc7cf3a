#include "auxiliary/gui/scripting_bus_objects.h"

#include "auxiliary/gui/script_bus_values.h"
#include "auxiliary/script_errors.h"
#include "auxiliary/scripting_host.h"
#include "model/group.h"
#include "model/library.h"
#include "model/task.h"
#include "platform/desktop/bus/object_path_element.h"
#include "platform/objectstore/managed_object.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusVariant>

namespace scriptbus {

namespace {
const QString kIntrospectable = QStringLiteral("org.freedesktop.DBus.Introspectable");
const QString kPeer = QStringLiteral("org.freedesktop.DBus.Peer");

const char kApplicationMethods[] =
    "    <method name=\"Save\"/>\n"
    "    <method name=\"StopTiming\"/>\n"
    "    <method name=\"PauseOrResumeTiming\"/>\n"
    "    <method name=\"Move\">\n"
    "      <arg name=\"objects\" type=\"ao\" direction=\"in\"/>\n"
    "      <arg name=\"destination\" type=\"o\" direction=\"in\"/>\n"
    "      <arg name=\"index\" type=\"i\" direction=\"in\"/>\n"
    "    </method>\n"
    "    <method name=\"Delete\">\n"
    "      <arg name=\"objects\" type=\"ao\" direction=\"in\"/>\n"
    "    </method>\n";

const char kGroupMethods[] =
    "    <method name=\"Subgroups\">\n"
    "      <arg name=\"groups\" type=\"ao\" direction=\"out\"/>\n"
    "    </method>\n"
    "    <method name=\"Tasks\">\n"
    "      <arg name=\"tasks\" type=\"ao\" direction=\"out\"/>\n"
    "    </method>\n"
    "    <method name=\"TaskProperties\">\n"
    "      <arg name=\"names\" type=\"as\" direction=\"in\"/>\n"
    "      <arg name=\"tasks\" type=\"a{sa{sv}}\" direction=\"out\"/>\n"
    "    </method>\n"
    "    <method name=\"MakeFolder\">\n"
    "      <arg name=\"title\" type=\"s\" direction=\"in\"/>\n"
    "      <arg name=\"index\" type=\"i\" direction=\"in\"/>\n"
    "      <arg name=\"folder\" type=\"o\" direction=\"out\"/>\n"
    "    </method>\n"
    "    <method name=\"MakeList\">\n"
    "      <arg name=\"title\" type=\"s\" direction=\"in\"/>\n"
    "      <arg name=\"index\" type=\"i\" direction=\"in\"/>\n"
    "      <arg name=\"list\" type=\"o\" direction=\"out\"/>\n"
    "    </method>\n"
    "    <method name=\"MakeTask\">\n"
    "      <arg name=\"properties\" type=\"a{sv}\" direction=\"in\"/>\n"
    "      <arg name=\"index\" type=\"i\" direction=\"in\"/>\n"
    "      <arg name=\"task\" type=\"o\" direction=\"out\"/>\n"
    "    </method>\n"
    "    <method name=\"Move\">\n"
    "      <arg name=\"parent\" type=\"o\" direction=\"in\"/>\n"
    "      <arg name=\"index\" type=\"i\" direction=\"in\"/>\n"
    "    </method>\n"
    "    <method name=\"Delete\"/>\n";

const char kTaskMethods[] =
    "    <method name=\"Subtasks\">\n"
    "      <arg name=\"tasks\" type=\"ao\" direction=\"out\"/>\n"
    "    </method>\n"
    "    <method name=\"MakeTask\">\n"
    "      <arg name=\"properties\" type=\"a{sv}\" direction=\"in\"/>\n"
    "      <arg name=\"index\" type=\"i\" direction=\"in\"/>\n"
    "      <arg name=\"task\" type=\"o\" direction=\"out\"/>\n"
    "    </method>\n"
    "    <method name=\"Move\">\n"
    "      <arg name=\"parent\" type=\"o\" direction=\"in\"/>\n"
    "      <arg name=\"index\" type=\"i\" direction=\"in\"/>\n"
    "    </method>\n"
    "    <method name=\"Delete\"/>\n"
    "    <method name=\"BeginTiming\"/>\n"
    "    <method name=\"AddAttachment\">\n"
    "      <arg name=\"path\" type=\"s\" direction=\"in\"/>\n"
    "    </method>\n";

const QList<TDScriptingObjects::Property>& applicationProperties() {
    static const QList<TDScriptingObjects::Property> properties = [] {
        QList<TDScriptingObjects::Property> list;
        for (const QString& name : TDScriptingObjects::specialGroupNames())
            list.append({name, QStringLiteral("o"), false});
        list.append({QStringLiteral("Selection"), QStringLiteral("ao"), true});
        list.append({QStringLiteral("SelectedGroup"), QStringLiteral("o"), true});
        list.append({QStringLiteral("TimingTask"), QStringLiteral("o"), false});
        return list;
    }();
    return properties;
}

// The one element under the subtree's path, as a UID; nothing for the subtree's own path or deeper.
std::optional<QString> uidBelow(const QString& base, const QString& path) {
    if (!path.startsWith(base + QLatin1Char('/'))) return std::nullopt;
    const QString element = path.mid(base.size() + 1);
    if (element.contains(QLatin1Char('/'))) return std::nullopt;
    return platform::nameFromObjectPathElement(element);
}

QVariantMap mapArgument(const QVariant& argument) {
    return qdbus_cast<QVariantMap>(argument);
}

// A made object's path, or its error.
template <typename T>
void replyMade(const Result<T*>& made, const QDBusMessage& message, const QDBusConnection& connection) {
    if (!made)
        replyError(message, connection, made.error());
    else
        reply(message, connection, {QVariant::fromValue(pathOf(*made))});
}

void replyStatus(const Status& status, const QDBusMessage& message, const QDBusConnection& connection) {
    if (!status)
        replyError(message, connection, status.error());
    else
        reply(message, connection);
}

bool takes(const QDBusMessage& message, const QDBusConnection& connection, const char* signature) {
    if (message.signature() == QLatin1String(signature)) return true;
    replyInvalidArguments(message, connection, QString::fromLatin1(signature));
    return false;
}
}  // namespace

// --- Every object

bool ScriptObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    if (message.interface() == kIntrospectable || message.interface() == kPeer) return false;
    const Result<TDLibraryObject*> object = target(message.path());
    if (!object) {
        replyError(message, connection, object.error());
        return true;
    }
    if (message.interface() == kPropertiesInterface) {
        p_properties(*object, message, connection);
        return true;
    }
    if (!message.interface().isEmpty() && message.interface() != m_interface) {
        connection.send(message.createErrorReply(
            QDBusError::UnknownInterface, QStringLiteral("No interface %1 here").arg(message.interface())));
        return true;
    }
    if (!call(*object, message, connection))
        connection.send(message.createErrorReply(
            QDBusError::UnknownMethod,
            QStringLiteral("No method %1 in %2").arg(message.member(), m_interface)));
    return true;
}

void ScriptObject::p_properties(TDLibraryObject* object, const QDBusMessage& message,
                                const QDBusConnection& connection) {
    const QString& member = message.member();
    const QVariantList arguments = message.arguments();
    const QString interface = arguments.isEmpty() ? QString() : arguments.constFirst().toString();
    const QString signature = member == QLatin1String("Get")   ? QStringLiteral("ss")
                              : member == QLatin1String("Set") ? QStringLiteral("ssv")
                                                               : QStringLiteral("s");
    if (message.signature() != signature) {
        replyInvalidArguments(message, connection, signature);
        return;
    }
    if (!interface.isEmpty() && interface != m_interface) {
        connection.send(message.createErrorReply(QDBusError::UnknownInterface,
                                                 QStringLiteral("No interface %1 here").arg(interface)));
        return;
    }
    if (member == QLatin1String("GetAll")) {
        QVariantMap values;
        for (const TDScriptingObjects::Property& p : properties()) {
            const Result<QVariant> value = property(object, p.name);
            if (value) values.insert(p.name, busValue(*value, p.signature));
        }
        reply(message, connection, {values});
        return;
    }
    const QString name = arguments.value(1).toString();
    const auto found =
        std::find_if(properties().cbegin(), properties().cend(),
                     [&name](const TDScriptingObjects::Property& p) { return p.name == name; });
    if (found == properties().cend()) {
        connection.send(message.createErrorReply(
            QDBusError::UnknownProperty, QStringLiteral("No property %1 in %2").arg(name, m_interface)));
        return;
    }
    if (member == QLatin1String("Get")) {
        const Result<QVariant> value = property(object, name);
        if (!value)
            replyError(message, connection, value.error());
        else
            reply(message, connection,
                  {QVariant::fromValue(QDBusVariant(busValue(*value, found->signature)))});
        return;
    }
    if (member != QLatin1String("Set")) {
        connection.send(
            message.createErrorReply(QDBusError::UnknownMethod, QStringLiteral("No method %1").arg(member)));
        return;
    }
    if (!found->writable) {
        connection.send(message.createErrorReply(QDBusError::PropertyReadOnly,
                                                 QStringLiteral("%1 cannot be changed").arg(name)));
        return;
    }
    const Result<QVariant> value = modelValue(m_objects, arguments.value(2));
    if (!value) {
        replyError(message, connection, value.error());
        return;
    }
    replyStatus(setProperty(object, name, *value), message, connection);
}

bool ScriptObject::callMoveOrDelete(TDLibraryObject* object, const QDBusMessage& message,
                                    const QDBusConnection& connection) {
    if (message.member() == QLatin1String("Delete")) {
        if (takes(message, connection, "")) replyStatus(m_objects.remove({object}), message, connection);
        return true;
    }
    if (message.member() != QLatin1String("Move")) return false;
    if (!takes(message, connection, "oi")) return true;
    const Result<TDLibraryObject*> destination =
        objectAt(m_objects, qvariant_cast<QDBusObjectPath>(message.arguments().constFirst()).path());
    if (!destination) {
        replyError(message, connection, destination.error());
        return true;
    }
    replyStatus(m_objects.move({object}, *destination, message.arguments().value(1).toInt()), message,
                connection);
    return true;
}

// --- The application

ApplicationObject::ApplicationObject(TDScriptingObjects& objects)
    : ScriptObject(objects, kApplicationInterface) {
}

QString ApplicationObject::introspect(const QString&) const {
    return interfaceXml(kApplicationInterface, applicationProperties(), kApplicationMethods);
}

Result<TDLibraryObject*> ApplicationObject::target(const QString&) const {
    return static_cast<TDLibraryObject*>(nullptr);
}

const QList<TDScriptingObjects::Property>& ApplicationObject::properties() const {
    return applicationProperties();
}

Result<QVariant> ApplicationObject::property(TDLibraryObject*, const QString& name) const {
    if (TDScriptingObjects::specialGroupNames().contains(name)) {
        const Result<TDGroup*> group = m_objects.specialGroup(name);
        if (!group) return group.error();
        return platform::objectVariant(*group);
    }
    if (name == QLatin1String("Selection")) return QVariant::fromValue(pathsOf(m_objects.selection()));
    if (name == QLatin1String("SelectedGroup")) return platform::objectVariant(m_objects.selectedGroup());
    return platform::objectVariant(m_objects.timingTask());
}

Status ApplicationObject::setProperty(TDLibraryObject*, const QString& name, const QVariant& value) {
    if (name == QLatin1String("Selection")) {
        const Result<QList<TDLibraryObject*>> selected = objectsAt(m_objects, value);
        if (!selected) return selected.error();
        return m_objects.setSelection(*selected);
    }
    return m_objects.setSelectedGroup(TDGroup::from(platform::managedObjectFromVariant(value)));
}

bool ApplicationObject::call(TDLibraryObject*, const QDBusMessage& message,
                             const QDBusConnection& connection) {
    const QString& member = message.member();
    if (member == QLatin1String("Save") || member == QLatin1String("StopTiming") ||
        member == QLatin1String("PauseOrResumeTiming")) {
        if (!takes(message, connection, "")) return true;
        if (member == QLatin1String("Save"))
            m_objects.save();
        else if (member == QLatin1String("StopTiming"))
            m_objects.stopTiming();
        else
            m_objects.pauseOrResumeTiming();
        reply(message, connection);
        return true;
    }
    if (member == QLatin1String("Delete")) {
        if (!takes(message, connection, "ao")) return true;
        const Result<QList<TDLibraryObject*>> objects =
            objectsAt(m_objects, message.arguments().constFirst());
        replyStatus(objects ? m_objects.remove(*objects) : Status(objects.error()), message, connection);
        return true;
    }
    if (member == QLatin1String("Move")) {
        if (!takes(message, connection, "aooi")) return true;
        const QVariantList arguments = message.arguments();
        const Result<QList<TDLibraryObject*>> objects = objectsAt(m_objects, arguments.value(0));
        const Result<TDLibraryObject*> destination =
            objectAt(m_objects, qvariant_cast<QDBusObjectPath>(arguments.value(1)).path());
        if (!objects)
            replyError(message, connection, objects.error());
        else if (!destination)
            replyError(message, connection, destination.error());
        else
            replyStatus(m_objects.move(*objects, *destination, arguments.value(2).toInt()), message,
                        connection);
        return true;
    }
    return false;
}

// --- Groups

GroupsObject::GroupsObject(TDScriptingObjects& objects) : ScriptObject(objects, kGroupInterface) {
}

QString GroupsObject::introspect(const QString& path) const {
    if (path != kGroupsPath)
        return interfaceXml(kGroupInterface, TDScriptingObjects::groupPropertyList(), kGroupMethods);
    // The groups as the subtree's nodes, so that a bus browser finds them.
    QString nodes;
    if (TDLibrary* library = m_objects.host().library())
        for (const TDGroup* group : library->allGroups())
            if (!group->isDeleted())
                nodes +=
                    QStringLiteral("  <node name=\"%1\"/>\n").arg(platform::objectPathElement(group->uid()));
    return nodes;
}

Result<TDLibraryObject*> GroupsObject::target(const QString& path) const {
    const std::optional<QString> uid = uidBelow(kGroupsPath, path);
    if (!uid) return TDUnknownObjectError();
    const Result<TDGroup*> group = m_objects.group(*uid);
    if (!group) return group.error();
    return static_cast<TDLibraryObject*>(*group);
}

const QList<TDScriptingObjects::Property>& GroupsObject::properties() const {
    return TDScriptingObjects::groupPropertyList();
}

Result<QVariant> GroupsObject::property(TDLibraryObject* object, const QString& name) const {
    return m_objects.groupProperty(TDGroup::from(object), name);
}

Status GroupsObject::setProperty(TDLibraryObject* object, const QString& name, const QVariant& value) {
    return m_objects.setGroupProperty(TDGroup::from(object), name, value);
}

bool GroupsObject::call(TDLibraryObject* object, const QDBusMessage& message,
                        const QDBusConnection& connection) {
    TDGroup* group = TDGroup::from(object);
    const QString& member = message.member();
    const QVariantList arguments = message.arguments();
    if (member == QLatin1String("Subgroups") || member == QLatin1String("Tasks")) {
        if (!takes(message, connection, "")) return true;
        reply(message, connection,
              {QVariant::fromValue(member == QLatin1String("Tasks") ? pathsOf(m_objects.tasks(group))
                                                                    : pathsOf(m_objects.subgroups(group)))});
        return true;
    }
    if (member == QLatin1String("MakeFolder") || member == QLatin1String("MakeList")) {
        if (!takes(message, connection, "si")) return true;
        const QString kind =
            member == QLatin1String("MakeFolder") ? QStringLiteral("folder") : QStringLiteral("list");
        replyMade(m_objects.makeGroup(group, kind, arguments.value(0).toString(), arguments.value(1).toInt()),
                  message, connection);
        return true;
    }
    if (member == QLatin1String("MakeTask")) {
        if (!takes(message, connection, "a{sv}i")) return true;
        replyMade(m_objects.makeTask(group, mapArgument(arguments.value(0)), arguments.value(1).toInt()),
                  message, connection);
        return true;
    }
    if (member == QLatin1String("TaskProperties")) {
        if (!takes(message, connection, "as")) return true;
        const QStringList names = arguments.value(0).toStringList();
        const Result<QMap<QString, QVariantMap>> read = m_objects.taskProperties(group, names);
        if (!read) {
            replyError(message, connection, read.error());
            return true;
        }
        QHash<QString, QString> signatures;
        for (const TDScriptingObjects::Property& p : TDScriptingObjects::taskPropertyList())
            signatures.insert(p.name, p.signature);
        // Written straight into the reply: a large list is not copied into a second map first.
        QDBusArgument tasks;
        tasks.beginMap(QMetaType::fromType<QString>(), QMetaType::fromType<QVariantMap>());
        for (auto task = read->cbegin(); task != read->cend(); ++task) {
            tasks.beginMapEntry();
            tasks << task.key();
            tasks.beginMap(QMetaType::fromType<QString>(), QMetaType::fromType<QDBusVariant>());
            for (auto value = task->cbegin(); value != task->cend(); ++value) {
                tasks.beginMapEntry();
                tasks << value.key() << QDBusVariant(busValue(value.value(), signatures.value(value.key())));
                tasks.endMapEntry();
            }
            tasks.endMap();
            tasks.endMapEntry();
        }
        tasks.endMap();
        reply(message, connection, {QVariant::fromValue(tasks)});
        return true;
    }
    return callMoveOrDelete(object, message, connection);
}

// --- Tasks

TasksObject::TasksObject(TDScriptingObjects& objects) : ScriptObject(objects, kTaskInterface) {
}

QString TasksObject::introspect(const QString& path) const {
    // Tasks are many: a script finds them through their groups rather than by listing the subtree.
    if (path == kTasksPath) return {};
    return interfaceXml(kTaskInterface, TDScriptingObjects::taskPropertyList(), kTaskMethods);
}

Result<TDLibraryObject*> TasksObject::target(const QString& path) const {
    const std::optional<QString> uid = uidBelow(kTasksPath, path);
    if (!uid) return TDUnknownObjectError();
    const Result<TDTask*> task = m_objects.task(*uid);
    if (!task) return task.error();
    return static_cast<TDLibraryObject*>(*task);
}

const QList<TDScriptingObjects::Property>& TasksObject::properties() const {
    return TDScriptingObjects::taskPropertyList();
}

Result<QVariant> TasksObject::property(TDLibraryObject* object, const QString& name) const {
    return m_objects.taskProperty(TDTask::from(object), name);
}

Status TasksObject::setProperty(TDLibraryObject* object, const QString& name, const QVariant& value) {
    return m_objects.setTaskProperty(TDTask::from(object), name, value);
}

bool TasksObject::call(TDLibraryObject* object, const QDBusMessage& message,
                       const QDBusConnection& connection) {
    TDTask* task = TDTask::from(object);
    const QString& member = message.member();
    const QVariantList arguments = message.arguments();
    if (member == QLatin1String("Subtasks")) {
        if (takes(message, connection, ""))
            reply(message, connection, {QVariant::fromValue(pathsOf(m_objects.subtasks(task)))});
        return true;
    }
    if (member == QLatin1String("MakeTask")) {
        if (takes(message, connection, "a{sv}i"))
            replyMade(m_objects.makeTask(task, mapArgument(arguments.value(0)), arguments.value(1).toInt()),
                      message, connection);
        return true;
    }
    if (member == QLatin1String("BeginTiming")) {
        if (!takes(message, connection, "")) return true;
        m_objects.beginTiming(task);
        reply(message, connection);
        return true;
    }
    if (member == QLatin1String("AddAttachment")) {
        if (!takes(message, connection, "s")) return true;
        m_objects.addAttachment(task, arguments.value(0).toString());
        reply(message, connection);
        return true;
    }
    return callMoveOrDelete(object, message, connection);
}

}  // namespace scriptbus
