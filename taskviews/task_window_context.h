#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

class TDGroup;
class TDTask;

// What the tasks controller asks of the window that shows it: the window, its tabs, source list,
// toolbar and filter indicator.
class TDTaskWindowContext {
public:
    virtual ~TDTaskWindowContext() = default;

    virtual bool isWindowKey() const = 0;
    virtual bool isTitleFilterFieldFirstResponder() const = 0;
    // Gives the keyboard focus to the window's first control (the title filter loses it).
    virtual void focusInitialFirstResponder() = 0;
    // A title in the source list is being edited.
    virtual bool isEditingGroupTitle() const = 0;
    // The uid of the group the selected tab shows and that tab's view options (empty when none).
    virtual QString selectedTabGroupUID() const = 0;
    virtual QVariantMap selectedTabViewOptions() const = 0;
    // Shows the group in the source list (as choosing it there would).
    virtual void selectGroup(TDGroup* group) = 0;
    // The status bar's filter indicator.
    virtual void tasksControllerDidEnableTaskFilter(bool enabled) = 0;
    // The toolbar follows the presentation mode (0 outline, 1 cards).
    virtual void tasksModeDidChange(int mode) = 0;
    // The quick-entry window refuses filing and timing.
    virtual bool isQuickEntry() const { return false; }
    // Selects the first tab that shows the group; false when no tab does.
    virtual bool selectTabForGroup(TDGroup*) { return false; }
    // Adds a tab for the group and selects it.
    virtual void addTabWithGroup(TDGroup*) {}
    // The toolbar's controls lie over the outline's columns.
    virtual void updateToolbarLayout() {}
    // Opens the panel that files the tasks into another list, under the selected row or card (mode 0
    // outline, 1 cards). The quick-entry window refuses the command before it comes here.
    virtual void showFileToGroupWindow(const QList<TDTask*>&, int) {}
};
