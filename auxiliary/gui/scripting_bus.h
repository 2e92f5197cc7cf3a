#pragma once

#include "auxiliary/scripting_objects.h"

#include <memory>

class TDScriptingHost;
namespace platform {
class InstanceService;
}
namespace scriptbus {
class ApplicationObject;
class GroupsObject;
class TasksObject;
}  // namespace scriptbus

// Ordello scriptable over the session bus: the application interface beside the instance service's
// own at its path, and one object each for the subtrees of groups and of tasks, which look the UID up
// on every call. Lives while the service does; main thread.
class TDScriptingBus final {
public:
    TDScriptingBus(TDScriptingHost& host, platform::InstanceService& service);
    ~TDScriptingBus();
    TDScriptingBus(const TDScriptingBus&) = delete;
    TDScriptingBus& operator=(const TDScriptingBus&) = delete;

    // False when the service does not own the name (the objects are then not served).
    bool isServed() const { return m_served; }
    // The introspection data of one of the three interfaces ("com.vantorel.Ordello.Task", …), as
    // installed under share/dbus-1/interfaces.
    QString interfaceXml(const QString& interface) const;

private:
    TDScriptingObjects m_objects;
    platform::InstanceService& m_service;
    std::unique_ptr<scriptbus::ApplicationObject> m_application;
    std::unique_ptr<scriptbus::GroupsObject> m_groups;
    std::unique_ptr<scriptbus::TasksObject> m_tasks;
    bool m_served = false;
};
