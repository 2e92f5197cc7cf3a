// The Task, Sort By, Sort and Columns menus: titles and states before they open, which items are
// enabled, and the commands their items send.
#include "taskviews/tasks_controller.h"

#include "auxiliary/timer_controller.h"
#include "model/group.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "taskviews/task_menus.h"
#include "taskviews/task_presentation.h"
#include "taskviews/task_window_context.h"
#include "taskviews/tasks_view_task_enumerator.h"

#include <QHash>

#include <algorithm>

namespace {

// Exactly one distinct value among the tasks, and it is true.
template <typename Test>
bool allTasks(const QList<TDTask*>& tasks, Test test) {
    return !tasks.isEmpty() && std::all_of(tasks.begin(), tasks.end(), test);
}

}  // namespace

void TDTasksController::setupTaskMenu(TDTaskMenu& menu) {
    const QList<TDTask*> tasks = selection();
    if (!menu.items.isEmpty())
        menu.items[0].title = allTasks(tasks, [](TDTask* t) { return t->isCompleted(); })
                                  ? tr("Mark as Incomplete")
                                  : tr("Mark as Completed");
    if (menu.items.size() > 1)
        menu.items[1].title =
            allTasks(tasks, [](TDTask* t) { return t->isCanceled(); }) ? tr("Un-Cancel") : tr("Cancel");
    const bool several = selectedLinks(2).size() > 1;
    if (TDTaskMenuItem* open = menu.itemWithAction(QStringLiteral("openLink")))
        open->title = several ? tr("Open Links") : tr("Open Link");
    if (TDTaskMenuItem* open = menu.itemWithAction(QStringLiteral("openLinkInBackground")))
        open->title = several ? tr("Open Links in Background") : tr("Open Link in Background");
    for (TDTaskMenuItem& entry : menu.items)
        if (!entry.isSeparator()) entry.enabled = validateMenuItem(entry);
}

void TDTasksController::setupSortByMenu(TDTaskMenu& menu) {
    for (TDTaskMenuItem& entry : menu.items) {
        if (entry.action != QLatin1String("sortBy")) continue;
        if (entry.tag == TDSortByManualOrderTag) {
            if (m_group && m_group->isTodayGroup())
                entry.title = tr("Today");
            else if (m_group && m_group->isUpcomingGroup())
                entry.title = tr("Upcoming");
            else
                entry.title = tr("Manual Order");
        }
        entry.checked = (m_groupingAttribute.isEmpty() && entry.tag == TDSortByManualOrderTag) ||
                        (!m_groupingAttribute.isEmpty() &&
                         m_groupingAttribute == TDTask::attributeNameForDisplayString(entry.title));
        if (entry.title == tr("List")) entry.hidden = m_group && (m_group->isFolder() || m_group->isList());
        entry.enabled = validateMenuItem(entry);
    }
}

void TDTasksController::setupSortMenu(TDTaskMenu& menu) {
    menu.items.removeIf([](const TDTaskMenuItem& entry) { return entry.tag == TDSortInformationTag; });
    QString explanation;
    TDTaskPresentation* shown = presentation();
    if (!m_sortingAttribute.isEmpty())
        explanation = tr("Not sorting by manual order");
    else if (!shown || shown->selectedItems().size() < 2 || shown->editedRow() >= 0)
        explanation = tr("Too few tasks selected");
    else if (!validateSortMenuItem())
        explanation = tr("Selection is not contiguous");
    for (TDTaskMenuItem& entry : menu.items) {
        entry.hidden = !explanation.isEmpty();
        entry.enabled = explanation.isEmpty();
    }
    if (explanation.isEmpty()) return;
    TDTaskMenuItem information;
    information.title = explanation;
    information.tag = TDSortInformationTag;
    information.enabled = false;
    menu.items.append(information);
}

void TDTasksController::setupColumnsMenu(TDTaskMenu& menu) {
    for (TDTaskMenuItem& entry : menu.items) {
        if (entry.action == QLatin1String("toggleColumn")) entry.checked = isColumnShown(int(entry.tag));
        if (entry.action == QLatin1String("toggleNotes"))
            entry.title = platform::UserDefaults::standard().boolean(QStringLiteral("expandNotes"))
                              ? tr("Collapse Notes")
                              : tr("Expand Notes");
        if (entry.action == QLatin1String("toggleCompletedTasks")) entry.checked = !m_hideOldCompletedTasks;
        if (entry.action != QLatin1String("sortBy") && !entry.isSeparator())
            entry.enabled = validateMenuItem(entry);
    }
    setupSortByMenu(menu);
}

bool TDTasksController::validateSortMenuItem() {
    TDTaskPresentation* shown = presentation();
    if (!shown || shown->editedRow() >= 0 || !m_sortingAttribute.isEmpty()) return false;
    const QList<TDTask*> tasks = selection();
    if (tasks.size() < 2) return false;
    QHash<const TDLibraryObject*, QList<TDTask*>> byParent;
    for (TDTask* task : tasks) byParent[task->parentObject()].append(task);
    for (auto it = byParent.begin(); it != byParent.end(); ++it) {
        QList<TDTask*> siblings = it.value();
        std::sort(siblings.begin(), siblings.end(),
                  [](const TDTask* a, const TDTask* b) { return a->displayOrder() < b->displayOrder(); });
        TDOrderedCollection* collection = nullptr;
        if (TDTask* parentTask = TDTask::from(const_cast<TDLibraryObject*>(it.key())))
            collection = parentTask->orderedTasks();
        else if (TDGroup* parentGroup = TDGroup::from(const_cast<TDLibraryObject*>(it.key())))
            collection = parentGroup->orderedTasks();
        if (!collection) return false;
        const QList<platform::ManagedObject*> members = collection->objects();
        const qsizetype start = members.indexOf(siblings.first());
        if (start < 0 || start + siblings.size() > members.size()) return false;
        for (qsizetype i = 0; i < siblings.size(); ++i)
            if (members.at(start + i) != siblings.at(i)) return false;
    }
    return true;
}

bool TDTasksController::validate(const QString& action, qint64 tag) {
    TDTaskPresentation* shown = presentation();
    const QList<TDTask*> tasks = selection();
    const bool selected = shown && !shown->selectedItems().isEmpty();
    const bool archived = m_group && m_group->isArchived();
    const bool outline = m_mode != 1;
    const bool addable = m_group && (m_group->isList() || m_group->isTag() || m_group->isTodayGroup() ||
                                     m_group->isUpcomingGroup());
    static const QSet<QString> needSelection{
        QStringLiteral("edit"),        QStringLiteral("editEstimate"),   QStringLiteral("editStartDate"),
        QStringLiteral("editDueDate"), QStringLiteral("editNote"),       QStringLiteral("delete"),
        QStringLiteral("remove"),      QStringLiteral("deleteBackward"), QStringLiteral("deleteForward"),
        QStringLiteral("cut"),         QStringLiteral("copy"),           QStringLiteral("copyWithNotes"),
        QStringLiteral("copyAsLink"),  QStringLiteral("logItemInfo")};
    static const QSet<QString> needSelectionOutsideArchive{QStringLiteral("addChildTask"),
                                                           QStringLiteral("assignPriority"),
                                                           QStringLiteral("adjustDueDate"),
                                                           QStringLiteral("adjustStartDate"),
                                                           QStringLiteral("tag"),
                                                           QStringLiteral("tagContext"),
                                                           QStringLiteral("toggleCompleted"),
                                                           QStringLiteral("toggleCanceled")};
    if (needSelection.contains(action)) return selected;
    if (needSelectionOutsideArchive.contains(action)) return !archived && selected;
    // The editor shows one task's rule.
    if (action == QLatin1String("editRecurrence"))
        return !archived && shown && shown->selectedItems().size() == 1 && tasks.size() == 1;
    if (action == QLatin1String("adjustEstimatedTime"))
        return !archived && std::any_of(tasks.begin(), tasks.end(),
                                        [](TDTask* t) { return !t->estimatedTimeIsCalculated(); });
    if (action == QLatin1String("adjustPriority"))
        return !archived && tag != 0 && std::any_of(tasks.begin(), tasks.end(), [tag](TDTask* t) {
            const qint64 p = t->priority();
            return p != 0 && (tag > 0 ? p > 1 : p < 9);
        });
    if (action == QLatin1String("moveTasksVertically")) return outline && selected;
    if (action == QLatin1String("moveTasksLeft") || action == QLatin1String("moveTasksRight"))
        return !archived && outline && selected;
    if (action == QLatin1String("openLink") || action == QLatin1String("openLinkInBackground"))
        return !selectedLinks(1).isEmpty();
    // Reveal needs a task with a list to show.
    if (action == QLatin1String("revealInList"))
        return !tasks.isEmpty() && tasks.first()->list() && m_group && !m_group->isList();
    if (action == QLatin1String("modifySelection")) return shown && shown->numberOfRealRows() > 0;
    if (action == QLatin1String("beginTiming")) {
        if (archived || (m_window && m_window->isQuickEntry()) || tasks.isEmpty()) return false;
        TDTask* task = tasks.first();
        return !(m_timer && m_timer->isTimingTask(task)) && !task->isCompleted() && !task->isCanceled();
    }
    if (action == QLatin1String("toggleStartToday") || action == QLatin1String("toggleDueToday"))
        return !archived && std::any_of(tasks.begin(), tasks.end(), [](TDTask* t) { return !t->isTiming(); });
    if (action == QLatin1String("stopTiming")) return m_timer && m_timer->task();
    if (action == QLatin1String("sort")) return validateSortMenuItem();
    if (action == QLatin1String("sortBy")) {
        if (m_group && (m_group->isTodayGroup() || m_group->isUpcomingGroup())) return true;
        return tag != TDSortByManualOrderTag || (m_group && (m_group->isList() || m_group->isFolder()));
    }
    if (action == QLatin1String("addTask")) return !archived && addable;
    if (action == QLatin1String("addTaskBelow"))
        return !archived && (addable || (m_group && m_group->isFolder() && selected));
    if (action == QLatin1String("hideCompletedTasks")) {
        if (archived) return false;
        TDTasksViewTaskEnumerator shownTasks(this);
        while (TDTask* task = shownTasks.nextObject())
            if (!task->isIncomplete()) return true;
        return false;
    }
    if (action == QLatin1String("showFileToGroupWindow"))
        return !(m_window && m_window->isQuickEntry()) && selected;
    if (action == QLatin1String("toggleColumn") || action == QLatin1String("toggleNotes")) return outline;
    if (action == QLatin1String("changeGroupingLimit") || action == QLatin1String("checkDisplayOrder") ||
        action == QLatin1String("fixDisplayOrder") ||
        action == QLatin1String("selectEarliestStartDateTask") ||
        action == QLatin1String("selectEarliestDueDateTask"))
        return true;
    if (action == QLatin1String("toggleCompletedTasks")) return !(m_group && m_group->isFolder());
    logWithLevel(TDLogDebug, "DEBUG", "Unknown action %@ sent to %@ for validation", action,
                 QStringLiteral("TDTasksController"));
    return true;
}

void TDTasksController::perform(const TDTaskMenuItem& item, bool alternate) {
    if (!validateMenuItem(item)) {
        p_beep();
        return;
    }
    const QString& action = item.action;
    const qint64 value = item.tag;
    if (action == QLatin1String("toggleCompleted"))
        toggleCompleted();
    else if (action == QLatin1String("toggleCanceled"))
        toggleCanceled();
    else if (action == QLatin1String("addTask"))
        addTask();
    else if (action == QLatin1String("addTaskBelow"))
        addTaskBelow();
    else if (action == QLatin1String("addChildTask"))
        addChildTask();
    else if (action == QLatin1String("edit"))
        edit();
    else if (action == QLatin1String("editNote"))
        editNote();
    else if (action == QLatin1String("editEstimate"))
        editColumn(5);
    else if (action == QLatin1String("editStartDate"))
        editColumn(3);
    else if (action == QLatin1String("editDueDate"))
        editColumn(4);
    else if (action == QLatin1String("editRecurrence"))
        editRecurrence();
    else if (action == QLatin1String("tag"))
        tag();
    else if (action == QLatin1String("tagContext"))
        tagContext();
    else if (action == QLatin1String("assignPriority"))
        assignPriority(value);
    else if (action == QLatin1String("adjustPriority"))
        adjustPriority(value);
    else if (action == QLatin1String("toggleStartToday"))
        toggleStartToday();
    else if (action == QLatin1String("toggleDueToday"))
        toggleDueToday();
    else if (action == QLatin1String("adjustStartDate"))
        adjustStartDate(value);
    else if (action == QLatin1String("adjustDueDate"))
        adjustDueDate(value);
    else if (action == QLatin1String("adjustEstimatedTime"))
        adjustEstimatedTime(value);
    else if (action == QLatin1String("moveTasksVertically"))
        moveTasksVerticallyByDistance(value);
    else if (action == QLatin1String("moveTasksLeft"))
        moveTasksLeft();
    else if (action == QLatin1String("moveTasksRight"))
        moveTasksRight();
    else if (action == QLatin1String("openLink"))
        openLinks(false);
    else if (action == QLatin1String("openLinkInBackground"))
        openLinks(true);
    else if (action == QLatin1String("revealInList"))
        revealInList();
    else if (action == QLatin1String("fixDisplayOrder"))
        fixDisplayOrder();
    else if (action == QLatin1String("checkDisplayOrder"))
        checkDisplayOrder();
    else if (action == QLatin1String("logItemInfo"))
        logItemInfo();
    else if (action == QLatin1String("modifySelection"))
        modifySelection(value);
    else if (action == QLatin1String("selectEarliestStartDateTask"))
        selectEarliestStartDateTask();
    else if (action == QLatin1String("selectEarliestDueDateTask"))
        selectEarliestDueDateTask();
    else if (action == QLatin1String("beginTiming"))
        beginTiming();
    else if (action == QLatin1String("showFileToGroupWindow"))
        showFileToGroupWindow();
    else if (action == QLatin1String("stopTiming"))
        stopTiming();
    else if (action == QLatin1String("remove") || action == QLatin1String("delete"))
        remove();
    else if (action == QLatin1String("deleteForward"))
        deleteForward();
    else if (action == QLatin1String("hideCompletedTasks"))
        hideCompletedTasks();
    else if (action == QLatin1String("sortBy"))
        sortBy(item.tag == TDSortByManualOrderTag ? tr("Manual Order") : item.title, alternate);
    else if (action == QLatin1String("sort"))
        sort(item.title == tr("Reverse Order") ? QString() : item.title, alternate);
    else if (action == QLatin1String("toggleColumn"))
        toggleColumn(int(value));
    else if (action == QLatin1String("toggleNotes"))
        toggleNotes();
    else if (action == QLatin1String("toggleCompletedTasks"))
        toggleCompletedTasks();
    else if (action == QLatin1String("changeGroupingLimit"))
        changeGroupingLimit(value);
}

bool TDTasksController::validateMenuItem(const TDTaskMenuItem& item) {
    return validate(item.action, item.tag);
}
