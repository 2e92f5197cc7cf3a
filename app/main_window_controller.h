#pragma once

#include "app/group_tabs.h"
#include "app/groups_window_context.h"
#include "taskviews/task_window_context.h"

#include "platform/base/error.h"

#include <QObject>

#include <functional>
#include <optional>

class TDCommandBarState;
class TDGroupsController;
class TDLibraryManager;
class TDTask;
class TDTasksController;

// What the controller asks of the window it manages.
class TDMainWindowView {
public:
    virtual ~TDMainWindowView() = default;
    virtual bool isWindowKey() const = 0;
    virtual bool isTasksViewEditing() const = 0;
    virtual bool isEditingGroupTitle() const = 0;
    // Gives the keyboard focus to the tasks view.
    virtual void focusTasksView() = 0;
    // Shows the window in front and makes it the active one.
    virtual void showWindow() {}
    // Closing the last tab closes the window instead.
    virtual void closeWindow() = 0;
    // The command bar's title filter field has the keyboard.
    virtual bool isTitleFilterFieldFirstResponder() const { return false; }
};

// The main window's logic without its widgets: ties the source list, the group tabs and the task list
// together (choosing a group shows its tasks and sets it on the selected tab; selecting a tab shows its
// group with that tab's history), follows the library as it opens and closes, and answers the questions
// the source list and the task list ask of their window. Main thread.
class TDMainWindowController final : public QObject,
                                     public TDGroupsWindowContext,
                                     public TDTaskWindowContext,
                                     private TDGroupTabsHost {
    Q_OBJECT
public:
    TDMainWindowController(TDLibraryManager& manager, TDGroupsController& groups, TDGroupTabs& tabs,
                           TDTasksController& tasks, QObject* parent = nullptr);
    ~TDMainWindowController() override;

    void setView(TDMainWindowView* view) { m_view = view; }
    // The window's command bar, whose go-to a tab switch closes first (not owned; nullptr for none).
    void setCommandBar(TDCommandBarState* commandBar) { m_commandBar = commandBar; }
    TDGroupTabs& tabs() const { return m_tabs; }

    // Restores the saved tabs (again, when called again) and, when a library is open already, shows the
    // selected tab's group.
    void restoreState();
    // Tabs, source-list selection and the shown group's view options into the settings.
    void saveState();
    // A fresh library: one Today tab, selected.
    void clearTabsToToday();

    void newTab();
    // Closes the selected tab; the last one closes the window.
    void closeTab();
    void selectNextTab() { m_tabs.nextTab(); }
    void selectPreviousTab() { m_tabs.previousTab(); }
    // A horizontal swipe: toward the start (positive) goes back in the source list's history, toward
    // the end (negative) forward.
    void swipeWithEvent(int deltaX);

    // Brings the window forward showing the group: in a tab that shows it, else in a new tab.
    void revealGroup(TDGroup* group);
    // Brings the window forward with the task selected: in the selected tab when it shows the task,
    // else in the first tab that does, else in a new tab with the task's list.
    void revealTask(TDTask* task);

    // TDGroupsWindowContext
    int numberOfTabs() const override { return m_tabs.numberOfTabs(); }
    int selectedTabIndex() const override { return m_tabs.selectedTabIndex(); }
    void selectTabAtIndex(int index) override { m_tabs.selectTabAtIndex(index); }
    void addTabWithGroup(TDGroup* group) override { m_tabs.addTabWithGroup(group); }
    void setGroupToTabAtIndex(TDGroup* group, int index) override { m_tabs.setGroup(group, index); }
    int indexOfTabWithGroup(const TDGroup* group) const override { return m_tabs.indexOfTabWithGroup(group); }
    void removeTabAtIndex(int index) override { m_tabs.removeTabAtIndex(index); }
    bool isWindowKey() const override;
    bool isTasksViewEditing() const override;
    void focusInitialFirstResponder() override;

    // TDTaskWindowContext (isWindowKey and focusInitialFirstResponder above serve both)
    bool isTitleFilterFieldFirstResponder() const override {
        return m_view && m_view->isTitleFilterFieldFirstResponder();
    }
    bool isEditingGroupTitle() const override;
    QString selectedTabGroupUID() const override;
    QVariantMap selectedTabViewOptions() const override;
    void selectGroup(TDGroup* group) override;
    void tasksControllerDidEnableTaskFilter(bool enabled) override;
    void tasksModeDidChange(int mode) override { Q_EMIT tasksModeChanged(mode); }
    void updateToolbarLayout() override { Q_EMIT toolbarLayoutNeedsUpdate(); }
    void showFileToGroupWindow(const QList<TDTask*>& tasks, int mode) override {
        if (m_fileToGroupHandler) m_fileToGroupHandler(tasks, mode);
    }
    // The window's filing panel, which File Task opens.
    void setFileToGroupHandler(std::function<void(const QList<TDTask*>&, int)> handler) {
        m_fileToGroupHandler = std::move(handler);
    }
    bool isTaskFilterEnabled() const { return m_taskFilterEnabled; }

    // Sync as the status bar shows it: running, and the error of the last sync when it failed.
    bool isSyncing() const { return m_syncing; }
    const std::optional<TDError>& syncError() const { return m_syncError; }
    // What the status bar says: the sync while it runs, else the tasks controller's summary and the
    // sync notice, when there is one.
    QString statusText() const;
    // A sync notice ("Full sync needed") shown until the next sync starts or the library changes.
    void setSyncNotice(const QString& text);

Q_SIGNALS:
    void taskFilterEnabledChanged(bool enabled);
    void syncStateChanged();
    void statusTextChanged();
    // The task list changed between outline (0) and cards (1); the toolbar follows.
    void tasksModeChanged(int mode);
    // The grouping limit or the columns changed under the toolbar's controls.
    void toolbarLayoutNeedsUpdate();

private:
    TDGroup* shownGroup() const override;
    QVariantMap tabViewOptions() const override;
    QVariantMap groupHistoryState() const override;

    void p_libraryDidFinishLoading();
    void p_showTabGroup(TDGroup* group, const QVariantMap& history);
    void p_tabWillBeSelected();
    bool p_selectTask(TDTask* task);
    void p_syncWillStart();
    void p_syncDidFinish(const std::optional<TDError>& error);

    TDLibraryManager& m_manager;
    TDGroupsController& m_groups;
    TDGroupTabs& m_tabs;
    TDTasksController& m_tasks;
    TDMainWindowView* m_view = nullptr;
    TDCommandBarState* m_commandBar = nullptr;
    bool m_taskFilterEnabled = false;
    bool m_syncing = false;
    std::optional<TDError> m_syncError;
    QString m_syncNotice;
    std::function<void(const QList<TDTask*>&, int)> m_fileToGroupHandler;
};
