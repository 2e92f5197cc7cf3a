// The shared filter (old completed tasks, tags, title) and its propagation into subtask collections.
#include "taskviews/tasks_controller.h"

#include "language/date_additions.h"
#include "model/group.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/defaults/user_defaults.h"
#include "platform/predicates/predicate_parser.h"
#include "store/library_manager.h"
#include "sync/corvane_task_get_operation.h"
#include "taskviews/mutable_comparison_predicate.h"
#include "taskviews/mutable_compound_predicate.h"
#include "taskviews/task_presentation.h"
#include "taskviews/task_window_context.h"
#include "taskviews/tasks_controller_filter_predicates.h"

#include <QPair>
#include <QSet>

namespace {

// TDCorvaneCompletedTaskDownloadStatus of a list whose completed tasks are all here.
constexpr int kAllCompletedTasksFetched = 2;

platform::PredicatePtr parsed(const QString& format, const QVariantList& arguments = {}) {
    auto predicate = platform::predicateWithFormat(format, arguments);
    Q_ASSERT(predicate.ok());
    return predicate.ok() ? *predicate : platform::Predicate::truePredicate();
}

}  // namespace

platform::PredicatePtr TDTasksController::filterPredicate() const {
    return m_filterPredicate;
}

platform::PredicatePtr TDTasksController::titleFilterPredicate() const {
    return m_titleFilterPredicate->realPredicate();
}

bool TDTasksController::isFilteringByTitle() const {
    return m_titleFilterPredicate->isEnabled() && m_titleFilterPredicate->realPredicate();
}

bool TDTasksController::isFilteringByTags() const {
    return !m_filterTags.isEmpty() && m_tagFilterPredicate->isEnabled();
}

void TDTasksController::setHideOldCompletedTasksCutoffDate(const QDateTime& date) {
    m_hideOldCompletedTasksCutoffDate = date;
    QDateTime cutoff = date;
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    if (defaults.boolean(QStringLiteral("automaticallyHideTasks"))) {
        const qint64 days = defaults.value(QStringLiteral("completedDaysToShow")).toLongLong();
        const QDateTime automatic =
            dates::dateByAddingDays(dates::dateAtStartOfDay(TDClock::currentDateTime()), 1 - days);
        if (!cutoff.isValid() || automatic > cutoff) cutoff = automatic;
    }
    m_hideOldCompletedPredicate->setRealPredicate(
        cutoff.isValid() ? parsed(QStringLiteral("completedDate = NIL OR completedDate > %@"), {cutoff})
                         : parsed(QStringLiteral("1 = 1")));
}

void TDTasksController::setHideOldCompletedTasks(bool hide) {
    finishEditing();
    p_setHideOldCompletedTasks(hide, true);
    // The sync service keeps a list's completed tasks apart: asked for, they are fetched and merged
    // in, and the list shows them as they arrive.
    if (auto* list = dynamic_cast<TDList*>(m_group);
        !hide && list && TDCorvaneCompletedTaskDownloadStatus(list) != kAllCompletedTasksFetched)
        m_manager.fetchTasksForParentObject(list);
}

void TDTasksController::p_setHideOldCompletedTasks(bool hide, bool reload) {
    m_hideOldCompletedTasks = hide;
    m_hideOldCompletedPredicate->setEnabled(hide);
    if (!reload) return;
    p_beginReloadingRows();
    filterPredicateDidChange();
    p_endReloadingRows();
    this->reload();
    if (TDTaskPresentation* shown = presentation()) {
        shown->centerSelectionIfNotVisible();
        // Hiding must not leave the user before an empty list because of a forgotten tag filter.
        if (hide && isFilteringByTags() && shown->numberOfRealRows() == 0) setFilterTags({});
    }
}

void TDTasksController::setFilterTags(const QSet<TDTag*>& tags, bool reload) {
    if (tags == m_filterTags && m_tagFilterPredicate->isEnabled() == !tags.isEmpty()) return;
    finishEditing();
    m_filterTags = tags;
    m_tagFilterPredicate->setEnabled(!tags.isEmpty());
    m_tagFilterPredicate->setRealPredicate(tags.isEmpty() ? platform::PredicatePtr()
                                                          : TDMakeTagFilterPredicate(tags));
    if (reload) {
        p_beginReloadingRows();
        filterPredicateDidChange();
        p_endReloadingRows();
        this->reload();
    }
    if (TDTaskPresentation* shown = presentation()) shown->centerSelectionInVisibleArea();
    p_tellWindowWhetherFiltering();
}

void TDTasksController::toggleFilteringByTag(TDTag* tag) {
    finishEditing();
    QSet<TDTag*> tags = m_filterTags;
    if (tags.contains(tag))
        tags.remove(tag);
    else
        tags.insert(tag);
    setFilterTags(tags);
}

void TDTasksController::setTitleFilterString(const QString& text) {
    m_titleFilterString = text;
    setTitleFilterPredicate(text.isEmpty() ? platform::PredicatePtr() : TDMakeTitleFilterPredicate(text));
}

void TDTasksController::setTitleFilterPredicate(const platform::PredicatePtr& predicate, bool reload) {
    const bool wasFiltering = isFilteringByTitle();
    m_titleFilterPredicate->setRealPredicate(predicate);
    m_titleFilterPredicate->setEnabled(bool(predicate));
    if (reload) {
        p_beginReloadingRows();
        filterPredicateDidChange();
        p_endReloadingRows();
        this->reload();
    }
    if (TDTaskPresentation* outline = m_outline) {
        if (!predicate) {
            if (wasFiltering && m_expandedStateBeforeFiltering.isValid())
                outline->setExpandedState(m_expandedStateBeforeFiltering);
            m_expandedStateBeforeFiltering = QVariant();
        } else {
            // The first filtering keeps what the user had expanded, to give it back at the end.
            if (!wasFiltering) m_expandedStateBeforeFiltering = outline->expandedState();
            outline->expandAll();
        }
        outline->centerSelectionInVisibleArea();
    }
    p_tellWindowWhetherFiltering();
}

void TDTasksController::p_tellWindowWhetherFiltering() {
    if (m_window)
        m_window->tasksControllerDidEnableTaskFilter(!m_filterTags.isEmpty() || isFilteringByTitle());
    Q_EMIT titleFilterChanged(isFilteringByTitle() ? m_titleFilterString : QString());
}

// ---------------------------------------------------------------------------------------------------
// Propagation into the collections shown

bool TDTasksController::p_propagateFilterPredicate(const platform::PredicatePtr& predicate, TDTask* task) {
    bool changed = false;
    if (!task->hasSubtasks() && !task->existingOrderedTasks()) return false;
    TDOrderedCollection* subtasks = task->orderedTasks();
    if (subtasks->filterPredicate() != predicate) {
        subtasks->setFilterPredicate(predicate);
        changed = true;
    }
    for (platform::ManagedObject* object : subtasks->array().unfilteredObjectArray())
        if (TDTask* subtask = TDTask::from(object)) changed |= p_propagateFilterPredicate(predicate, subtask);
    return changed;
}

bool TDTasksController::p_propagateFilterPredicate(const platform::PredicatePtr& predicate,
                                                   TDOrderedCollection* collection) {
    bool changed = false;
    const QList<platform::ManagedObject*>& members = collection->filteredMembers();
    for (qsizetype i = 0; i < members.size(); ++i) {
        TDPrefetchSubtasksAhead(members, i);
        if (TDTask* task = TDTask::from(members.at(i)))
            changed |= p_propagateFilterPredicate(predicate, task);
    }
    if (changed) collection->setNeedsFiltering(true);
    return changed;
}

void TDTasksController::p_updateFilterForObject(TDOrderedCollection* collection, bool refilter) {
    if (refilter) collection->setNeedsFiltering(true);
    const QList<platform::ManagedObject*>& members = collection->array().unfilteredObjectArray();
    for (qsizetype i = 0; i < members.size(); ++i) {
        TDPrefetchSubtasksAhead(members, i);
        if (TDTask* task = TDTask::from(members.at(i))) p_updateFilterForObject(task);
    }
    p_giveSortDescriptors(collection);
}

// Leaf tasks get their collection when they first show subtasks (see child()).
void TDTasksController::p_updateFilterForObject(TDTask* task) {
    if (!task->hasSubtasks()) return;
    TDOrderedCollection* subtasks = task->orderedTasks();
    if (!subtasks->filterPredicate()) subtasks->setFilterPredicate(filterPredicate());
    p_updateFilterForObject(subtasks);
}

void TDTasksController::filterPredicateDidChange() {
    p_filterPredicateDidChange(true);
}

void TDTasksController::p_filterPredicateDidChange(bool refilterSections) {
    if (m_grouping) {
        // Sections over the same relationship have the same members (the Today sections all hold the
        // whole group): their subtasks are seen to once, not once per section.
        QSet<QPair<const TDLibraryObject*, QString>> walked;
        for (TDOrderedCollection* section : std::as_const(m_sectionPointers)) {
            const QPair<const TDLibraryObject*, QString> members{section->object(), section->keyPath()};
            if (section->fetchRequest() || !walked.contains(members)) {
                walked.insert(members);
                p_updateFilterForObject(section, refilterSections);
                continue;
            }
            if (refilterSections) section->setNeedsFiltering(true);
            p_giveSortDescriptors(section);
        }
    } else if (m_topTasks) {
        p_updateFilterForObject(m_topTasks, true);
    }
}
