#include "app/group_tabs.h"

#include "language/localized_string.h"
#include "model/group.h"
#include "model/library.h"
#include "model/library_change_signals.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/notifications/notification_center.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/task_presentation.h"
#include "taskviews/tasks_controller.h"

#include <QTimer>

TDGroupTabs::TDGroupTabs(platform::UserDefaults& defaults, QObject* parent) : TDTabList(defaults, parent) {
    setDelegate(this);
    platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, TDManagedObjectContextWillResetNotification, nullptr,
                       [this](const platform::Notification& note) {
                           if (m_context && note.sender == m_context) stopObserving();
                       });
    center.addObserver(this, TDActiveLibraryWillChangeNotification, nullptr,
                       [this](const platform::Notification&) { setLibrary(nullptr); });
}

TDGroupTabs::~TDGroupTabs() {
    stopObserving();
    setDelegate(nullptr);
}

void TDGroupTabs::restoreTabs() {
    // Restoring again replaces the tabs (a library brings its own).
    stopObserving();
    removeAllTabs();
    if (autosaveName().isEmpty())
        setAutosaveName(QStringLiteral("tabs"));
    else
        loadTabs();
    if (numberOfTabs() == 0) addTabWithRepresentedObject(TodayTabObject);
}

void TDGroupTabs::setLibrary(TDLibrary* library) {
    stopObserving();
    m_changes.reset();
    m_library = library;
    m_context = library ? library->managedObjectContext() : nullptr;
    if (!library) return;
    m_changes = std::make_unique<TDLibraryChangeSignals>(library->managedObjectContext());
    connect(m_changes.get(), &TDLibraryChangeSignals::groupsUpdated, this, &TDGroupTabs::p_groupsUpdated);
    connect(m_changes.get(), &TDLibraryChangeSignals::allObjectsInvalidated, this,
            &TDGroupTabs::stopObserving);
    if (TDGroup* group = selectedGroup())
        Q_EMIT currentGroupChanged(group, userInfoAtTabIndex(selectedTabIndex()).value(HistoryKey).toMap());
    QTimer::singleShot(0, this, &TDGroupTabs::p_loadOtherTabs);
}

void TDGroupTabs::p_loadOtherTabs() {
    for (int index = numberOfTabs() - 1; index >= 0; --index)
        if (index != selectedTabIndex())
            if (TDGroup* group = groupAtTabIndex(index)) setGroup(group, index);
}

TDGroup* TDGroupTabs::p_groupForObject(const QVariant& object) const {
    if (!m_library || !object.isValid()) return nullptr;
    const QString uid = object.toString();
    if (uid == TodayTabObject) return m_library->todayGroup();
    return m_library->groupWithUID(uid);
}

TDGroup* TDGroupTabs::groupAtTabIndex(int index) const {
    return p_groupForObject(representedObjectAtTabIndex(index));
}

QString TDGroupTabs::tabTypeAtIndex(int index) const {
    if (representedObjectAtTabIndex(index).toString() == TodayTabObject) return TodayTabObject;
    const QString type = userInfoAtTabIndex(index).value(TabTypeKey).toString();
    return type.isEmpty() ? QStringLiteral("list") : type;
}

void TDGroupTabs::addTabWithGroup(TDGroup* group) {
    if (group) addTabWithRepresentedObject(group->uid());
}

void TDGroupTabs::openGroupInNewTab(TDGroup* group) {
    if (!group) return;
    addTabWithGroup(group);
    selectTabAtIndex(numberOfTabs() - 1);
}

void TDGroupTabs::setGroup(TDGroup* group, int index) {
    if (!group) {
        logWithLevel(TDLogWarning, "WARNING", "Tried to set nil group to tab at index %ld", qint64(index));
        return;
    }
    if (index < 0 || index >= numberOfTabs()) return;
    p_stopObservingGroupOfTab(index);
    m_observedGroups.insert(group, group->uid());
    setUserInfoValue(index, TitleKey, group->localizedTitle());
    setUserInfoValue(index, TabTypeKey, group->tabType());
    setRepresentedObject(group->uid(), index);
}

int TDGroupTabs::indexOfTabWithGroup(const TDGroup* group) const {
    if (!group) return NotFound;
    const QString uid = group->uid();
    for (int index = numberOfTabs() - 1; index >= 0; --index)
        if (representedObjectAtTabIndex(index).toString() == uid) return index;
    return NotFound;
}

bool TDGroupTabs::selectTabWithGroup(const TDGroup* group) {
    const int index = indexOfTabWithGroup(group);
    if (index == NotFound) return false;
    selectTabAtIndex(index);
    return true;
}

void TDGroupTabs::removeTabAtIndex(int index) {
    // Even the last tab, which stays, stops following its group's title.
    p_stopObservingGroupOfTab(index);
    TDTabList::removeTabAtIndex(index);
}

void TDGroupTabs::resetToToday() {
    stopObserving();
    removeAllTabs();
    addTabWithRepresentedObject(TodayTabObject);
    if (TDGroup* today = selectedGroup()) Q_EMIT currentGroupChanged(today, {});
}

void TDGroupTabs::stopObserving() {
    m_observedGroups.clear();
}

void TDGroupTabs::p_stopObservingGroupOfTab(int index) {
    const QString uid = representedObjectAtTabIndex(index).toString();
    if (uid.isEmpty()) return;
    // By UID: a group of a library already let go of is not touched.
    for (auto it = m_observedGroups.begin(); it != m_observedGroups.end(); ++it)
        if (it.value() == uid) {
            m_observedGroups.erase(it);
            return;
        }
}

void TDGroupTabs::p_groupsUpdated(const QList<TDGroup*>& groups, const platform::ChangedKeys& keys) {
    for (TDGroup* group : groups) {
        if (!m_observedGroups.contains(group) || !keys.value(group).contains(TitleKey)) continue;
        const QString uid = group->uid();
        for (int index = 0; index < numberOfTabs(); ++index)
            if (representedObjectAtTabIndex(index).toString() == uid) {
                setUserInfoValue(index, TitleKey, group->localizedTitle());
                setRepresentedObject(uid, index);
            }
    }
}

QString TDGroupTabs::titleForTab(const TDTabList& tabs, int index) {
    const QVariantMap info = tabs.userInfoAtTabIndex(index);
    if (info.contains(TitleKey)) return info.value(TitleKey).toString();
    const QVariant object = tabs.representedObjectAtTabIndex(index);
    if (object.toString() == TodayTabObject) return TDGroup::localizedTitle(QStringLiteral("Today"));
    if (TDGroup* group = p_groupForObject(object)) return group->localizedTitle();
    return {};
}

QVariant TDGroupTabs::representedObjectForNewTab(const TDTabList& tabs) {
    Q_UNUSED(tabs)
    if (m_library && m_library->todayGroup()) return m_library->todayGroup()->uid();
    return TodayTabObject;
}

QVariant TDGroupTabs::persistentObjectForRepresentedObject(const TDTabList& tabs, const QVariant& object) {
    Q_UNUSED(tabs)
    return object;
}

QVariant TDGroupTabs::representedObjectForPersistentObject(const TDTabList& tabs, const QVariant& stored) {
    Q_UNUSED(tabs)
    return stored.toString().isEmpty() ? QVariant() : QVariant(stored.toString());
}

QStringList TDGroupTabs::persistentUserInfoKeys(const TDTabList& tabs) {
    Q_UNUSED(tabs)
    return {TitleKey, ViewOptionsKey, TabTypeKey};
}

void TDGroupTabs::p_storeShownGroup(int index) {
    if (!m_host) return;
    if (TDGroup* group = m_host->shownGroup()) {
        setUserInfoValue(index, TitleKey, group->localizedTitle());
        setUserInfoValue(index, TabTypeKey, group->tabType());
    }
    setUserInfoValue(index, ViewOptionsKey, m_host->tabViewOptions());
}

void TDGroupTabs::tabListWillSelectTab(TDTabList& tabs, int index) {
    Q_EMIT tabWillBeSelected(index);
    if (tabs.isLoading()) return;
    if (tabs.representedObjectAtTabIndex(index).toString() == TodayTabObject) {
        setUserInfoValue(index, TitleKey, TDGroup::localizedTitle(QStringLiteral("Today")));
        setUserInfoValue(index, TabTypeKey, TodayTabObject);
    }
    // The tab being left keeps what it showed, whichever tab comes next.
    if (tabs.selectedTabIndex() != NotFound && m_host) {
        p_storeShownGroup(tabs.selectedTabIndex());
        setUserInfoValue(tabs.selectedTabIndex(), HistoryKey, m_host->groupHistoryState());
    }
}

void TDGroupTabs::tabListDidSelectTab(TDTabList& tabs, int index) {
    if (TDGroup* group = groupAtTabIndex(index))
        Q_EMIT currentGroupChanged(group, tabs.userInfoAtTabIndex(index).value(HistoryKey).toMap());
    Q_EMIT tabWasSelected(index);
}

void TDGroupTabs::tabListWillAutosave(TDTabList& tabs) {
    if (tabs.selectedTabIndex() != NotFound) p_storeShownGroup(tabs.selectedTabIndex());
}

// --- Drops of tasks

TDDragOperation TDGroupTabs::validateDrop(int index, const QMimeData* data, bool allowsMove) const {
    if (!m_library || index < 0 || index >= numberOfTabs() || index == selectedTabIndex())
        return TDDragOperation::None;
    TDGroup* group = groupAtTabIndex(index);
    if (!group || group->isDeleted() || group->isFolder() || group->isArchived() ||
        (group->isSmartFolder() && !group->isTodayGroup()))
        return TDDragOperation::None;
    return TDTaskDropOperation(data, TDDroppedDataOf(data, allowsMove, false), *group, *m_library, false);
}

bool TDGroupTabs::performDrop(int index, const QMimeData* data, bool allowsMove) {
    if (validateDrop(index, data, allowsMove) == TDDragOperation::None) return false;
    TDGroup* group = groupAtTabIndex(index);
    const bool moves = TDDroppedDataOf(data, allowsMove, false) == TDDroppedData::TaskIDs;
    QList<TDTask*> tasks;
    if (moves) {
        Result<QList<TDTask*>> dragged = TDTasksFromDraggedIDs(data, *m_library);
        if (!dragged) return false;
        tasks = std::move(*dragged);
    } else {
        tasks = m_library->createTasksFromMimeData(data);
        if (tasks.isEmpty()) return false;
    }
    TDTaskPresentation* outline = m_tasksController ? m_tasksController->presentation() : nullptr;
    if (outline) outline->saveState();
    TDPlaceDroppedTasks(*group, tasks, !moves);
    platform::ManagedObjectContext* context = m_library->managedObjectContext();
    context->processPendingChanges();
    if (outline) outline->restoreState();
    if (platform::UndoManager* undo = context->undoManager())
        undo->setActionName(TDLocalizedString("Drag Operation"));
    return true;
}
