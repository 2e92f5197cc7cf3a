// Moving the selected tasks: up and down (into the neighbouring priority section of a list grouped by
// priority), left and right, and revealing a task in its list.
#include "taskviews/tasks_controller.h"

#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "model/task_sort_descriptor.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/task_feedback.h"
#include "taskviews/task_presentation.h"
#include "taskviews/task_window_context.h"

#include <QSet>

#include <algorithm>

using platform::ManagedObject;

namespace {

QList<ManagedObject*> asObjects(const QList<TDTask*>& tasks) {
    return QList<ManagedObject*>(tasks.begin(), tasks.end());
}

// The order the collection's sort would give after the move, with the moved tasks given `priority`
// when it is set; the display order is left out, so a move the sort undoes gives the present order.
QList<ManagedObject*> sortedWouldBeOrder(QList<ManagedObject*> order,
                                         const QList<platform::SortDescriptor>& descriptors,
                                         const QSet<ManagedObject*>& moved, std::optional<qint64> priority) {
    QList<TDTaskSortDescriptor> taskDescriptors;
    for (const platform::SortDescriptor& descriptor : descriptors)
        if (const TDTaskSortDescriptor* base = TDTaskSortDescriptor::fromSortDescriptor(descriptor)) {
            TDTaskSortDescriptor ignoring = *base;
            ignoring.setIgnoreDisplayOrder(true);
            taskDescriptors.append(ignoring);
        }
    const auto valueOf = [&](ManagedObject* object, const QString& key) {
        if (priority && key == QLatin1String("priority") && moved.contains(object))
            return QVariant(*priority);
        return object->valueForKeyPath(key);
    };
    std::stable_sort(order.begin(), order.end(), [&](ManagedObject* a, ManagedObject* b) {
        for (const TDTaskSortDescriptor& descriptor : std::as_const(taskDescriptors)) {
            const std::weak_ordering order =
                descriptor.compareSortValues(descriptor.sortKey(valueOf(a, descriptor.key())),
                                             descriptor.sortKey(valueOf(b, descriptor.key())));
            if (order != std::weak_ordering::equivalent) return order == std::weak_ordering::less;
        }
        return false;
    });
    return order;
}

}  // namespace

// Where a task stands in the outline: under its parent task, in a section, or at the top level.
TDTaskRowItem TDTasksController::p_parentForItem(TDTask* task) {
    if (TDTask* parent = task->parentTask()) return TDTaskRowItem::task(parent);
    if (m_grouping) {
        for (TDOrderedCollection* section : std::as_const(m_sectionPointers))
            if (section->containsObject(task)) return TDTaskRowItem::section(section);
    }
    return hasDummyHeader() && m_topTasks ? TDTaskRowItem::header(m_topTasks) : TDTaskRowItem::root();
}

TDOrderedCollection* TDTasksController::p_collectionOfParent(const TDTaskRowItem& parent) {
    if (TDTask* task = parent.task()) return task->orderedTasks();
    if (TDOrderedCollection* collection = parent.collection()) return collection;
    return m_topTasks;
}

bool TDTasksController::canMoveTasks() {
    const QList<TDTask*> selected = selection();
    if (m_mode == 1 || selected.isEmpty() || !m_group) return false;
    if ((m_group->isSmartFolder() || m_group->isTag()) && !m_sortingAttribute.isEmpty()) {
        if (m_feedback) m_feedback->showMessageSheet(tr("Cannot reorder tasks here"));
        return false;
    }
    const TDTaskRowItem parent = p_parentForItem(selected.first());
    for (TDTask* task : selected)
        if (p_parentForItem(task) != parent) return false;
    return true;
}

void TDTasksController::moveTasksVerticallyByDistance(qint64 distance) {
    if (!canMoveTasks()) {
        p_beep();
        return;
    }
    const QList<TDTask*> moving = selection();
    const TDTaskRowItem parent = p_parentForItem(moving.first());
    TDOrderedCollection* collection = p_collectionOfParent(parent);
    if (!collection) return;
    const bool wraps = m_groupingAttribute == QLatin1String("priority") && parent.collection() != nullptr &&
                       parent.kind == TDTaskRowItem::Kind::Section;
    const QList<ManagedObject*> present = collection->objects();
    const qsizetype first = present.indexOf(moving.first());
    const qsizetype last = present.indexOf(moving.last());
    const bool up = distance < 0;
    platform::UndoManager* undo = undoManager();

    const auto finish = [&] {
        if (TDTaskPresentation* shown = presentation()) {
            QList<TDTaskRowItem> items;
            for (TDTask* task : moving) items.append(TDTaskRowItem::task(task));
            shown->selectItems(items, false);
            shown->centerSelectionIfNotVisible();
        }
        if (undo) undo->setActionName(up ? tr("Move Up") : tr("Move Down"));
    };
    // Past the first or last task of a priority section the tasks take the neighbouring priority.
    const auto wrapInto = [&](qint64 priority, bool toEnd) {
        finishEditing();
        for (TDTask* task : moving) task->setPriority(priority);
        if (m_context) m_context->processPendingChanges();
        TDOrderedCollection* target = p_collectionOfParent(p_parentForItem(moving.first()));
        if (target && target != collection) {
            target->beginEditing();
            const QList<ManagedObject*> members = target->objects();
            QList<ManagedObject*> others;
            for (ManagedObject* member : members)
                if (!moving.contains(static_cast<TDTask*>(member))) others.append(member);
            if (!others.isEmpty()) {
                if (toEnd)
                    target->repositionObjectsAfter(asObjects(moving), others.last());
                else
                    target->repositionObjectsBefore(asObjects(moving), others.first());
            }
            target->endEditing();
        }
        finish();
    };

    if (up && first == 0) {
        const qint64 p = moving.first()->priority();
        if (!wraps || (m_reverseSort ? p == 9 : p < 2)) {
            p_beep();
            return;
        }
        wrapInto(m_reverseSort ? p + 1 : p - 1, true);
        return;
    }
    if (!up && last == present.size() - 1) {
        const qint64 p = moving.last()->priority();
        if (!wraps || p < 1) {
            p_beep();
            return;
        }
        wrapInto(m_reverseSort ? (p + 9) % 10 : (p + 1) % 10, false);
        return;
    }
    if (first < 0 || last < 0) {
        p_beep();
        return;
    }
    const qsizetype targetIndex = up ? std::max<qsizetype>(first + distance, 0)
                                     : std::min<qsizetype>(last + distance, present.size() - 1);
    auto* target = static_cast<TDTask*>(present.at(targetIndex));
    if (moving.contains(target)) {
        p_beep();
        return;
    }

    std::optional<qint64> copiedPriority;
    if (!m_sortingAttribute.isEmpty()) {
        if (m_sortingAttribute == QLatin1String("priority")) copiedPriority = target->priority();
        const QSet<ManagedObject*> moved(moving.begin(), moving.end());
        QList<ManagedObject*> wouldBe;
        for (ManagedObject* member : present)
            if (!moved.contains(member)) wouldBe.append(member);
        const qsizetype at = wouldBe.indexOf(target) + (distance >= 1 ? 1 : 0);
        for (qsizetype i = 0; i < moving.size(); ++i) wouldBe.insert(at + i, moving.at(i));
        // A move the sort would undo changes nothing, not even the priority.
        if (sortedWouldBeOrder(wouldBe, collection->sortDescriptors(), moved, copiedPriority) == present) {
            p_beep();
            return;
        }
    }

    finishEditing();
    if (copiedPriority)
        for (TDTask* task : moving) task->setPriority(*copiedPriority);
    collection->beginEditing();
    const bool modifies = collection->modifiesDisplayOrder();
    if (moving.last()->parentObject() == target->parentObject()) collection->setModifiesDisplayOrder(true);
    if (distance < 1)
        collection->repositionObjectsBefore(asObjects(moving), target);
    else
        collection->repositionObjectsAfter(asObjects(moving), target);
    collection->setModifiesDisplayOrder(modifies);
    TDLibrary* lib = library();
    if (lib) lib->setSmartFoldersShouldIgnoreMOCChange(true);
    m_dontUpdateUI = true;
    if (m_context) m_context->processPendingChanges();
    collection->endEditing();
    m_dontUpdateUI = false;
    if (lib) lib->setSmartFoldersShouldIgnoreMOCChange(false);
    finish();
}

void TDTasksController::moveTasksLeft() {
    if (!canMoveTasks()) {
        registerForMOCObserving();
        p_beep();
        return;
    }
    m_changeGroupToRestoreSelection = true;
    const QList<TDTask*> moving = selection();
    finishEditing();
    unregisterForMOCObserving();
    for (auto it = moving.rbegin(); it != moving.rend(); ++it) {
        TDTask* task = *it;
        TDTask* parent = task->parentTask();
        if (!parent) {
            registerForMOCObserving();
            p_beep();
            return;
        }
        TDOrderedCollection* siblings = nullptr;
        if (TDTask* grandparent = parent->parentTask())
            siblings = grandparent->orderedTasks();
        else if (TDGroup* group = TDGroup::from(parent->parentObject()))
            siblings = group->orderedTasks();
        if (!siblings) {
            registerForMOCObserving();
            p_beep();
            return;
        }
        const qsizetype index = siblings->objects().indexOf(parent);
        (void)siblings->insertObject(task, index + 1);  // the collection logs a refusal
    }
    if (m_context) m_context->processPendingChanges();
    if (TDTaskPresentation* shown = presentation()) {
        QList<TDTaskRowItem> items;
        for (TDTask* task : moving) items.append(TDTaskRowItem::task(task));
        shown->selectItems(items, false);
        shown->centerSelectionIfNotVisible();
        shown->noteHeightOfAllRowsChanged();
    }
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("Move Left"));
    registerForMOCObserving();
    reload();
}

void TDTasksController::moveTasksRight() {
    if (!canMoveTasks()) {
        registerForMOCObserving();
        p_beep();
        return;
    }
    const QList<TDTask*> moving = selection();
    TDOrderedCollection* collection = p_collectionOfParent(p_parentForItem(moving.first()));
    if (!collection) return;
    unregisterForMOCObserving();
    for (TDTask* task : moving)
        if (collection->objects().indexOf(task) == 0) {
            registerForMOCObserving();
            p_beep();
            return;
        }
    finishEditing();
    TDTaskPresentation* shown = presentation();
    const QVariant expanded = shown ? shown->expandedState() : QVariant();
    for (TDTask* task : moving) {
        const qsizetype index = collection->objects().indexOf(task);
        if (index <= 0) continue;
        auto* above = TDTask::from(collection->objectAtIndex(index - 1));
        if (above) (void)above->orderedTasks()->addObject(task);  // the collection logs a refusal
    }
    if (m_context) m_context->processPendingChanges();
    if (shown) {
        QList<TDTaskRowItem> items;
        for (TDTask* task : moving) items.append(TDTaskRowItem::task(task));
        shown->setExpandedState(expanded);
        for (TDTask* task : moving)
            if (TDTask* parent = task->parentTask()) shown->expandRowItem(TDTaskRowItem::task(parent));
        shown->selectItems(items, true);
        shown->noteHeightOfAllRowsChanged();
    }
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("Move Right"));
    registerForMOCObserving();
    reload();
}

void TDTasksController::revealInList() {
    const QList<TDTask*> selected = selection();
    if (selected.isEmpty()) {
        p_beep();
        return;
    }
    TDTask* task = selected.first();
    TDList* list = task->list();
    // Never a tab for no group.
    if (!list || !m_window) {
        p_beep();
        return;
    }
    if (!m_window->selectTabForGroup(list)) m_window->addTabWithGroup(list);
    setMode(0);
    if (m_group != list) setGroup(list);
    if (TDTaskPresentation* shown = presentation()) shown->selectItems({TDTaskRowItem::task(task)}, true);
}
