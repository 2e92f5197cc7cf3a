// The clipboard and drags: copy, cut, paste and duplicate, the reader of pasted and dropped data, and
// the outline's drop rules.
#include "taskviews/tasks_controller.h"

#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/pasteboard_types.h"
#include "taskviews/task_pasteboard.h"
#include "taskviews/task_presentation.h"
#include "taskviews/task_sections.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

QList<platform::ManagedObject*> managedObjects(const QList<TDTask*>& tasks) {
    QList<platform::ManagedObject*> objects;
    objects.reserve(tasks.size());
    for (TDTask* task : tasks) objects.append(task);
    return objects;
}

// The tasks without those below another of them: a tree is copied or duplicated through its root.
QList<TDTask*> treeRoots(const QList<TDTask*>& tasks) {
    const QSet<TDTask*> chosen(tasks.cbegin(), tasks.cend());
    QList<TDTask*> roots;
    for (TDTask* task : tasks) {
        bool below = false;
        for (TDTask* above = task->parentTask(); above && !below; above = above->parentTask())
            below = chosen.contains(above);
        if (!below) roots.append(task);
    }
    return roots;
}

const QMimeData* clipboardData() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->mimeData() : nullptr;
}

void setClipboardData(std::unique_ptr<QMimeData> data) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setMimeData(data.release());
}

}  // namespace

std::unique_ptr<QMimeData> TDTasksController::writeItems(const QList<TDTask*>& tasks,
                                                         bool includeNotes) const {
    return TDTaskPasteboard::mimeDataForTasks(tasks, includeNotes);
}

bool TDTasksController::canDragItems(const QList<TDTaskRowItem>& items) const {
    if (items.isEmpty()) return false;
    const TDTask* first = items.first().task();
    if (!first) return false;
    const TDLibraryObject* parent = first->parentObject();
    return std::all_of(items.cbegin(), items.cend(), [parent](const TDTaskRowItem& item) {
        return item.task() && item.task()->parentObject() == parent;
    });
}

// ---------------------------------------------------------------------------------------------------
// Reading

QList<TDTask*> TDTasksController::readFromPasteboard(const QMimeData* data, const TDTaskRowItem& item,
                                                     qsizetype childIndex, bool copy) {
    switch (item.kind) {
        case TDTaskRowItem::Kind::Root:
        case TDTaskRowItem::Kind::Header:
            return p_readFromPasteboard(data, m_group, nullptr, childIndex, copy);
        case TDTaskRowItem::Kind::Task:
            return p_readFromPasteboard(data, item.task(), nullptr, childIndex, copy);
        case TDTaskRowItem::Kind::Section:
            return p_readFromPasteboard(data, nullptr, item.collection(), childIndex, copy);
        case TDTaskRowItem::Kind::Footer:
            break;
    }
    return {};
}

QList<TDTask*> TDTasksController::p_readFromPasteboard(const QMimeData* data, TDLibraryObject* target,
                                                       TDOrderedCollection* section, qsizetype index,
                                                       bool copy) {
    if (!data || !m_context || !library()) return {};
    QString type = TDTaskPasteboard::firstAcceptedType(*data, copy);
    TDTaskPasteboard::TaskIDs ids;
    if (type == TDPasteboardTypes::TaskMOIDs) {
        ids = TDTaskPasteboard::tasksForIDList(data->data(type), *m_context);
        // Tasks of another library are not here to move: their copy forms come instead.
        if (ids.outcome != TDTaskPasteboard::TaskIDs::Outcome::Tasks)
            type = TDTaskPasteboard::firstAcceptedType(*data, true);
    }
    if (type.isEmpty()) return {};

    TDOrderedCollection* destination = section;
    if (TDTask* task = TDTask::from(target))
        destination = task->orderedTasks();
    else if (TDGroup* group = TDGroup::from(target))
        destination = group->orderedTasks();
    if (TDList* list = TDSectionListOf(section)) {
        // A section of one list stands for that list: the place among its tasks follows the section's.
        const QList<platform::ManagedObject*> shown = section->objects();
        destination = list->orderedTasks();
        const QList<platform::ManagedObject*> members = destination->objects();
        if (index >= 0 && index < shown.size())
            index = members.indexOf(shown.at(index));
        else
            index = shown.isEmpty() ? 0 : members.indexOf(shown.last()) + 1;
    }
    if (!destination) return {};
    index = std::max<qsizetype>(index, 0);

    unregisterForMOCObserving();
    QList<TDTask*> tasks;
    if (type == TDPasteboardTypes::TaskMOIDs) {
        tasks = ids.tasks;
        if (tasks.isEmpty()) {
            registerForMOCObserving();
            return {};
        }
        destination->beginEditing();
        for (TDTask* task : std::as_const(tasks)) {
            if (!destination->containsObject(task)) continue;
            const qsizetype at = destination->objects().indexOf(task);
            (void)destination->removeObjectAtIndex(at);
            if (at < index) --index;
        }
        if (section && m_groupingAttribute == QLatin1String("priority") && destination->count() > 0) {
            const qint64 priority =
                TDTask::from(destination->objectAtIndex(destination->count() - 1))->priority();
            for (TDTask* task : std::as_const(tasks)) task->setPriority(priority);
        }
        // The collection logs a refusal (a task dropped under itself).
        (void)destination->insertObjects(managedObjects(tasks), std::min(index, destination->count()));
        m_context->processPendingChanges();
        destination->endEditing();
    } else {
        tasks = library()->createTasksFromMimeData(data);
        if (tasks.isEmpty()) {
            registerForMOCObserving();
            return {};
        }
        // A smart folder takes no tasks by hand: they land in the Inbox below.
        (void)destination->insertObjects(managedObjects(tasks), std::min(index, destination->count()));
    }
    p_placeReadTasks(tasks);
    m_manager.saveLibrary();
    registerForMOCObserving();
    return tasks;
}

// Tasks that found no list go to the top of the Inbox; in a tag they carry the tag.
void TDTasksController::p_placeReadTasks(const QList<TDTask*>& tasks) {
    TDGroup* inbox = library()->inboxGroup();
    auto* tag = dynamic_cast<TDTag*>(m_group);
    for (auto it = tasks.crbegin(); it != tasks.crend(); ++it) {
        TDTask* task = *it;
        if (!task->list() && inbox) (void)inbox->orderedTasks()->insertObject(task, 0);
        if (tag) task->addTagsObject(tag);
    }
}

// ---------------------------------------------------------------------------------------------------
// Drops

TDTaskDropFacts TDTasksController::p_dropFacts(const QMimeData* data, const TDTaskRowItem& pointerItem,
                                               bool sourceAllowsMove) {
    TDTaskDropFacts facts;
    facts.sourceAllowsMove = sourceAllowsMove;
    facts.group = m_group;
    facts.hasDummyHeader = hasDummyHeader();
    facts.grouping = m_grouping;
    facts.groupingAttribute = m_groupingAttribute;
    facts.groupingLimit = m_groupingLimit;
    facts.sortingAttribute = m_sortingAttribute;
    facts.pointerItem = pointerItem;
    facts.parentOf = [this](TDTask* task) {
        if (TDTask* parent = task->parentTask()) return TDTaskRowItem::task(parent);
        if (m_grouping)
            for (TDOrderedCollection* section : std::as_const(m_sectionPointers))
                if (section->containsObject(task)) return TDTaskRowItem::section(section);
        return TDTaskRowItem::root();
    };
    facts.sortedIndex = [this](TDTask* task, const TDTaskRowItem& item) {
        TDOrderedCollection* children = item.isRoot() ? m_topTasks
                                        : item.task() ? item.task()->orderedTasks()
                                                      : item.collection();
        if (!children) return qsizetype(0);
        const QVariant moved = platform::objectVariant(task);
        qsizetype index = 0;
        for (platform::ManagedObject* child : children->objects()) {
            if (child == task) continue;
            std::weak_ordering order = std::weak_ordering::equivalent;
            for (const platform::SortDescriptor& descriptor : std::as_const(m_sortDescriptors)) {
                order = descriptor.compareObjects(platform::objectVariant(child), moved);
                if (order != std::weak_ordering::equivalent) break;
            }
            if (order != std::weak_ordering::greater) ++index;
        }
        return index;
    };
    if (!data || !m_context || !library()) return facts;

    QString type = TDTaskPasteboard::firstAcceptedType(*data, false);
    if (type == TDPasteboardTypes::TaskMOIDs) {
        TDTaskPasteboard::TaskIDs ids = TDTaskPasteboard::tasksForIDList(data->data(type), *m_context);
        if (ids.outcome == TDTaskPasteboard::TaskIDs::Outcome::Tasks) {
            // An ID list of tasks that are all gone leaves nothing to drop.
            facts.type = ids.tasks.isEmpty() ? TDTaskDropType::None : TDTaskDropType::TaskIDs;
            facts.draggedTasks = ids.tasks;
            return facts;
        }
        type = TDTaskPasteboard::firstAcceptedType(*data, true);
    }
    if (type == TDPasteboardTypes::TaskPlist) {
        facts.type = TDTaskDropType::TaskPlist;
    } else if (type == TDPasteboardTypes::GroupUIDs) {
        facts.type = TDTaskDropType::GroupUIDs;
        facts.draggedGroups = TDTaskPasteboard::groupsForUIDList(data->data(type), *library());
    } else if (data->hasUrls()) {
        const QList<QUrl> urls = data->urls();
        const bool files =
            std::all_of(urls.cbegin(), urls.cend(), [](const QUrl& url) { return url.isLocalFile(); });
        facts.type = files ? TDTaskDropType::Files : TDTaskDropType::Other;
        facts.fileCount = files ? urls.size() : 0;
    } else if (!type.isEmpty()) {
        facts.type = TDTaskDropType::Other;
    }
    return facts;
}

TDTaskDropVerdict TDTasksController::validateDrop(const QMimeData* data, const TDTaskDrop& proposed,
                                                  const TDTaskRowItem& pointerItem, bool sourceAllowsMove) {
    return TDValidateTaskDrop(p_dropFacts(data, pointerItem, sourceAllowsMove), proposed);
}

bool TDTasksController::acceptDrop(const QMimeData* data, const TDTaskDrop& drop, bool sourceAllowsMove) {
    const TDTaskDropFacts facts = p_dropFacts(data, drop.item, sourceAllowsMove);
    if (facts.type == TDTaskDropType::GroupUIDs) {
        TDTask* task = drop.item.task();
        QList<TDTag*> tags;
        for (TDGroup* group : facts.draggedGroups)
            if (auto* tag = dynamic_cast<TDTag*>(group)) tags.append(tag);
        if (!task || tags.isEmpty()) return false;
        for (TDTag* tag : std::as_const(tags)) task->addTagsObject(tag);
    } else {
        qsizetype index = drop.childIndex;
        // Root rows count the list's own row; its tasks do not.
        if (drop.item.isRoot() && hasDummyHeader()) --index;
        if (readFromPasteboard(data, drop.item, index, !sourceAllowsMove).isEmpty()) return false;
        reload();
    }
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("Drag Operation"));
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Commands

bool TDTasksController::validatePasteboardCommand(PasteboardCommand command) const {
    switch (command) {
        case PasteboardCommand::Copy:
        case PasteboardCommand::CopyWithNotes:
        case PasteboardCommand::CopyAsLink:
        case PasteboardCommand::Cut:
            return !selection().isEmpty();
        case PasteboardCommand::Paste:
            return canPaste();
        case PasteboardCommand::Duplicate:
            return m_group && !m_group->isArchived() && !selection().isEmpty();
    }
    return false;
}

bool TDTasksController::canPaste() const {
    const QMimeData* data = clipboardData();
    return data && !TDTaskPasteboard::firstAcceptedType(*data, false).isEmpty();
}

void TDTasksController::p_copyToClipboard(bool includeNotes) {
    const QList<TDTask*> tasks = selection();
    if (tasks.isEmpty()) return;
    setClipboardData(writeItems(tasks, includeNotes));
}

void TDTasksController::copy() {
    p_copyToClipboard(false);
}

void TDTasksController::copyWithNotes() {
    p_copyToClipboard(true);
}

void TDTasksController::copyAsLink() {
    const QList<TDTask*> tasks = selection();
    if (tasks.isEmpty()) return;
    auto data = std::make_unique<QMimeData>();
    if (tasks.size() == 1) {
        data->setUrls({tasks.first()->URL()});
        data->setText(tasks.first()->URLString());
    } else {
        QStringList links;
        for (const TDTask* task : tasks) links.append(task->URLString());
        data->setText(links.join(QLatin1Char('\n')));
    }
    setClipboardData(std::move(data));
}

void TDTasksController::cut(const QString& actionName) {
    const QList<TDTask*> tasks = selection();
    if (tasks.isEmpty()) return;
    p_copyToClipboard(false);
    // Deleted as Delete does, the row above taking the selection.
    remove();
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(actionName);
}

void TDTasksController::paste(const QString& actionName) {
    if (!m_group) return;
    TDTaskPresentation* shown = presentation();
    const QList<TDTaskRowItem> selected = shown ? shown->selectedItems() : QList<TDTaskRowItem>();
    TDLibraryObject* target = m_group;
    qsizetype index = 0;
    if (TDTask* task = selected.isEmpty() ? nullptr : selected.first().task()) {
        if (shown->isItemExpanded(selected.first())) {
            target = task;
        } else if (TDLibraryObject* parent = task->parentObject()) {
            target = parent;
            TDOrderedCollection* siblings = TDTask::from(parent) ? TDTask::from(parent)->orderedTasks()
                                                                 : TDGroup::from(parent)->orderedTasks();
            index = siblings->objects().indexOf(task) + 1;
        }
    }
    finishEditing();
    const QList<TDTask*> tasks = p_readFromPasteboard(clipboardData(), target, nullptr, index, true);
    reload();
    if (tasks.isEmpty()) return;
    if (shown) {
        QList<TDTaskRowItem> items;
        for (TDTask* task : tasks) items.append(TDTaskRowItem::task(task));
        shown->selectItems(items, true);
    }
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(actionName);
}

void TDTasksController::duplicate() {
    if (p_refuseInArchivedGroup() || !library()) return;
    const QList<TDTask*> roots = treeRoots(selection());
    if (roots.isEmpty()) return;
    finishEditing();
    unregisterForMOCObserving();
    QList<TDTask*> copies;
    for (TDTask* original : roots) {
        QMimeData form;
        form.setData(TDPasteboardTypes::TaskPlist, TDTaskPasteboard::taskPropertyLists({original}));
        const QList<TDTask*> made = library()->createTasksFromMimeData(&form);
        if (made.isEmpty()) continue;
        original->insertSibling(made.first(), true);
        copies.append(made.first());
    }
    p_placeReadTasks(copies);
    registerForMOCObserving();
    if (m_context) m_context->processPendingChanges();
    reload();
    if (copies.isEmpty()) return;
    setSelection(copies);
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("Duplicate"));
}
