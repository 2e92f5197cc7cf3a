#pragma once

#include "auxiliary/scripting_objects.h"

#include <QDBusVirtualObject>

// The three objects of the scripting bus (auxiliary/gui/scripting_bus.h).
namespace scriptbus {

// Base of the three: checks the call's interface, answers Properties calls through the property list,
// and dispatches the interface's methods.
class ScriptObject : public QDBusVirtualObject {
public:
    ScriptObject(TDScriptingObjects& objects, QString interface)
        : m_objects(objects), m_interface(std::move(interface)) {}

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

protected:
    // The object the path names, or the error sent; nullptr then.
    virtual Result<TDLibraryObject*> target(const QString& path) const = 0;
    virtual const QList<TDScriptingObjects::Property>& properties() const = 0;
    virtual Result<QVariant> property(TDLibraryObject* object, const QString& name) const = 0;
    virtual Status setProperty(TDLibraryObject* object, const QString& name, const QVariant& value) = 0;
    // False when the interface has no such method.
    virtual bool call(TDLibraryObject* object, const QDBusMessage& message,
                      const QDBusConnection& connection) = 0;
    // Move(o, i) and Delete(), shared by groups and tasks.
    bool callMoveOrDelete(TDLibraryObject* object, const QDBusMessage& message,
                          const QDBusConnection& connection);

    TDScriptingObjects& m_objects;

private:
    void p_properties(TDLibraryObject* object, const QDBusMessage& message,
                      const QDBusConnection& connection);

    QString m_interface;
};

class ApplicationObject final : public ScriptObject {
public:
    explicit ApplicationObject(TDScriptingObjects& objects);
    QString introspect(const QString& path) const override;

protected:
    Result<TDLibraryObject*> target(const QString& path) const override;
    const QList<TDScriptingObjects::Property>& properties() const override;
    Result<QVariant> property(TDLibraryObject* object, const QString& name) const override;
    Status setProperty(TDLibraryObject* object, const QString& name, const QVariant& value) override;
    bool call(TDLibraryObject* object, const QDBusMessage& message,
              const QDBusConnection& connection) override;
};

class GroupsObject final : public ScriptObject {
public:
    explicit GroupsObject(TDScriptingObjects& objects);
    QString introspect(const QString& path) const override;

protected:
    Result<TDLibraryObject*> target(const QString& path) const override;
    const QList<TDScriptingObjects::Property>& properties() const override;
    Result<QVariant> property(TDLibraryObject* object, const QString& name) const override;
    Status setProperty(TDLibraryObject* object, const QString& name, const QVariant& value) override;
    bool call(TDLibraryObject* object, const QDBusMessage& message,
              const QDBusConnection& connection) override;
};

class TasksObject final : public ScriptObject {
public:
    explicit TasksObject(TDScriptingObjects& objects);
    QString introspect(const QString& path) const override;

protected:
    Result<TDLibraryObject*> target(const QString& path) const override;
    const QList<TDScriptingObjects::Property>& properties() const override;
    Result<QVariant> property(TDLibraryObject* object, const QString& name) const override;
    Status setProperty(TDLibraryObject* object, const QString& name, const QVariant& value) override;
    bool call(TDLibraryObject* object, const QDBusMessage& message,
              const QDBusConnection& connection) override;
};

}  // namespace scriptbus
