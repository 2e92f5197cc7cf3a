#include "taskviews/tasks_controller.h"

#include "foundation/string_additions.h"
#include "model/group.h"
#include "model/library.h"
#include "model/library_notifications.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/card_deck.h"
#include "taskviews/mutable_comparison_predicate.h"
#include "taskviews/mutable_compound_predicate.h"
#include "taskviews/task_feedback.h"
#include "taskviews/task_presentation.h"
#include "taskviews/task_window_context.h"
#include "taskviews/tasks_view_task_enumerator.h"

#include <QTimer>

using platform::NotificationCenter;

TDTasksController::TDTasksController(TDLibraryManager& libraryManager, QObject* parent)
    : QObject(parent), m_manager(libraryManager) {
    m_hideOldCompletedPredicate = std::make_shared<TDMutableComparisonPredicate>();
    m_tagFilterPredicate = std::make_shared<TDMutableComparisonPredicate>();
    m_tagFilterPredicate->setEnabled(false);
    m_titleFilterPredicate = std::make_shared<TDMutableComparisonPredicate>();
    m_titleFilterPredicate->setEnabled(false);
    m_filterPredicate = TDMutableCompoundPredicate::andPredicateWithSubpredicates(
        {m_hideOldCompletedPredicate, m_tagFilterPredicate, m_titleFilterPredicate});
    setHideOldCompletedTasksCutoffDate(QDateTime());

    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(this, TDLibraryDidFinishLoadingNotificationName, nullptr,
                       [this](const platform::Notification&) { p_libraryDidFinishLoading(); });
    center.addObserver(this, TDActiveLibraryWillChangeNotification, nullptr,
                       [this](const platform::Notification&) { p_releaseObjects(); });
    connect(&platform::UserDefaults::standard(), &platform::UserDefaults::valueChanged, this,
            [this](const QString& key) { p_defaultDidChange(key); });
    p_readShowsDatesAsIntervals();
    if (m_manager.library()) p_libraryDidFinishLoading();
}

TDTasksController::~TDTasksController() {
    NotificationCenter::defaultCenter().removeObserver(this);
    p_releaseObjects();
}

TDTaskPresentation* TDTasksController::presentation() const {
    return m_mode == 1 ? m_cards : m_outline;
}

TDLibrary* TDTasksController::library() const {
    if (!m_context) return nullptr;
    return m_temporaryLibrary ? m_temporaryLibrary : m_manager.library();
}

TDManagedObjectContext* TDTasksController::managedObjectContext() const {
    return m_context;
}

platform::UndoManager* TDTasksController::undoManager() const {
    if (!m_context) return nullptr;
    return m_temporaryLibrary ? m_temporaryUndo : m_manager.undoManager();
}

void TDTasksController::useTemporaryContext(TDManagedObjectContext* context, TDLibrary* library,
                                            platform::UndoManager* undo) {
    p_releaseObjects();
    m_temporaryLibrary = library;
    m_temporaryUndo = undo;
    m_context = context;
    m_savesOptions = false;
    p_observeUndo(undo);
}

void TDTasksController::p_libraryDidFinishLoading() {
    if (m_temporaryLibrary || m_context == m_manager.managedObjectContext()) return;
    m_context = m_manager.managedObjectContext();
    if (!m_context) return;
    p_observeUndo(m_manager.undoManager());
    registerForMOCObserving();
}

void TDTasksController::p_observeUndo(platform::UndoManager* undo) {
    if (!undo) return;
    connect(undo, &platform::UndoManager::willUndo, this, &TDTasksController::p_willUndoOrRedo);
    connect(undo, &platform::UndoManager::willRedo, this, &TDTasksController::p_willUndoOrRedo);
    connect(undo, &platform::UndoManager::didUndo, this, &TDTasksController::p_didUndoOrRedo);
    connect(undo, &platform::UndoManager::didRedo, this, &TDTasksController::p_didUndoOrRedo);
}

// Before the library goes: nothing may point into it afterwards.
void TDTasksController::p_releaseObjects() {
    m_reloadAfterDateChangeScheduled = false;
    unregisterForMOCObserving();
    if (platform::UndoManager* undo = undoManager()) disconnect(undo, nullptr, this, nullptr);
    if (!m_context) return;
    if (m_cardDeck) m_cardDeck->setGroup(nullptr);
    p_beginReloadingRows();
    p_clearSections();
    p_observeGroupTitle(nullptr);
    m_group = nullptr;
    m_topTasks = nullptr;
    m_filterTags.clear();
    m_filterTagInfo.clear();
    m_tagFilterPredicate->setRealPredicate({});
    m_tagFilterPredicate->setEnabled(false);
    m_context = nullptr;
    m_temporaryLibrary = nullptr;
    m_temporaryUndo = nullptr;
    p_endReloadingRows();
}

void TDTasksController::setDisplayMode(int displayMode) {
    m_displayMode = displayMode;
    if (m_outline) m_outline->setDisplayMode(displayMode);
}

void TDTasksController::setGroup(TDGroup* group) {
    finishEditing();
    if (m_window && m_window->isTitleFilterFieldFirstResponder()) m_window->focusInitialFirstResponder();
    m_changeGroupToRestoreSelection = false;
    platform::UndoManager* undo = undoManager();
    if (m_context) m_context->processPendingChanges();
    if (undo) undo->disableUndoRegistration();

    m_tagFilterPredicate->setEnabled(false);
    m_titleFilterPredicate->setEnabled(false);
    m_titleFilterString.clear();
    setTitleFilterPredicate({}, false);
    saveViewOptions();

    p_beginReloadingRows();
    p_observeGroupTitle(group);
    m_group = group;
    m_topTasks = group ? group->orderedTasks() : nullptr;
    if (!group)
        setDisplayMode(NoGroupMode);
    else if (group->isFolder())
        setDisplayMode(FolderMode);
    else if (group->isList())
        setDisplayMode(ListMode);
    else if (group->isTag())
        setDisplayMode(TagMode);
    else if (group->isSmartFolder())
        setDisplayMode(SmartFolderMode);
    else {
        qWarning("Don't know what display mode to set to the tasks view");
        setDisplayMode(ListMode);
    }
    applyViewOptionsBeforeReloading(viewOptionsForGroup(group));
    p_endReloadingRows();
    applyViewOptionsAfterReloading(viewOptionsForGroup(group));
    updateUI();

    if (m_context) m_context->processPendingChanges();
    if (undo) undo->enableUndoRegistration();
    if (m_mode == 1 && m_cardDeck) m_cardDeck->setGroup(group);
}

void TDTasksController::p_observeGroupTitle(TDGroup* group) {
    if (m_group && m_groupTitleObservation >= 0) m_group->removeObserver(m_groupTitleObservation);
    m_groupTitleObservation = -1;
    if (!group) return;
    m_groupTitleObservation = group->addObserver(QStringLiteral("title"), this, [this, group](const auto&) {
        if (group == m_group && !group->isDeleted() && !group->uid().isEmpty() && hasDummyHeader())
            Q_EMIT headerRowNeedsDisplay();
    });
}

void TDTasksController::setMode(qint64 mode) {
    if (mode == m_mode) return;
    finishEditing();
    if (m_context) m_context->processPendingChanges();
    if (mode == 1 && !m_cardDeck) {
        m_cardDeck = std::make_unique<TDCardDeck>(*this, m_outline);
        m_cards = m_cardDeck.get();
    }
    m_mode = mode;
    if (m_cardDeck) m_cardDeck->setGroup(mode == 1 ? m_group : nullptr);
    if (TDTaskPresentation* shown = presentation()) {
        shown->setDrawsOverlay(m_drawsOverlay);
        if (mode != 1) shown->centerSelectionIfNotFullyVisible();
    }
    if (m_window) m_window->tasksModeDidChange(int(mode));
    Q_EMIT modeChanged(mode);
}

void TDTasksController::finishEditing() {
    if (TDTaskPresentation* shown = presentation()) shown->finishEditing();
}

bool TDTasksController::isEditingTitle() const {
    const TDTaskPresentation* shown = presentation();
    return shown && shown->editedColumn() == 2 && !shown->isEditingNote();
}

bool TDTasksController::isEditingNote() const {
    const TDTaskPresentation* shown = presentation();
    return shown && shown->editedColumn() == 2 && shown->isEditingNote();
}

// ---------------------------------------------------------------------------------------------------
// Model observation

void TDTasksController::registerForMOCObserving() {
    if (m_observingMOC || !m_context) return;
    m_observingMOC = true;
    // Nobody splits a temporary context's changes into the library's notices: its own are followed.
    NotificationCenter::defaultCenter().addObserver(
        this,
        m_temporaryLibrary ? platform::ManagedObjectContextObjectsDidChangeNotification
                           : TDLibraryMOCDidChangeNotification,
        static_cast<platform::ManagedObjectContext*>(m_context),
        [this](const platform::Notification& notification) {
            p_managedObjectContextDidChange(notification);
        });
}

void TDTasksController::unregisterForMOCObserving() {
    if (!m_observingMOC) return;
    m_observingMOC = false;
    NotificationCenter::defaultCenter().removeObserver(this, TDLibraryMOCDidChangeNotification);
    NotificationCenter::defaultCenter().removeObserver(
        this, platform::ManagedObjectContextObjectsDidChangeNotification);
}

void TDTasksController::p_managedObjectContextDidChange(const platform::Notification&) {
    if (!m_group || m_group->isDeleted()) return;
    if (m_displayMode == FolderMode) {
        qsizetype lists = 0;
        for (TDGroup* subgroup : m_group->subgroups())
            if (subgroup->isList()) ++lists;
        if (lists != m_sectionPointers.size()) p_groupByAttribute(m_groupingAttribute, m_reverseSort, true);
    }
    QList<TDTaskRowItem> remembered;
    if (m_changeGroupToRestoreSelection && presentation()) remembered = presentation()->selectedItems();
    reload();
    // A command moved the selected tasks out of the shown list: follow them into theirs.
    if (m_displayMode == FolderMode && !remembered.isEmpty() && presentation() &&
        remembered != presentation()->selectedItems()) {
        if (TDTask* first = remembered.first().task(); first && m_window)
            m_window->selectGroup(first->list());
        presentation()->selectItems(remembered, true);
        return;
    }
    m_changeGroupToRestoreSelection = false;
}

void TDTasksController::p_willUndoOrRedo() {
    finishEditing();
    if (m_outline) m_outline->saveState();
}

void TDTasksController::p_didUndoOrRedo() {
    if (m_outline) m_outline->restoreState();
    if (m_mode == 1 && m_cardDeck) m_cardDeck->didUndoOrRedo();
}

void TDTasksController::p_defaultDidChange(const QString& key) {
    if (key == QLatin1String("automaticallyHideTasks") || key == QLatin1String("completedDaysToShow"))
        p_scheduleReloadAfterDateChange();
    else if (key == QLatin1String("showDatesAsIntervals")) {
        p_readShowsDatesAsIntervals();
        if (!m_optionKeyDown) Q_EMIT showsDatesAsIntervalsChanged(showsDatesAsIntervals());
    }
}

// Several changes in a row make one reload.
void TDTasksController::p_scheduleReloadAfterDateChange() {
    if (m_reloadAfterDateChangeScheduled) return;
    m_reloadAfterDateChangeScheduled = true;
    QTimer::singleShot(0, this, [this] {
        if (!m_reloadAfterDateChangeScheduled) return;
        m_reloadAfterDateChangeScheduled = false;
        reloadAfterDateChange();
    });
}

// ---------------------------------------------------------------------------------------------------
// Selection and counts

QList<TDTask*> TDTasksController::selection() const {
    QList<TDTask*> tasks;
    if (const TDTaskPresentation* shown = presentation())
        for (const TDTaskRowItem& item : shown->selectedItems())
            if (TDTask* task = item.task()) tasks.append(task);
    return tasks;
}

void TDTasksController::setSelection(const QList<TDTask*>& tasks) {
    TDTaskPresentation* shown = presentation();
    if (!shown) return;
    QList<TDTaskRowItem> items;
    for (TDTask* task : tasks) items.append(TDTaskRowItem::task(task));
    shown->selectItems(items, false);
    Q_EMIT selectionChanged();
}

void TDTasksController::p_setNumberOfActions(qint64 count) {
    if (count == m_numberOfActions) return;
    m_numberOfActions = count;
    Q_EMIT statusBarSummaryChanged();
}

void TDTasksController::p_setNumberOfVisibleActions(qint64 count) {
    if (count == m_numberOfVisibleActions) return;
    m_numberOfVisibleActions = count;
    Q_EMIT statusBarSummaryChanged();
}

QString TDTasksController::statusBarSummary() const {
    if (m_numberOfActions == 0) return QString();
    const QString actions = stringWithQuantity(qulonglong(m_numberOfActions), tr("action"), tr("actions"));
    if (isFiltering() || m_groupingLimit != 0)
        return tr("%1 of %2").arg(m_numberOfVisibleActions).arg(actions);
    return actions;
}

bool TDTasksController::hasTag(TDTag* tag) {
    return numberOfOccurrencesOfTag(tag) > 0;
}

qint64 TDTasksController::numberOfOccurrencesOfTag(TDTag* tag) {
    qint64 count = 0;
    TDTasksViewTaskEnumerator tasks(this);
    while (TDTask* task = tasks.nextObject())
        if (task->tags().contains(tag)) ++count;
    return count;
}

qint64 TDTasksController::numberOfIncompleteActions() {
    qint64 count = 0;
    TDTasksViewTaskEnumerator tasks(this);
    while (TDTask* task = tasks.nextObject())
        if (task->isIncomplete()) ++count;
    return count;
}

qint64 TDTasksController::numberOfTasks() {
    qint64 count = 0;
    TDTasksViewTaskEnumerator tasks(this);
    while (tasks.nextObject()) ++count;
    return count;
}

qint64 TDTasksController::numberOfMatchesForFindString(const QString& text) {
    qint64 count = 0;
    TDTasksViewTaskEnumerator tasks(this);
    while (TDTask* task = tasks.nextObject())
        if (task->title().contains(text, Qt::CaseInsensitive)) ++count;
    return count;
}
