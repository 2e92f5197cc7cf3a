#include "app/main_window_controller.h"

#include "app/command_bar_state.h"
#include "app/groups_controller.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/task.h"
#include "platform/notifications/notification_center.h"
#include "store/library_manager.h"
#include "sync/corvane_sync_operation.h"
#include "taskviews/tasks_controller.h"

#include <QThread>

namespace {

// Groups chosen while it lives show in the selected tab, whatever keys are held.
class InPlace {
public:
    explicit InPlace(TDGroupsController& groups) : m_groups(groups), m_was(groups.ignoreCommandKey()) {
        m_groups.setIgnoreCommandKey(true);
    }
    ~InPlace() { m_groups.setIgnoreCommandKey(m_was); }
    InPlace(const InPlace&) = delete;
    InPlace& operator=(const InPlace&) = delete;

private:
    TDGroupsController& m_groups;
    bool m_was;
};

}  // namespace

TDMainWindowController::TDMainWindowController(TDLibraryManager& manager, TDGroupsController& groups,
                                               TDGroupTabs& tabs, TDTasksController& tasks, QObject* parent)
    : QObject(parent), m_manager(manager), m_groups(groups), m_tabs(tabs), m_tasks(tasks) {
    m_groups.setWindowContext(this);
    m_groups.setTasksController(&m_tasks);
    m_tasks.setWindowContext(this);
    m_tabs.setHost(this);
    connect(&m_tabs, &TDGroupTabs::currentGroupChanged, this, &TDMainWindowController::p_showTabGroup);
    connect(&m_tabs, &TDGroupTabs::tabWillBeSelected, this, &TDMainWindowController::p_tabWillBeSelected);

    platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(
        this, TDLibraryDidFinishLoadingNotificationName, nullptr, [this](const platform::Notification&) {
            if (QThread::currentThread() == thread())
                p_libraryDidFinishLoading();
            else
                QMetaObject::invokeMethod(this, &TDMainWindowController::p_libraryDidFinishLoading,
                                          Qt::QueuedConnection);
        });
    center.addObserver(this, TDActiveLibraryWillChangeNotification, nullptr,
                       [this](const platform::Notification&) {
                           m_tabs.setLibrary(nullptr);
                           setSyncNotice(QString());
                       });
    // Sync runs on its own thread: its news reach the window on the main thread.
    center.addObserver(this, TDSyncWillStart, nullptr, [this](const platform::Notification&) {
        QMetaObject::invokeMethod(this, &TDMainWindowController::p_syncWillStart, Qt::QueuedConnection);
    });
    center.addObserver(this, TDSyncDidFinish, nullptr, [this](const platform::Notification& notification) {
        const QVariant error = notification.userInfo.value(TDSyncError);
        const std::optional<TDError> failure =
            error.canConvert<TDError>() ? std::optional<TDError>(error.value<TDError>()) : std::nullopt;
        QMetaObject::invokeMethod(
            this, [this, failure] { p_syncDidFinish(failure); }, Qt::QueuedConnection);
    });
    connect(&m_tasks, &TDTasksController::statusBarSummaryChanged, this,
            &TDMainWindowController::statusTextChanged);
}

TDMainWindowController::~TDMainWindowController() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    m_tabs.setHost(nullptr);
    m_tasks.setWindowContext(nullptr);
    m_groups.setWindowContext(nullptr);
}

void TDMainWindowController::restoreState() {
    m_tabs.restoreTabs();
    // Tabs read anew show their groups anew.
    if (m_manager.library()) m_tabs.setLibrary(m_manager.library());
}

void TDMainWindowController::saveState() {
    m_tasks.saveViewOptions();
    m_groups.saveStateToUserDefaults();
    m_tabs.saveTabs();
}

void TDMainWindowController::clearTabsToToday() {
    m_tabs.resetToToday();
}

void TDMainWindowController::newTab() {
    const InPlace inPlace(m_groups);
    m_tabs.newTab();
}

void TDMainWindowController::closeTab() {
    if (m_tabs.numberOfTabs() <= 1) {
        if (m_view) m_view->closeWindow();
        return;
    }
    const InPlace inPlace(m_groups);
    m_tabs.closeTab();
}

void TDMainWindowController::swipeWithEvent(int deltaX) {
    if (deltaX > 0)
        m_groups.goBack();
    else if (deltaX < 0)
        m_groups.goForward();
}

void TDMainWindowController::revealGroup(TDGroup* group) {
    if (m_view) {
        m_view->showWindow();
        m_view->focusTasksView();
    }
    if (!group || m_tabs.selectTabWithGroup(group)) return;
    const InPlace inPlace(m_groups);
    m_tabs.addTabWithGroup(group);
    m_tabs.selectTabAtIndex(m_tabs.numberOfTabs() - 1);
}

void TDMainWindowController::revealTask(TDTask* task) {
    if (m_view) {
        m_view->showWindow();
        m_view->focusTasksView();
    }
    if (!task || p_selectTask(task)) return;
    const InPlace inPlace(m_groups);
    for (int index = 0; index < m_tabs.numberOfTabs(); ++index) {
        m_tabs.selectTabAtIndex(index);
        if (p_selectTask(task)) return;
    }
    TDLibrary* library = m_manager.library();
    TDGroup* list = task->list();
    if (!list && library) list = library->inboxGroup();
    if (!list) return;
    m_tabs.addTabWithGroup(list);
    m_tabs.selectTabAtIndex(m_tabs.numberOfTabs() - 1);
    p_selectTask(task);
}

bool TDMainWindowController::p_selectTask(TDTask* task) {
    m_tasks.setSelection({task});
    return m_tasks.selection().contains(task);
}

bool TDMainWindowController::isWindowKey() const {
    return !m_view || m_view->isWindowKey();
}

bool TDMainWindowController::isTasksViewEditing() const {
    return m_view && m_view->isTasksViewEditing();
}

void TDMainWindowController::focusInitialFirstResponder() {
    if (m_view) m_view->focusTasksView();
}

bool TDMainWindowController::isEditingGroupTitle() const {
    return m_view && m_view->isEditingGroupTitle();
}

QString TDMainWindowController::selectedTabGroupUID() const {
    const TDGroup* group = m_tabs.selectedGroup();
    return group ? group->uid() : QString();
}

QVariantMap TDMainWindowController::selectedTabViewOptions() const {
    const int index = m_tabs.selectedTabIndex();
    if (index < 0) return {};
    return m_tabs.userInfoAtTabIndex(index).value(TDGroupTabs::ViewOptionsKey).toMap();
}

void TDMainWindowController::selectGroup(TDGroup* group) {
    m_groups.selectGroup(group);
}

TDGroup* TDMainWindowController::shownGroup() const {
    return m_groups.shownGroup();
}

QVariantMap TDMainWindowController::tabViewOptions() const {
    return m_tasks.viewOptions();
}

QVariantMap TDMainWindowController::groupHistoryState() const {
    return m_groups.groupHistoryState();
}

void TDMainWindowController::tasksControllerDidEnableTaskFilter(bool enabled) {
    if (enabled == m_taskFilterEnabled) return;
    m_taskFilterEnabled = enabled;
    Q_EMIT taskFilterEnabledChanged(enabled);
}

QString TDMainWindowController::statusText() const {
    if (m_syncing) return tr("Syncing\u2026");
    if (m_syncNotice.isEmpty()) return m_tasks.statusBarSummary();
    return tr("%1 \u2014 %2").arg(m_tasks.statusBarSummary(), m_syncNotice);
}

void TDMainWindowController::setSyncNotice(const QString& text) {
    if (m_syncNotice == text) return;
    m_syncNotice = text;
    Q_EMIT statusTextChanged();
}

void TDMainWindowController::p_syncWillStart() {
    m_syncing = true;
    m_syncNotice.clear();
    Q_EMIT syncStateChanged();
    Q_EMIT statusTextChanged();
}

void TDMainWindowController::p_syncDidFinish(const std::optional<TDError>& error) {
    m_syncError = error;
    m_syncing = false;
    Q_EMIT syncStateChanged();
    Q_EMIT statusTextChanged();
}

void TDMainWindowController::p_libraryDidFinishLoading() {
    if (m_tabs.library() == m_manager.library()) return;
    m_tabs.setLibrary(m_manager.library());
}

void TDMainWindowController::p_tabWillBeSelected() {
    // Go-to puts its group back into the tab being left, before that tab keeps what it shows.
    if (!m_commandBar || !m_commandBar->isGotoOpen()) return;
    const InPlace inPlace(m_groups);
    m_commandBar->closeGoto(false);
}

void TDMainWindowController::p_showTabGroup(TDGroup* group, const QVariantMap& history) {
    // A tab's group shows in place: Ctrl held while switching tabs must not open another tab.
    const InPlace inPlace(m_groups);
    m_groups.selectGroup(group);
    if (!history.isEmpty()) m_groups.setGroupHistoryState(history);
}
