#include "app/gui/main_window_scripting_host.h"

#include "app/app_delegate.h"
#include "app/groups_controller.h"
#include "app/gui/main_window.h"
#include "app/main_window_controller.h"
#include "auxiliary/timer_controller.h"
#include "model/group.h"
#include "model/task.h"
#include "store/library_manager.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/tasks_controller.h"

TDMainWindowScriptingHost::TDMainWindowScriptingHost(TDLibraryManager& manager, AppDelegate& delegate,
                                                     TDMainWindow& window)
    : m_manager(manager), m_delegate(delegate), m_window(window) {
}

TDMainWindowScriptingHost::~TDMainWindowScriptingHost() = default;

TDLibrary* TDMainWindowScriptingHost::library() const {
    return m_delegate.isLibraryOpen() ? m_manager.library() : nullptr;
}

void TDMainWindowScriptingHost::revealObject(TDLibraryObject* object) {
    if (TDTask* task = TDTask::from(object))
        m_window.controller().revealTask(task);
    else if (TDGroup* group = TDGroup::from(object))
        m_window.controller().revealGroup(group);
}

QList<TDTask*> TDMainWindowScriptingHost::selectedTasks() const {
    return m_window.tasksViewController().tasksController().selection();
}

void TDMainWindowScriptingHost::setSelectedTasks(const QList<TDTask*>& tasks) {
    m_window.tasksViewController().tasksController().setSelection(tasks);
}

TDGroup* TDMainWindowScriptingHost::selectedGroup() const {
    return m_window.groupsController().selectedGroup();
}

bool TDMainWindowScriptingHost::selectGroup(TDGroup* group) {
    return m_window.groupsController().selectGroup(group);
}

void TDMainWindowScriptingHost::save() {
    (void)m_manager.saveLibrary();
}

TDTimerController* TDMainWindowScriptingHost::timerController() {
    TDLibrary* open = library();
    if (!open) return nullptr;
    // The task list's timer when the program has one; else the library's time log.
    if (TDTimerController* timer = m_window.tasksViewController().tasksController().timerController())
        return timer;
    if (!m_timer || m_timedLibrary != open) {
        m_timer = std::make_unique<TDTimeLogTimerController>(*open);
        m_timedLibrary = open;
    }
    return m_timer.get();
}
