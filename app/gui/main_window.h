#pragma once

#include "app/command_bar_state.h"
#include "app/goto_controller.h"
#include "app/main_window_controller.h"
#include "app/main_window_host.h"
#include "controls/gui/split_view.h"
#include "controls/swipe_recognizer.h"
#include "taskviews/gui/tasks_window.h"

#include <memory>

class QLabel;
class QLineEdit;
class QMenuBar;
class TDAlertPrompter;
class TDButton;
class TDCommandBarSubmenuView;
class TDCommandViewController;
class TDFileToGroupPanel;
class TDGotoViewController;
class TDHintsCommandViewController;
class TDTagFilterViewController;
class TDToolbarViewController;
class TDFunctionBar;
class TDFunctionButton;
class TDGroupTabControl;
class TDGroupTabs;
class TDGroupsController;
class TDSmartFolderSheetWindowPrompter;
class TDLibraryManager;
class TDMessageBoxPrompter;
class TDSourceListPane;
class TDTaskInfoViewController;
class TDTasksViewController;

// The main window: the source list on the left with the info pane below it; on the right the group
// tabs above the task outline and the status bar. The dividers, what is shown and the window frame
// are kept in the settings. Closing the window asks to quit (closeRequested) so that the quit
// sequence saves first.
class TDMainWindow final : public TDTasksWindow,
                           public TDMainWindowHost,
                           private TDMainWindowView,
                           private TDTasksWindowDelegate,
                           private TDSplitViewDelegate,
                           private TDCommandBarPresentation,
                           private TDGotoWindow {
    Q_OBJECT
public:
    static inline const QString FrameKey = QStringLiteral("NSWindow Frame tasks");
    static inline const QString SplitLengthsKey = QStringLiteral("TDSplitView Subview Lengths MainSplitView");
    static inline const QString HideSourceListKey = QStringLiteral("hideSourceList");
    static inline const QString SourceListWidthKey = QStringLiteral("sourceListWidth");
    static inline const QString SourceListExpandToRightKey = QStringLiteral("sourceListExpandToRight");
    static inline const QString HideInfoViewKey = QStringLiteral("hideInfoView");
    static inline const QString HideStatusBarKey = QStringLiteral("hideStatusBar");
    // The info pane's height when none is saved, the one its divider snaps to, and its limits.
    static constexpr int kFirstInfoPaneHeight = 150;
    static constexpr int kSnapInfoPaneHeight = 183;
    static constexpr int kMinimumInfoPaneHeight = 103;
    static constexpr int kMaximumInfoPaneHeight = 239;

    // The window's own questions go to the prompter (not owned); none: message boxes over the window.
    explicit TDMainWindow(TDLibraryManager& manager, TDAlertPrompter* prompter = nullptr,
                          QWidget* parent = nullptr);
    ~TDMainWindow() override;

    TDMainWindowController& controller() const { return *m_controller; }
    TDGroupsController& groupsController() const { return *m_groups; }
    TDSourceListPane& sourceListPane() const { return *m_sourceList; }
    TDGroupTabControl& tabControl() const { return *m_tabControl; }
    TDTasksViewController& tasksViewController() const { return *m_tasksViewController; }
    TDSplitView& mainSplitter() const { return *m_mainSplit; }
    TDSplitView& sourceListSplitter() const;
    TDFunctionBar& statusBar() const { return *m_statusBar; }
    QString statusText() const;
    TDFunctionButton& filterIndicator() const { return *m_filterButton; }
    // The status-bar buttons that show and mirror the command bar's mode.
    TDFunctionButton& gotoButton() const { return *m_gotoButton; }
    TDFunctionButton& hintsButton() const { return *m_hintsButton; }
    TDFunctionButton& tagFilterButton() const { return *m_tagFilterButton; }

    // The toolbar over the task list, and the command bar under it in its own pane.
    TDToolbarViewController& toolbarController() const { return *m_toolbar; }
    TDSplitView& submenuSplitter() const { return *m_submenuSplit; }
    TDCommandBarSubmenuView& commandBarView() const { return *m_commandBarView; }
    TDCommandBarState& commandBar() const { return *m_commandBar; }
    // The command controllers, made on first need.
    TDHintsCommandViewController& hintsCommandViewController();
    TDTagFilterViewController& tagFilterController();
    TDGotoViewController& gotoViewController();
    // File Task's balloon, made on first use.
    TDFileToGroupPanel& fileToGroupPanel();

    // The window's command-bar commands.
    void openTaskSubmenu() { m_commandBar->openTaskSubmenu(); }
    void toggleTaskSubmenu() { m_commandBar->toggleTaskSubmenu(); }
    void openTagFilter() { m_commandBar->openTagFilter(); }
    void toggleTagFilter() { m_commandBar->toggleTagFilter(); }
    void openGotoView() { m_commandBar->openGoto(); }
    void closeGotoView() override { m_commandBar->closeGoto(true); }
    void toggleGotoView() { m_commandBar->toggleGoto(); }
    void closeCommandBar() { m_commandBar->closeCommandBar(); }
    // Puts the keyboard in the title filter field of the hints, or of the tag filter (opened first).
    void filterByTitle();
    // Outline (0) or cards (1).
    void toggleDisplayMode(int mode);

    bool isSourceListHidden() const override;
    void toggleSourceList() override;
    bool isInfoViewOpen() const;
    void toggleInfoView();
    void openInfoView(bool animated);
    void closeInfoView(bool animated);
    // What the info pane shows (taken over); empty until then.
    void setInfoViewContent(QWidget* content);
    bool isStatusBarHidden() const;
    void toggleStatusBar();
    // The View menu's items that show and hide the panes.
    QAction* toggleSourceListAction() const { return m_toggleSourceListAction; }
    QAction* toggleInfoViewAction() const { return m_toggleInfoViewAction; }
    QAction* toggleStatusBarAction() const { return m_toggleStatusBarAction; }
    // The command bar's toggles in the View menu, checked while their view is open.
    QAction* toggleGotoAction() const { return m_toggleGotoAction; }
    QAction* toggleTaskSubmenuAction() const { return m_toggleTaskSubmenuAction; }
    QAction* toggleTagFilterAction() const { return m_toggleTagFilterAction; }
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
    void showStatusNotice(const QString& text) override;

Q_SIGNALS:
    void closeRequested();
    // After buildMenus: the application's own menus join the window's.
    void menusBuilt(QMenuBar* bar);

protected:
    void closeEvent(QCloseEvent* event) override;
    // A horizontal swipe that no view took goes back or forward in the source list's history.
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;
    // Plain typed keys that are menu shortcuts run their menu items before the focused list sees them.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Ctrl+W closes the tab or the window, by the number of tabs and the setting; the tab moves need two.
    void p_updateCloseShortcuts();
    // TDMainWindowView
    bool isWindowKey() const override { return isActiveWindow(); }
    bool isTasksViewEditing() const override;
    bool isEditingGroupTitle() const override;
    void focusTasksView() override;
    void closeWindow() override { close(); }
    void showWindow() override { showMainWindow(); }
    bool isTitleFilterFieldFirstResponder() const override;
    // TDTasksWindowDelegate
    void windowDidSetFirstResponder(QWidget* responder, bool changed) override;
    void keyDown(QKeyEvent* event) override;
    // TDSplitViewDelegate
    bool canCollapseSubview(TDSplitView& splitView, int index) override;
    int constrainMinCoordinate(TDSplitView& splitView, int proposed, int dividerIndex) override;
    int constrainMaxCoordinate(TDSplitView& splitView, int proposed, int dividerIndex) override;
    int constrainSplitPosition(TDSplitView& splitView, int proposed, int dividerIndex) override;
    void didCloseSubviewAfterCollapsing(TDSplitView& splitView, int index) override;
    void didFinishResizingSubviews(TDSplitView& splitView) override;
    void dividerDoubleClicked(TDSplitView& splitView, int dividerIndex) override;
    void didResize(TDSplitView& splitView, const QSize& oldSize) override;
    QRect additionalEffectiveRect(TDSplitView& splitView, int dividerIndex) override;
    // TDCommandBarPresentation
    void showCommand(TDCommandKind kind) override;
    void slideInCommand(TDCommandKind kind, TDCommandSlide from, bool push, bool animated) override;
    void slideBackTo(TDCommandKind uncovered, bool animated) override;
    void openBar(bool animated) override;
    void closeBar(bool animated) override;
    void focusInitialFirstResponder() override { focusTasksView(); }

    QWidget* p_makeTasksSide(QWidget* parent);
    void p_makeCommandBar(QWidget* above);
    TDCommandViewController& p_commandController(TDCommandKind kind);
    void p_commandBarModeChanged(int mode);
    void p_commandWillShow(TDCommandKind kind);
    void p_showHintsForFocus();
    QLineEdit* p_titleFilterField() const;
    void p_showTitleFilter(const QString& text);
    void p_makeStatusBar();
    void p_slideStatusBar(bool hide);
    void p_restoreLayout();
    void p_restoreFrame();
    void p_fitSourceListToWindow();
    void p_resetMinimumSize();
    void p_sourceListVisibilityChanged();
    void p_updateMenuTitles();
    void p_taskFilterEnabledChanged(bool enabled);
    void p_syncStateChanged();
    bool p_performMenuKeyEquivalent(QWidget* receiver, QKeyEvent* event);

    TDLibraryManager& m_manager;
    std::unique_ptr<TDMessageBoxPrompter> m_messageBoxes;
    TDAlertPrompter* m_prompter;
    std::unique_ptr<TDGroupsController> m_groups;
    std::unique_ptr<TDSmartFolderSheetWindowPrompter> m_smartFolderSheets;
    TDGroupTabs* m_tabs;
    TDSplitView* m_mainSplit;
    TDSplitViewSubview* m_sourceListSide;
    TDSourceListPane* m_sourceList;
    TDGroupTabControl* m_tabControl;
    TDTasksViewController* m_tasksViewController;
    TDFunctionBar* m_statusBar = nullptr;
    TDButton* m_showSourceListButton = nullptr;
    TDFunctionButton* m_filterButton = nullptr;
    TDFunctionButton* m_syncErrorButton = nullptr;
    TDFunctionButton* m_gotoButton = nullptr;
    TDFunctionButton* m_hintsButton = nullptr;
    TDFunctionButton* m_tagFilterButton = nullptr;
    QLabel* m_statusLabel = nullptr;
    TDSplitView* m_submenuSplit = nullptr;
    TDCommandBarSubmenuView* m_commandBarView = nullptr;
    std::unique_ptr<TDMainWindowController> m_controller;
    std::unique_ptr<TDCommandBarState> m_commandBar;
    std::unique_ptr<TDToolbarViewController> m_toolbar;
    // The command controllers outlive the bar's use of their views.
    std::unique_ptr<TDHintsCommandViewController> m_hints;
    std::unique_ptr<TDTagFilterViewController> m_tagFilter;
    std::unique_ptr<TDGotoController> m_goto;
    std::unique_ptr<TDGotoViewController> m_gotoView;
    // File Task's balloon, made on first use.
    std::unique_ptr<TDFileToGroupPanel> m_fileToGroup;
    // The inspector in the info pane; its view goes first, then it, before the tasks controller it follows.
    std::unique_ptr<TDTaskInfoViewController> m_taskInfo;
    QAction* m_closeTabAction = nullptr;
    QAction* m_closeWindowAction = nullptr;
    QAction* m_selectNextTabAction = nullptr;
    QAction* m_selectPreviousTabAction = nullptr;
    QAction* m_toggleSourceListAction = nullptr;
    QAction* m_toggleInfoViewAction = nullptr;
    QAction* m_toggleStatusBarAction = nullptr;
    QAction* m_toggleGotoAction = nullptr;
    QAction* m_toggleTaskSubmenuAction = nullptr;
    QAction* m_toggleTagFilterAction = nullptr;
    TDSwipeRecognizer m_swipe;
    // The restored width, set on the first resize.
    int m_pendingSourceListWidth = 0;
    bool m_closingForQuit = false;
};

// The program's main window over the manager's library, its tabs and layout restored.
std::unique_ptr<TDMainWindow> TDMakeMainWindow(TDLibraryManager& manager,
                                               TDAlertPrompter* prompter = nullptr);
