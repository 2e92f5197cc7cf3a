#pragma once

#include <QList>

class TDTask;

// The "File Task" panel that moves tasks to another list.
class TDFileToGroupPanel {
public:
    virtual ~TDFileToGroupPanel() = default;

    virtual void setTasks(const QList<TDTask*>& tasks) = 0;
    // The tasks view's presentation: 0 outline, 1 cards.
    virtual void setMode(int mode) = 0;
    virtual void showWindow() = 0;
    // Cleans up, empties the search field and closes the panel when it is visible; else nothing.
    virtual void cancel() = 0;
};
