// Sections by a grouping attribute, the sort order, the Sort By command and the one-time Sort.
#include "taskviews/tasks_controller.h"

#include "model/group.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "model/task_sort_descriptor.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/task_presentation.h"
#include "taskviews/task_sections.h"
#include "taskviews/today_section_predicate.h"

#include <QHash>

bool TDTasksController::isGroupingByList() const {
    return m_groupingAttribute == QLatin1String("subgroup") || m_groupingAttribute == QLatin1String("list");
}

bool TDTasksController::p_groupByAttribute(const QString& requested, bool requestedReverse, bool force) {
    QString attribute = requested;
    bool reverse = requestedReverse;
    if (m_group && m_group->isList() &&
        (attribute == QLatin1String("list") || attribute == QLatin1String("subgroup"))) {
        qWarning("Tried to sort by topList in list %s", qPrintable(m_group->title()));
        attribute = QString();
        reverse = false;
    } else if (!force && attribute == m_groupingAttribute && reverse == m_reverseSort) {
        return false;
    }

    p_beginReloadingRows();
    m_groupingAttribute = attribute;
    p_clearSections();
    if (m_topTasks) m_topTasks->setLimit(0);
    if (attribute.isNull() || !m_group) {
        // Subtasks may still hold a section's own filter for children.
        if (m_topTasks) p_propagateFilterPredicate(filterPredicate(), m_topTasks);
        p_endReloadingRows();
        return true;
    }
    m_grouping = true;
    // The new sections filter one after another: each task's Today section is worked out once for all.
    const TDTodayRoutingPass routing;
    TDSectionList sections = TDMakeSections(m_group, attribute, reverse, filterPredicate(), m_groupingLimit,
                                            TDSectionSettings::current());
    for (std::unique_ptr<TDOrderedCollection>& section : sections) {
        m_sectionPointers.append(section.get());
        m_sections.push_back(std::move(section));
    }
    for (TDOrderedCollection* section : std::as_const(m_sectionPointers)) {
        const platform::PredicatePtr children = TDSectionPredicateForChildren(section);
        p_propagateFilterPredicate(children ? children : filterPredicate(), section);
    }
    p_endReloadingRows();
    return true;
}

bool TDTasksController::p_sortByAttribute(const QString& requested, bool reverse) {
    QString attribute = requested;
    if (attribute == QLatin1String("dueOrStartDate") || attribute == QLatin1String("list"))
        attribute = QString();
    if (attribute == m_sortingAttribute && reverse == m_reverseSort) return false;
    m_sortingAttribute = attribute;
    m_reverseSort = reverse;
    m_sortDescriptors = TDSortDescriptorsForAttribute(attribute, reverse);
    p_beginReloadingRows();
    if (m_grouping) {
        for (TDOrderedCollection* section : std::as_const(m_sectionPointers))
            p_propagateSortDescriptors(section);
    } else if (m_topTasks) {
        p_propagateSortDescriptors(m_topTasks);
    }
    p_endReloadingRows();
    return true;
}

// Collections of tasks that never showed their subtasks get the descriptors when they do (see child()).
void TDTasksController::p_propagateSortDescriptors(TDOrderedCollection* collection) {
    p_giveSortDescriptors(collection);
    for (platform::ManagedObject* object : collection->array().unfilteredObjectArray())
        if (TDTask* task = TDTask::from(object))
            if (TDOrderedCollection* subtasks = task->existingOrderedTasks())
                p_propagateSortDescriptors(subtasks);
}

void TDTasksController::sortBy(const QString& displayString, bool reverse) {
    finishEditing();
    const QString attribute = TDTask::attributeNameForDisplayString(displayString);
    const QString sortAttribute = attribute == QLatin1String("list") ? QString() : attribute;
    QString grouping = attribute;
    if (grouping.isNull() && m_group && (m_group->isTodayGroup() || m_group->isUpcomingGroup()))
        grouping = m_group->defaultGroupingAttribute();
    const bool force = !(sortAttribute == m_sortingAttribute && reverse == m_reverseSort);

    p_beginReloadingRows();
    bool changed = p_sortByAttribute(sortAttribute, reverse);
    if (m_group && !m_group->isFolder()) changed |= p_groupByAttribute(grouping, reverse, force);
    if (changed) filterPredicateDidChange();
    p_endReloadingRows();
    if (!changed) return;
    reload();
    if (TDTaskPresentation* shown = presentation()) shown->centerSelectionIfNotVisible();
}

void TDTasksController::sort(const QString& displayString, bool descending) {
    const QList<TDTask*> selected = selection();
    if (selected.isEmpty()) return;
    // Siblings stay together: each parent's selected tasks are sorted among themselves.
    QList<QString> parentOrder;
    QHash<QString, QList<TDTask*>> siblings;
    for (TDTask* task : selected) {
        TDLibraryObject* parent = task->parentObject();
        const QString key = parent ? parent->uid() : QString();
        if (!siblings.contains(key)) parentOrder.append(key);
        siblings[key].append(task);
    }
    const QString attribute = TDTask::attributeNameForDisplayString(displayString);

    unregisterForMOCObserving();
    for (const QString& key : std::as_const(parentOrder)) {
        QList<TDTask*> tasks = siblings.value(key);
        TDLibraryObject* parent = tasks.first()->parentObject();
        TDOrderedCollection* collection = nullptr;
        if (TDTask* parentTask = TDTask::from(parent))
            collection = parentTask->orderedTasks();
        else if (TDGroup* parentGroup = TDGroup::from(parent))
            collection = parentGroup->orderedTasks();
        if (!collection) continue;
        std::sort(tasks.begin(), tasks.end(),
                  [](const TDTask* a, const TDTask* b) { return a->displayOrder() < b->displayOrder(); });
        QList<TDTask*> sorted = tasks;
        if (displayString.isNull()) {
            std::reverse(sorted.begin(), sorted.end());
        } else {
            const TDTaskSortDescriptor descriptor =
                TDTaskSortDescriptor::sortDescriptorWithKey(attribute, !descending);
            platform::sortObjects(sorted, {descriptor});
        }
        // The block keeps the place of its first task.
        const QList<platform::ManagedObject*>& members = collection->array().unfilteredObjectArray();
        const QSet<platform::ManagedObject*> moving(tasks.begin(), tasks.end());
        qsizetype first = members.size();
        for (TDTask* task : std::as_const(tasks)) first = std::min(first, members.indexOf(task));
        QList<platform::ManagedObject*> block(sorted.begin(), sorted.end());
        if (first > 0) {
            collection->repositionObjectsAfter(block, members.at(first - 1));
        } else {
            platform::ManagedObject* next = nullptr;
            for (platform::ManagedObject* member : members)
                if (!moving.contains(member)) {
                    next = member;
                    break;
                }
            collection->repositionObjectsBefore(block, next);
        }
    }
    registerForMOCObserving();
    reload();
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("Sort"));
}
