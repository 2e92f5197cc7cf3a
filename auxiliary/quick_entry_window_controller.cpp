#include "auxiliary/quick_entry_window_controller.h"

#include "auxiliary/quick_entry_panel.h"
#include "foundation/string_additions.h"
#include "language/localized_string.h"
#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/objectstore/fetch_request.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/tasks_controller.h"

#include <QMimeData>
#include <QPointer>

namespace {

bool isBlank(TDTask* task) {
    return stringByTrimming(task->title()).isEmpty() && stringByTrimming(task->notesString()).isEmpty() &&
           !task->hasSubtasks();
}

// Deepest first, so that a parent whose children were all blank goes too.
void removeBlankTasks(TDOrderedCollection* tasks, TDManagedObjectContext& context) {
    for (qsizetype i = tasks->count() - 1; i >= 0; --i) {
        auto* task = dynamic_cast<TDTask*>(tasks->objectAtIndex(i));
        if (!task) continue;
        removeBlankTasks(task->orderedTasks(), context);
        if (!isBlank(task)) continue;
        (void)tasks->removeObjectAtIndex(i);
        context.deleteObject(task);
    }
}

void appendTargetItems(QList<TDQuickEntryTargetItem>& items, TDGroup* group, int indentation,
                       const QString& chosen) {
    items.append(
        {group->uid(), group->localizedTitle(), indentation, group->isList(), group->uid() == chosen});
    for (auto* child : group->orderedSubgroups()->objectsAs<TDGroup>())
        appendTargetItems(items, child, indentation + 1, chosen);
}

}  // namespace

std::unique_ptr<TDQuickEntryWindowController> TDQuickEntryWindowController::make(TDLibraryManager& manager,
                                                                                 TDTasksController& tasks) {
    std::unique_ptr<TDQuickEntryWindowController> controller(
        new TDQuickEntryWindowController(manager, tasks));
    if (!controller->p_buildContext()) return nullptr;
    return controller;
}

TDQuickEntryWindowController::TDQuickEntryWindowController(TDLibraryManager& manager,
                                                           TDTasksController& tasks)
    : m_manager(manager), m_tasks(tasks) {
}

TDQuickEntryWindowController::~TDQuickEntryWindowController() {
    // The tasks controller outlives the context it was shown.
    m_tasks.useTemporaryContext(nullptr, nullptr, nullptr);
}

bool TDQuickEntryWindowController::p_buildContext() {
    platform::PersistentStoreCoordinator* coordinator = m_manager.persistentStoreCoordinator();
    if (!coordinator) {
        logWithLevel(TDLogError, "ERROR", "Could not fetch library for quick add window: %@",
                     QStringLiteral("no library is open"));
        return false;
    }
    m_undo = std::make_unique<platform::UndoManager>();
    m_context = std::make_unique<TDManagedObjectContext>(coordinator);
    m_context->setTemporary(true);
    m_context->setUndoManager(m_undo.get());
    const Result<QList<platform::ManagedObject*>> found =
        m_context->execute(platform::FetchRequest(QStringLiteral("Library")));
    if (!found || found->isEmpty()) {
        logWithLevel(TDLogError, "ERROR", "Could not fetch library for quick add window: %@",
                     found ? QStringLiteral("there is none") : found.error().description);
        return false;
    }
    m_library = dynamic_cast<TDLibrary*>(found->last());
    if (!m_library) return false;
    m_context->setLibrary(m_library);
    m_undo->disableUndoRegistration();
    m_scratchList = m_context->insertObject<TDGroup>(QStringLiteral("List"));
    m_scratchList->setTitle(QStringLiteral("Temp"));
    m_context->processPendingChanges();
    m_undo->enableUndoRegistration();

    m_tasks.useTemporaryContext(m_context.get(), m_library, m_undo.get());
    m_tasks.setGroup(m_scratchList);
    m_tasks.setDisplayMode(TDTasksController::QuickEntryMode);
    m_tasks.registerForMOCObserving();
    return true;
}

bool TDQuickEntryWindowController::isOpen() const {
    return m_panel && m_panel->isPanelVisible();
}

qsizetype TDQuickEntryWindowController::p_scratchTaskCount() {
    m_undo->disableUndoRegistration();
    m_context->processPendingChanges();
    const qsizetype count = m_scratchList->orderedTasks()->count();
    m_undo->enableUndoRegistration();
    return count;
}

void TDQuickEntryWindowController::showWindowWithAnimation(bool animate, bool createContextBasedTask) {
    if (isOpen()) return;
    if (p_scratchTaskCount() > 0) {
        if (m_panel) m_panel->showPanel(animate);
        return;
    }
    if (createContextBasedTask && m_contextProvider) {
        m_contextProvider([guard = QPointer(this), animate](const QList<QVariantMap>& dictionaries) {
            if (!guard) return;
            guard->m_undo->disableUndoRegistration();
            QList<TDTask*> made;
            for (const QVariantMap& dictionary : dictionaries)
                if (TDTask* task = guard->m_library->createTaskFromImportDictionary(dictionary, nullptr))
                    made.append(task);
            guard->p_placeAndShow(made, animate);
        });
        return;
    }
    m_undo->disableUndoRegistration();
    p_placeAndShow({}, animate);
}

void TDQuickEntryWindowController::p_placeAndShow(QList<TDTask*> tasks, bool animate) {
    if (tasks.isEmpty()) {
        TDTask* empty = m_library->createOrphanTask();
        empty->setTitle(QString());
        tasks.append(empty);
    }
    QList<platform::ManagedObject*> objects(tasks.cbegin(), tasks.cend());
    if (const Status placed = m_scratchList->orderedTasks()->insertObjects(objects, 0); !placed.ok())
        logWithLevel(TDLogWarning, "WARNING", "Could not put the tasks in quick entry: %@",
                     placed.error().description);
    m_context->processPendingChanges();
    m_undo->enableUndoRegistration();
    m_tasks.reload();
    if (m_panel) m_panel->showPanel(animate);
}

bool TDQuickEntryWindowController::showWindowWithTasksFromText(const QString& text, bool animate) {
    m_undo->disableUndoRegistration();
    QMimeData data;
    data.setText(text);
    const QList<TDTask*> made = m_library->createTasksFromMimeData(&data);
    // One after the other at the top, so the last made stands first.
    for (TDTask* task : made)
        if (!task->parentList() && !task->parentTask())
            (void)m_scratchList->orderedTasks()->insertObject(task, 0);
    m_context->processPendingChanges();
    m_undo->enableUndoRegistration();
    m_tasks.reload();
    if (m_panel && !isOpen()) m_panel->showPanel(animate);
    return !made.isEmpty();
}

void TDQuickEntryWindowController::panelDidAppear() {
    if (m_panel) m_panel->beginEditingFirstTask();
}

void TDQuickEntryWindowController::done() {
    if (m_panel) m_panel->endEditing();
    m_tasks.finishEditing();
    m_tasks.unregisterForMOCObserving();
    m_undo->disableUndoRegistration();
    removeBlankTasks(m_scratchList->orderedTasks(), *m_context);
    m_context->processPendingChanges();
    m_undo->enableUndoRegistration();

    const QList<TDTask*> typed = m_scratchList->orderedTasks()->objectsAs<TDTask>();
    TDLibrary* library = m_manager.library();
    TDGroup* target = targetGroup();
    int filed = 0;
    if (!typed.isEmpty() && library && target) {
        platform::UndoManager* undo = m_manager.undoManager();
        if (undo) undo->beginUndoGrouping();
        // Last first, each at the top: they stand in the order typed.
        for (qsizetype i = typed.size() - 1; i >= 0; --i) {
            const Result<TDLibraryObject*> made = library->createEntityNamed(
                QStringLiteral("Task"), typed[i]->propertyListRepresentationForCopying());
            if (!made) {
                logWithLevel(TDLogError, "ERROR", "Could not file a task from quick entry: %@",
                             made.error().description);
                continue;
            }
            if (const Status placed = target->orderedTasks()->insertObject(*made, 0); !placed.ok())
                logWithLevel(TDLogError, "ERROR", "Could not file a task from quick entry: %@",
                             placed.error().description);
            else
                ++filed;
        }
        if (undo) {
            undo->endUndoGrouping();
            undo->setActionName(typed.size() == 1 ? TDLocalizedString("Add Task")
                                                  : TDLocalizedString("Add Tasks"));
        }
    }
    m_tasks.registerForMOCObserving();
    cancel();
    Q_EMIT tasksFiled(filed);
}

void TDQuickEntryWindowController::cancel() {
    if (m_panel) {
        m_panel->endEditing();
        m_panel->orderOutPanel();
    }
    m_undo->disableUndoRegistration();
    for (TDTask* task : m_scratchList->orderedTasks()->objectsAs<TDTask>()) m_context->deleteObject(task);
    m_context->processPendingChanges();
    m_undo->enableUndoRegistration();
    // What was typed is gone: nothing of it can be undone.
    m_undo->removeAllActions();
    m_tasks.reload();
    if (m_panel) m_panel->restoreInitialFrame();
}

void TDQuickEntryWindowController::toggle(bool withContext) {
    if (isOpen())
        done();
    else
        showWindowWithAnimation(true, withContext);
}

TDGroup* TDQuickEntryWindowController::targetGroup() const {
    TDLibrary* library = m_manager.library();
    if (!library) return nullptr;
    const QString uid = m_manager.optionForKey(TDQuickEntryTargetGroupUIDKey).toString();
    TDGroup* stored = uid.isEmpty() ? nullptr : library->groupWithUID(uid);
    if (stored && !stored->isDeleted() && !stored->isArchived() && stored->isList()) return stored;
    return library->inboxGroup();
}

QList<TDQuickEntryTargetItem> TDQuickEntryWindowController::targetMenuItems() const {
    QList<TDQuickEntryTargetItem> items;
    TDLibrary* library = m_manager.library();
    if (!library) return items;
    const TDGroup* target = targetGroup();
    const QString chosen = target ? target->uid() : QString();
    if (TDGroup* inbox = library->inboxGroup())
        items.append({inbox->uid(), inbox->localizedTitle(), 0, true, inbox->uid() == chosen});
    TDGroup* folders = library->foldersGroup();
    const QList<TDGroup*> groups =
        folders ? folders->orderedSubgroups()->objectsAs<TDGroup>() : QList<TDGroup*>();
    if (groups.isEmpty()) return items;
    items.append(TDQuickEntryTargetItem{});
    for (TDGroup* group : groups) appendTargetItems(items, group, 0, chosen);
    return items;
}

void TDQuickEntryWindowController::chooseTargetGroup(const QString& uid) {
    TDLibrary* library = m_manager.library();
    TDGroup* group = library && !uid.isEmpty() ? library->groupWithUID(uid) : nullptr;
    // A folder cannot take tasks.
    if (!group || !group->isList()) return;
    m_manager.setOption(uid, TDQuickEntryTargetGroupUIDKey);
}
