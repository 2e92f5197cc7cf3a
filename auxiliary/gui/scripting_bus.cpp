#include "auxiliary/gui/scripting_bus.h"

#include "auxiliary/gui/script_bus_values.h"
#include "auxiliary/gui/scripting_bus_objects.h"
#include "platform/desktop/bus/instance_service.h"

namespace {
const QString kGroups = QStringLiteral("groups");
const QString kTasks = QStringLiteral("tasks");
}  // namespace

TDScriptingBus::TDScriptingBus(TDScriptingHost& host, platform::InstanceService& service)
    : m_objects(host),
      m_service(service),
      m_application(std::make_unique<scriptbus::ApplicationObject>(m_objects)),
      m_groups(std::make_unique<scriptbus::GroupsObject>(m_objects)),
      m_tasks(std::make_unique<scriptbus::TasksObject>(m_objects)) {
    if (!m_service.registerSubtree(kGroups, m_groups.get())) return;
    if (!m_service.registerSubtree(kTasks, m_tasks.get())) {
        m_service.unregisterSubtree(kGroups);
        return;
    }
    m_service.setExtraInterfaces(m_application.get());
    m_served = true;
}

TDScriptingBus::~TDScriptingBus() {
    if (!m_served) return;
    m_service.setExtraInterfaces(nullptr);
    m_service.unregisterSubtree(kTasks);
    m_service.unregisterSubtree(kGroups);
}

QString TDScriptingBus::interfaceXml(const QString& interface) const {
    if (interface == scriptbus::kApplicationInterface) return m_application->introspect(QString());
    if (interface == scriptbus::kGroupInterface)
        return m_groups->introspect(scriptbus::kGroupsPath + QStringLiteral("/_"));
    if (interface == scriptbus::kTaskInterface)
        return m_tasks->introspect(scriptbus::kTasksPath + QStringLiteral("/_"));
    return {};
}
