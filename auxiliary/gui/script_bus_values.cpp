#include "auxiliary/gui/script_bus_values.h"

#include "auxiliary/script_errors.h"
#include "model/group.h"
#include "model/task.h"
#include "platform/desktop/bus/object_path_element.h"
#include "platform/objectstore/managed_object.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusVariant>

namespace scriptbus {

QDBusObjectPath pathOf(const TDLibraryObject* object) {
    auto* mutableObject = const_cast<TDLibraryObject*>(object);
    if (TDTask::from(mutableObject))
        return QDBusObjectPath(kTasksPath + QLatin1Char('/') + platform::objectPathElement(object->uid()));
    if (TDGroup::from(mutableObject))
        return QDBusObjectPath(kGroupsPath + QLatin1Char('/') + platform::objectPathElement(object->uid()));
    return QDBusObjectPath(QStringLiteral("/"));
}

Result<TDLibraryObject*> objectAt(const TDScriptingObjects& objects, const QString& path) {
    const auto below = [&path](const QString& base) -> std::optional<QString> {
        if (!path.startsWith(base + QLatin1Char('/'))) return std::nullopt;
        const QString element = path.mid(base.size() + 1);
        if (element.contains(QLatin1Char('/'))) return std::nullopt;
        return platform::nameFromObjectPathElement(element);
    };
    if (const std::optional<QString> uid = below(kTasksPath)) {
        const Result<TDTask*> task = objects.task(*uid);
        if (!task) return task.error();
        return static_cast<TDLibraryObject*>(*task);
    }
    if (const std::optional<QString> uid = below(kGroupsPath)) {
        const Result<TDGroup*> group = objects.group(*uid);
        if (!group) return group.error();
        return static_cast<TDLibraryObject*>(*group);
    }
    return TDUnknownObjectError();
}

QVariant busValue(const QVariant& value, const QString& signature) {
    if (signature == QLatin1String("o"))
        return QVariant::fromValue(
            pathOf(dynamic_cast<TDLibraryObject*>(platform::managedObjectFromVariant(value))));
    return value;
}

Result<QVariant> modelValue(const TDScriptingObjects& objects, const QVariant& value) {
    QVariant plain = value;
    if (plain.metaType() == QMetaType::fromType<QDBusVariant>())
        plain = qvariant_cast<QDBusVariant>(plain).variant();
    if (plain.metaType() == QMetaType::fromType<QDBusObjectPath>()) {
        const Result<TDLibraryObject*> object =
            objectAt(objects, qvariant_cast<QDBusObjectPath>(plain).path());
        if (!object) return object.error();
        return platform::objectVariant(*object);
    }
    return plain;
}

Result<QList<TDLibraryObject*>> objectsAt(const TDScriptingObjects& objects, const QVariant& argument) {
    QVariant plain = argument;
    if (plain.metaType() == QMetaType::fromType<QDBusVariant>())
        plain = qvariant_cast<QDBusVariant>(plain).variant();
    QList<QDBusObjectPath> paths;
    if (plain.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const QDBusArgument array = qvariant_cast<QDBusArgument>(plain);
        if (array.currentSignature() != QLatin1String("ao"))
            return TDScriptError(TDScriptErrorInvalidValue,
                                 QStringLiteral("Expected an array of object paths"));
        array >> paths;
    } else if (plain.metaType() == QMetaType::fromType<QList<QDBusObjectPath>>()) {
        paths = qvariant_cast<QList<QDBusObjectPath>>(plain);
    } else {
        return TDScriptError(TDScriptErrorInvalidValue, QStringLiteral("Expected an array of object paths"));
    }
    QList<TDLibraryObject*> found;
    for (const QDBusObjectPath& path : std::as_const(paths)) {
        const Result<TDLibraryObject*> object = objectAt(objects, path.path());
        if (!object) return object.error();
        found.append(*object);
    }
    return found;
}

QList<QDBusObjectPath> pathsOf(const QList<TDLibraryObject*>& objects) {
    QList<QDBusObjectPath> paths;
    paths.reserve(objects.size());
    for (const TDLibraryObject* object : objects) paths.append(pathOf(object));
    return paths;
}

void replyError(const QDBusMessage& message, const QDBusConnection& connection, const TDError& error) {
    connection.send(
        message.createErrorReply(QStringLiteral("com.vantorel.Ordello.Error.") + TDScriptErrorName(error),
                                 QStringLiteral("%1: %2").arg(error.code).arg(error.description)));
}

void replyInvalidArguments(const QDBusMessage& message, const QDBusConnection& connection,
                           const QString& expected) {
    connection.send(message.createErrorReply(QDBusError::InvalidArgs,
                                             QStringLiteral("%1 takes arguments of type \"%2\", not \"%3\"")
                                                 .arg(message.member(), expected, message.signature())));
}

void reply(const QDBusMessage& message, const QDBusConnection& connection, const QVariantList& values) {
    QDBusMessage answer = message.createReply();
    answer.setArguments(values);
    connection.send(answer);
}

QString interfaceXml(const QString& interface, const QList<TDScriptingObjects::Property>& properties,
                     const char* methodsXml) {
    QString xml = QStringLiteral("  <interface name=\"%1\">\n").arg(interface);
    for (const TDScriptingObjects::Property& property : properties)
        xml += QStringLiteral("    <property name=\"%1\" type=\"%2\" access=\"%3\"/>\n")
                   .arg(property.name, property.signature,
                        property.writable ? QStringLiteral("readwrite") : QStringLiteral("read"));
    xml += QLatin1String(methodsXml);
    xml += QLatin1String("  </interface>\n");
    return xml;
}

}  // namespace scriptbus
