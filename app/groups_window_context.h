#pragma once

class TDGroup;

// What the groups controller asks of its window: the group tabs and the window's focus. The main window
// answers; a window without tabs answers with no tabs and ignores the tab calls.
class TDGroupsWindowContext {
public:
    virtual ~TDGroupsWindowContext() = default;

    virtual int numberOfTabs() const = 0;
    // -1 when no tab is selected.
    virtual int selectedTabIndex() const = 0;
    virtual void selectTabAtIndex(int index) = 0;
    virtual void addTabWithGroup(TDGroup* group) = 0;
    virtual void setGroupToTabAtIndex(TDGroup* group, int index) = 0;
    // The last tab showing the group, or -1.
    virtual int indexOfTabWithGroup(const TDGroup* group) const = 0;
    virtual void removeTabAtIndex(int index) = 0;

    virtual bool isWindowKey() const = 0;
    // A task row is being edited in the tasks view.
    virtual bool isTasksViewEditing() const = 0;
    // Gives the keyboard focus back to the window's first control (the tasks view).
    virtual void focusInitialFirstResponder() = 0;
};
