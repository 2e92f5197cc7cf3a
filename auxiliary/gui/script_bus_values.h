#pragma once

#include "auxiliary/scripting_objects.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariant>

class QDBusConnection;

// How the scripting object model's values cross the bus: groups and tasks as object paths under the
// service's path, property values as D-Bus variants, refusals as errors named
// "com.vantorel.Ordello.Error.<kind>" whose message starts with their number.
namespace scriptbus {

inline const QString kGroupsPath = QStringLiteral("/com/vantorel/Ordello/groups");
inline const QString kTasksPath = QStringLiteral("/com/vantorel/Ordello/tasks");
inline const QString kApplicationInterface = QStringLiteral("com.vantorel.Ordello.Application");
inline const QString kGroupInterface = QStringLiteral("com.vantorel.Ordello.Group");
inline const QString kTaskInterface = QStringLiteral("com.vantorel.Ordello.Task");
inline const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// "/" for none.
QDBusObjectPath pathOf(const TDLibraryObject* object);
// The group or task the path names (9003 otherwise).
Result<TDLibraryObject*> objectAt(const TDScriptingObjects& objects, const QString& path);
// The model's value of the property's type (signature) as the bus carries it: objects as paths.
QVariant busValue(const QVariant& value, const QString& signature);
// A value from the bus as the model takes it: variants unwrapped, paths of objects as object variants.
Result<QVariant> modelValue(const TDScriptingObjects& objects, const QVariant& value);
// Paths in an "ao" argument (or a variant holding one) as objects; 9003 for one that names nothing.
Result<QList<TDLibraryObject*>> objectsAt(const TDScriptingObjects& objects, const QVariant& argument);
QList<QDBusObjectPath> pathsOf(const QList<TDLibraryObject*>& objects);
template <typename T>
QList<QDBusObjectPath> pathsOf(const QList<T*>& objects) {
    return pathsOf(QList<TDLibraryObject*>(objects.cbegin(), objects.cend()));
}

void replyError(const QDBusMessage& message, const QDBusConnection& connection, const TDError& error);
void replyInvalidArguments(const QDBusMessage& message, const QDBusConnection& connection,
                           const QString& expected);
void reply(const QDBusMessage& message, const QDBusConnection& connection, const QVariantList& values = {});

// Introspection of an interface with the properties and the methods' XML.
QString interfaceXml(const QString& interface, const QList<TDScriptingObjects::Property>& properties,
                     const char* methodsXml);

}  // namespace scriptbus
