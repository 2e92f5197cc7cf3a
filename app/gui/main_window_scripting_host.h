#pragma once

#include "auxiliary/scripting_host.h"

#include <memory>

class AppDelegate;
class TDLibraryManager;
class TDMainWindow;
class TDTimeLogTimerController;

// Links and scripts at the main window: reveals and selections go to its controllers, Save saves as
// the menu does, and the timer is the library's time log. Main thread.
class TDMainWindowScriptingHost final : public TDScriptingHost {
public:
    TDMainWindowScriptingHost(TDLibraryManager& manager, AppDelegate& delegate, TDMainWindow& window);
    ~TDMainWindowScriptingHost() override;

    TDLibrary* library() const override;
    void revealObject(TDLibraryObject* object) override;
    QList<TDTask*> selectedTasks() const override;
    void setSelectedTasks(const QList<TDTask*>& tasks) override;
    TDGroup* selectedGroup() const override;
    bool selectGroup(TDGroup* group) override;
    void save() override;
    TDTimerController* timerController() override;

private:
    TDLibraryManager& m_manager;
    AppDelegate& m_delegate;
    TDMainWindow& m_window;
    // The library's time log, for as long as the task list has no timer; made for the open library,
    // again after a switch.
    std::unique_ptr<TDTimeLogTimerController> m_timer;
    TDLibrary* m_timedLibrary = nullptr;
};
