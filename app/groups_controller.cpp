#include "app/groups_controller.h"

#include "app/groups_window_context.h"
#include "app/option_key_notifications.h"
#include "app/source_list_presentation.h"
#include "controls/outline_item_roles.h"
#include "model/library.h"
#include "model/library_change_signals.h"
#include "model/managed_object_context.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/tasks_controller.h"

#include <QScopedValueRollback>
#include <QThread>

#include <functional>

namespace {

const QString kSourceListModeOption = QStringLiteral("sourceListMode");
const QString kShowIncompleteTaskCount = QStringLiteral("showIncompleteTaskCount");
const QString kFirstLaunch = QStringLiteral("firstLaunch");

QString selectionOptionKey(int mode) {
    return QStringLiteral("TDExtendedOutlineView %1 selection")
        .arg(TDGroupsController::autosaveNameForMode(mode));
}

QString expandedOptionKey(int mode) {
    return QStringLiteral("TDExtendedOutlineView %1 expanded")
        .arg(TDGroupsController::autosaveNameForMode(mode));
}

bool belongsToTagsMode(const TDGroup* group) {
    return group->isTag() || group->isTagBundle();
}

}  // namespace

TDGroupsController::TDGroupsController(TDLibraryManager& libraryManager, QObject* parent)
    : QObject(parent),
      m_manager(libraryManager),
      m_model(std::make_unique<TDSourceListModel>()),
      m_selectionModel(std::make_unique<QItemSelectionModel>(m_model.get())) {
    m_model->setDropTarget(this);
    connect(m_selectionModel.get(), &QItemSelectionModel::selectionChanged, this,
            &TDGroupsController::p_outlineSelectionDidChange);
    // A shown group that moved to another folder left its old row (and the selection) behind.
    const auto reselect = [this] {
        if (m_selectionModel->hasSelection() || !shownGroup()) return;
        QScopedValueRollback<bool> quiet(m_changesTasksViewContent, false);
        p_selectInOutline(shownGroup());
    };
    connect(m_model.get(), &QAbstractItemModel::rowsInserted, this, reselect);
    connect(m_model.get(), &QAbstractItemModel::rowsRemoved, this, reselect);
    connect(m_model.get(), &QAbstractItemModel::rowsMoved, this, reselect);
    connect(&platform::UserDefaults::standard(), &platform::UserDefaults::valueChanged, this,
            [this](const QString& key) {
                if (key == kShowIncompleteTaskCount)
                    m_model->setShowsAllItemCounts(m_optionKeyDown || p_showsIncompleteTaskCount());
            });
    m_model->setShowsAllItemCounts(p_showsIncompleteTaskCount());

    platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, TDLibraryDidFinishLoadingNotificationName, nullptr,
                       [this](const platform::Notification&) {
                           if (QThread::currentThread() == thread())
                               p_libraryDidFinishLoading();
                           else
                               QMetaObject::invokeMethod(this, &TDGroupsController::p_libraryDidFinishLoading,
                                                         Qt::QueuedConnection);
                       });
    center.addObserver(this, TDActiveLibraryWillChangeNotification, nullptr,
                       [this](const platform::Notification&) { releaseObjects(); });
    center.addObserver(this, TDOptionKeyDown, nullptr,
                       [this](const platform::Notification&) { optionKeyDown(); });
    center.addObserver(this, TDOptionKeyUp, nullptr,
                       [this](const platform::Notification&) { optionKeyUp(); });
    if (m_manager.library()) p_libraryDidFinishLoading();
}

TDGroupsController::~TDGroupsController() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    m_changeSignals.reset();
}

TDLibrary* TDGroupsController::library() const {
    return m_model->library();
}

QString TDGroupsController::autosaveNameForMode(int mode) {
    return mode == TDSourceListModel::TagsMode ? QStringLiteral("Tags") : QStringLiteral("Groups");
}

// --- The library

void TDGroupsController::p_libraryDidFinishLoading() {
    TDLibrary* library = m_manager.library();
    if (!library) return;
    m_changeSignals = std::make_unique<TDLibraryChangeSignals>(m_manager.managedObjectContext());
    connect(m_changeSignals.get(), &TDLibraryChangeSignals::groupsDeleted, this,
            &TDGroupsController::p_groupsDeleted);
    connect(m_changeSignals.get(), &TDLibraryChangeSignals::allObjectsInvalidated, this,
            &TDGroupsController::releaseObjects);
    if (platform::UndoManager* undo = m_manager.undoManager()) {
        const auto commitEditing = [this] {
            if (m_presentation && m_presentation->isEditingTitle()) m_presentation->commitEditing();
        };
        connect(undo, &platform::UndoManager::willUndo, this, commitEditing);
        connect(undo, &platform::UndoManager::willRedo, this, commitEditing);
    }
    m_model->setLibrary(library);
    m_modeInstalled = false;
    setMode(m_manager.optionForKey(kSourceListModeOption).toInt());
}

void TDGroupsController::releaseObjects() {
    if (!m_model->library()) return;
    p_saveExpandedState();
    if (platform::UndoManager* undo = m_manager.undoManager()) undo->disconnect(this);
    m_changeSignals.reset();
    m_selectionModel->clear();
    m_model->setLibrary(nullptr);
    m_model->setHighlightedGroups({});
    m_history = TDGroupHistory();
    m_shownGroup = nullptr;
    m_clickedGroup = nullptr;
    m_modeInstalled = false;
    Q_EMIT historyChanged();
}

// --- Modes

void TDGroupsController::setMode(int mode) {
    const auto newMode = mode == 1 ? TDSourceListModel::TagsMode : TDSourceListModel::FoldersMode;
    if (m_modeInstalled && newMode == m_model->mode()) return;
    if (m_savesViewOptions && m_model->library()) m_manager.setOption(int(newMode), kSourceListModeOption);
    if (m_modeInstalled) p_saveExpandedState();
    {
        // Rebuilding the rows clears the selection; the shown group is put back below.
        QScopedValueRollback<bool> quiet(m_changesTasksViewContent, false);
        m_model->setMode(newMode);
        p_restoreExpandedState();
        m_modeInstalled = m_model->library() != nullptr;
        p_selectInOutline(shownGroup());
    }
    Q_EMIT modeChanged(int(newMode));
}

void TDGroupsController::p_saveExpandedState() {
    if (!m_model->library()) return;
    m_manager.setOption(m_model->expandedState(), expandedOptionKey(mode()));
}

void TDGroupsController::p_restoreExpandedState() {
    TDLibrary* library = m_model->library();
    if (!library) return;
    const QVariant saved = m_manager.optionForKey(expandedOptionKey(mode()));
    if (saved.isValid()) {
        m_model->setExpandedState(saved.toStringList());
    } else {
        // The first time: every section open.
        for (int row = 0; row < m_model->rowCount(); ++row)
            m_model->setExpanded(m_model->index(row, 0), true);
    }
    if (mode() == TDSourceListModel::TagsMode && platform::UserDefaults::standard().boolean(kFirstLaunch))
        m_model->expandAll();
    if (mode() == TDSourceListModel::FoldersMode) {
        // The Inbox's and the Ordellos' sections have no disclosure: always open.
        for (TDGroup* special : {library->inboxGroup(), library->todayGroup()})
            if (special) m_model->setExpanded(m_model->indexForGroup(special->parentGroup()), true);
    }
}

// --- Selection

TDGroup* TDGroupsController::selectedGroup() const {
    const QModelIndexList rows = m_selectionModel->selectedRows();
    return rows.size() == 1 ? m_model->groupForIndex(rows.first()) : nullptr;
}

TDGroup* TDGroupsController::shownGroup() const {
    return m_tasksController ? m_tasksController->group() : m_shownGroup;
}

bool TDGroupsController::p_isEditing() const {
    return (m_presentation && m_presentation->isEditingTitle()) ||
           (m_window && m_window->isTasksViewEditing());
}

bool TDGroupsController::selectGroup(TDGroup* group) {
    if (!canSelectGroup(group)) return false;
    const Qt::KeyboardModifiers held =
        m_eventModifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const platform::UndoManager* undo = m_manager.undoManager();
    const bool replaying = undo && (undo->isUndoing() || undo->isRedoing());
    if (held == Qt::ControlModifier && !m_ignoreCommandKey && !replaying && m_window) {
        openInNewTab(group);
        return true;
    }
    return selectGroup(group, true);
}

bool TDGroupsController::selectGroup(TDGroup* group, bool modifyHistory) {
    if (!canSelectGroup(group)) return false;
    {
        QScopedValueRollback<bool> quiet(m_changesTasksViewContent, false);
        setMode(belongsToTagsMode(group) ? TDSourceListModel::TagsMode : TDSourceListModel::FoldersMode);
        p_show(group);
        p_selectInOutline(group);
        if (m_window && m_window->selectedTabIndex() >= 0)
            m_window->setGroupToTabAtIndex(group, m_window->selectedTabIndex());
        if (modifyHistory) m_history.insert(group->uid());
        if (m_presentation) m_presentation->centerSelectionIfNotFullyVisible();
    }
    if (modifyHistory) Q_EMIT historyChanged();
    return true;
}

void TDGroupsController::p_show(TDGroup* group) {
    const bool changed = shownGroup() != group;
    m_shownGroup = group;
    if (m_tasksController) m_tasksController->setGroup(group);
    if (changed) Q_EMIT shownGroupChanged(group);
}

void TDGroupsController::p_selectInOutline(const TDGroup* group) {
    const QModelIndex index = m_model->indexForGroup(group);
    if (!index.isValid() || !canSelectGroup(group)) {
        m_selectionModel->clear();
        return;
    }
    revealGroup(group);
    m_selectionModel->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TDGroupsController::p_outlineSelectionDidChange() {
    if (!m_changesTasksViewContent) return;
    TDGroup* group = selectedGroup();
    if (group && group != shownGroup()) selectGroup(group);
}

void TDGroupsController::openInNewTab(TDGroup* group) {
    if (!group || !m_window) return;
    m_window->addTabWithGroup(group);
    QScopedValueRollback<bool> inPlace(m_ignoreCommandKey, true);
    m_window->selectTabAtIndex(m_window->numberOfTabs() - 1);
}

void TDGroupsController::gotoGroup(int target) {
    TDLibrary* library = m_model->library();
    if (!library) return;
    TDGroup* group = nullptr;
    switch (target) {
        case GotoInbox:
            group = library->inboxGroup();
            break;
        case GotoToday:
            group = library->todayGroup();
            break;
        case GotoUpcoming:
            group = library->upcomingGroup();
            break;
        default:
            return;
    }
    if (group && group != selectedGroup()) selectGroup(group);
    p_focusTasks();
}

// The rows the outline shows, top to bottom: children of closed folders have none.
QList<QModelIndex> TDGroupsController::p_shownRows() const {
    QList<QModelIndex> rows;
    const std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int row = 0; row < m_model->rowCount(parent); ++row) {
            const QModelIndex index = m_model->index(row, 0, parent);
            rows.append(index);
            if (m_model->isExpanded(index)) walk(index);
        }
    };
    walk(QModelIndex());
    return rows;
}

QModelIndex TDGroupsController::p_nearestSelectableRow(bool below) const {
    const QList<QModelIndex> rows = p_shownRows();
    const QModelIndexList selected = m_selectionModel->selectedRows();
    qsizetype from = below ? -1 : rows.size();
    for (const QModelIndex& index : selected) {
        const qsizetype row = rows.indexOf(index);
        if (row < 0) continue;
        from = below ? qMax(from, row) : (from == rows.size() ? row : qMin(from, row));
    }
    for (qsizetype row = from + (below ? 1 : -1); row >= 0 && row < rows.size(); row += below ? 1 : -1)
        if (m_model->flags(rows.at(row)).testFlag(Qt::ItemIsSelectable)) return rows.at(row);
    return {};
}

bool TDGroupsController::p_selectNearestRow(bool below) {
    const QModelIndex row = p_nearestSelectableRow(below);
    if (!row.isValid()) return false;
    m_selectionModel->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}

void TDGroupsController::selectPreviousGroup() {
    if (p_selectNearestRow(false)) p_focusTasks();
}

void TDGroupsController::selectNextGroup() {
    if (p_selectNearestRow(true)) p_focusTasks();
}

// A group chosen by a command shows its tasks to type into: Return and typing go to the outline.
void TDGroupsController::p_focusTasks() {
    if (m_window) m_window->focusInitialFirstResponder();
}

void TDGroupsController::revealGroup(const TDGroup* group) {
    const QModelIndex index = m_model->indexForGroup(group);
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        m_model->setExpanded(parent, true);
}

void TDGroupsController::expandGroup(const TDGroup* group) {
    revealGroup(group);
    m_model->setExpanded(m_model->indexForGroup(group), true);
}

// --- History

void TDGroupsController::setGroupHistoryState(const QVariant& state) {
    const TDGroup* current = selectedGroup() ? selectedGroup() : shownGroup();
    m_history.setState(state, current ? current->uid() : QString());
    Q_EMIT historyChanged();
}

void TDGroupsController::addCurrentGroupToHistory() {
    if (TDGroup* group = shownGroup()) m_history.insert(group->uid());
    Q_EMIT historyChanged();
}

void TDGroupsController::p_moveInHistory(int direction) {
    TDLibrary* library = m_model->library();
    if (!library) return;
    QScopedValueRollback<bool> quiet(m_changesTasksViewContent, false);
    const QString uid = m_history.move(direction, [this, library](const QString& candidate) {
        const TDGroup* group = library->groupWithUID(candidate);
        return group && !group->isDeleted() && group != shownGroup() && canSelectGroup(group);
    });
    if (!uid.isEmpty()) {
        TDGroup* group = library->groupWithUID(uid);
        setMode(belongsToTagsMode(group) ? TDSourceListModel::TagsMode : TDSourceListModel::FoldersMode);
        p_show(group);
        p_selectInOutline(group);
        if (m_window && m_window->selectedTabIndex() >= 0)
            m_window->setGroupToTabAtIndex(group, m_window->selectedTabIndex());
        if (m_window) m_window->focusInitialFirstResponder();
    }
    Q_EMIT historyChanged();
}

// --- Library changes

// A deleted group leaves no tab: the tabs showing it close, and the last one left shows Today.
void TDGroupsController::p_groupsDeleted(const QList<TDGroup*>& groups) {
    if (!m_window) return;
    TDLibrary* library = m_model->library();
    for (TDGroup* group : groups) {
        for (int index = m_window->indexOfTabWithGroup(group); index >= 0;
             index = m_window->indexOfTabWithGroup(group)) {
            if (m_window->numberOfTabs() >= 2) {
                m_window->removeTabAtIndex(index);
                continue;
            }
            TDGroup* today = library ? library->todayGroup() : nullptr;
            if (!today || today == group) break;
            if (m_window->selectedTabIndex() != index) m_window->selectTabAtIndex(index);
            selectGroup(today, true);
            if (m_window->indexOfTabWithGroup(group) == index) break;
        }
    }
}

// --- Counts

bool TDGroupsController::p_showsIncompleteTaskCount() const {
    return platform::UserDefaults::standard().boolean(kShowIncompleteTaskCount);
}

void TDGroupsController::toggleTaskCount() {
    if (!m_savesViewOptions) return;
    platform::UserDefaults::standard().setValue(kShowIncompleteTaskCount, !p_showsIncompleteTaskCount());
}

void TDGroupsController::optionKeyDown() {
    if (m_window && !m_window->isWindowKey()) return;
    if (p_isEditing() || p_showsIncompleteTaskCount()) return;
    m_optionKeyDown = true;
    m_model->setShowsAllItemCounts(true);
}

void TDGroupsController::optionKeyUp() {
    if (!m_optionKeyDown) return;
    m_optionKeyDown = false;
    m_model->setShowsAllItemCounts(p_showsIncompleteTaskCount());
}

// --- State

void TDGroupsController::saveStateToUserDefaults() {
    if (!m_model->library()) return;
    QStringList selection;
    for (const QModelIndex& index : m_selectionModel->selectedRows())
        selection.append(m_model->data(index, TDOutlinePersistentObjectRole).toString());
    m_manager.setOption(selection, selectionOptionKey(mode()));
    p_saveExpandedState();
}
