#pragma once

#include <QList>

class TDGroup;
class TDLibrary;
class TDLibraryObject;
class TDTask;
class TDTimerController;

// What links and scripts ask of the running application: the open library, the main window's
// selections, saving and the timer. The composition root answers with the real windows; tests record.
class TDScriptingHost {
public:
    virtual ~TDScriptingHost() = default;

    // The open library; nullptr while none is open.
    virtual TDLibrary* library() const = 0;
    // A task is shown selected in the main window, a group is selected; anything else is ignored.
    virtual void revealObject(TDLibraryObject* object) = 0;

    // The selected tasks of the main window's task list.
    virtual QList<TDTask*> selectedTasks() const = 0;
    virtual void setSelectedTasks(const QList<TDTask*>& tasks) = 0;
    // The source list's selected group; nullptr when none.
    virtual TDGroup* selectedGroup() const = 0;
    // False, changing nothing, when the source list cannot select the group.
    virtual bool selectGroup(TDGroup* group) = 0;

    // Saves as the File menu's Save does.
    virtual void save() = 0;
    // The task timer; nullptr while no library is open.
    virtual TDTimerController* timerController() = 0;
};
