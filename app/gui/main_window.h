#pragma once

#include "app/main_window_controller.h"
#include "app/main_window_host.h"
#include "taskviews/gui/tasks_window.h"

#include <memory>

class QSplitter;
class TDGroupTabControl;
class TDGroupTabs;
class TDGroupsController;
class TDLibraryManager;
class TDMessageBoxPrompter;
class TDSourceListPane;
class TDTasksViewController;

// The main window: the source list on the left; on the right the group tabs above the task outline.
// The divider, the source list's visibility and the window frame are kept in the settings. Closing
// the window asks to quit (closeRequested) so that the quit sequence saves first.
class TDMainWindow final : public TDTasksWindow,
                           public TDMainWindowHost,
                           private TDMainWindowView,
                           private TDTasksWindowDelegate {
    Q_OBJECT
public:
    static inline const QString FrameKey = QStringLiteral("NSWindow Frame tasks");
    static inline const QString SplitLengthsKey = QStringLiteral("TDSplitView Subview Lengths MainSplitView");
    static inline const QString HideSourceListKey = QStringLiteral("hideSourceList");
    static inline const QString SourceListWidthKey = QStringLiteral("sourceListWidth");

    explicit TDMainWindow(TDLibraryManager& manager, QWidget* parent = nullptr);
    ~TDMainWindow() override;

    TDMainWindowController& controller() const { return *m_controller; }
    TDGroupsController& groupsController() const { return *m_groups; }
    TDSourceListPane& sourceListPane() const { return *m_sourceList; }
    TDGroupTabControl& tabControl() const { return *m_tabControl; }
    TDTasksViewController& tasksViewController() const { return *m_tasksViewController; }
    QSplitter& mainSplitter() const { return *m_mainSplit; }

    bool isSourceListHidden() const;
    void toggleSourceList();
    // The frame, the divider and the tabs into the settings.
    void saveLayout();

    // TDMainWindowHost
    void showMainWindow() override;
    void clearOptions() override { m_controller->clearTabsToToday(); }
    void expandSourceList() override;
    void buildMenus() override;
    bool closeAllWindows(bool restoring) override;
    void activeLibraryWillChange() override {}
    void reloadAfterDateChange() override;
    void redisplay() override;

Q_SIGNALS:
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // TDMainWindowView
    bool isWindowKey() const override { return isActiveWindow(); }
    bool isTasksViewEditing() const override;
    bool isEditingGroupTitle() const override;
    void focusTasksView() override;
    void closeWindow() override { close(); }
    // TDTasksWindowDelegate
    void windowDidSetFirstResponder(QWidget* responder, bool changed) override;
    void keyDown(QKeyEvent* event) override;

    void p_restoreLayout();
    void p_restoreFrame();
    void p_dividerMoved();
    void p_fitSourceListToWindow();
    void p_resetMinimumSize();

    TDLibraryManager& m_manager;
    std::unique_ptr<TDMessageBoxPrompter> m_prompter;
    std::unique_ptr<TDGroupsController> m_groups;
    TDGroupTabs* m_tabs;
    QSplitter* m_mainSplit;
    TDSourceListPane* m_sourceList;
    TDGroupTabControl* m_tabControl;
    TDTasksViewController* m_tasksViewController;
    std::unique_ptr<TDMainWindowController> m_controller;
    QAction* m_toggleSourceListAction = nullptr;
    // The restored width, set on the first resize.
    int m_pendingSourceListWidth = 0;
    bool m_closingForQuit = false;
};

// The program's main window over the manager's library, its tabs and layout restored.
std::unique_ptr<TDMainWindow> TDMakeMainWindow(TDLibraryManager& manager);
