#include "model/list.h"

#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/object_casts.h"
#include "model/ordered_collection.h"
#include "model/task.h"

const QSet<QString>* TDList::keysNotAffectingModifiedDate() const {
    static const QSet<QString> keys =
        *TDGroup::keysNotAffectingModifiedDate() + QSet<QString>{QStringLiteral("listSubtasks")};
    return &keys;
}

void TDList::archive() {
    TDLibrary* library = libraryContext() ? libraryContext()->library() : nullptr;
    if (isArchived() || !library || !library->archiveGroup()) return;
    // The collection logs a refusal.
    (void)library->archiveGroup()->orderedSubgroups()->insertObject(this, 0);
}

void TDList::unarchive() {
    TDLibrary* library = libraryContext() ? libraryContext()->library() : nullptr;
    if (!isArchived() || !library || !library->foldersGroup()) return;
    TDOrderedCollection* folders = library->foldersGroup()->orderedSubgroups();
    (void)folders->insertObject(this, folders->count());  // the collection logs a refusal
}

QList<TDTask*> TDList::allTasksInTree() const {
    return TDObjectsOfClass<TDTask>(objects(QStringLiteral("listSubtasks")));
}

void TDList::awakeFromFetch() {
    TDGroup::awakeFromFetch();
    // The index of every task in the list's trees serves the windows and rules; a context that sets
    // up no derived values (a backup's) never reads it.
    if (const TDManagedObjectContext* context = libraryContext();
        context && !context->setupTransientProperties())
        return;
    const QString topList = QStringLiteral("topList");
    const QString listSubtasks = QStringLiteral("listSubtasks");
    // Every task of the list passes here as the library opens: the relationship is looked up once.
    const platform::RelationshipDescription* topListRelationship =
        entity()->relationship(listSubtasks)->inverseRelationship();
    const platform::RelationshipDescription* subtasksRelationship = nullptr;
    QList<platform::ManagedObject*> missing;
    // The trees walked in place: a list of a hundred thousand tasks makes no list per task.
    auto check = [&](auto& self, TDTask* task) -> void {
        if (task->object(topListRelationship) != this) missing.append(task);
        if (!subtasksRelationship)
            subtasksRelationship = task->entity()->relationship(QStringLiteral("subtasks"));
        for (platform::ManagedObject* object : task->objects(subtasksRelationship))
            if (TDTask* subtask = TDTask::from(object)) self(self, subtask);
    };
    for (platform::ManagedObject* object : objects(QStringLiteral("tasks")))
        if (TDTask* top = TDTask::from(object); top && !top->isDeleted()) check(check, top);
    // Both sides by hand: primitive writes keep no inverse.
    for (platform::ManagedObject* task : std::as_const(missing)) {
        if (auto* other = task->objectAs<TDList>(topList)) {
            QList<platform::ManagedObject*> rest = other->objectList(listSubtasks);
            rest.removeAll(task);
            other->setPrimitiveValue(listSubtasks, platform::variantListOfObjects(rest));
        }
        task->setPrimitiveValue(topList, platform::objectVariant(this));
    }
    if (!missing.isEmpty())
        setPrimitiveValue(listSubtasks, platform::variantListOfObjects(objectList(listSubtasks) + missing));
}

void TDList::tasksWereAdded(const QList<TDTask*>& tasks) {
    if (!p_isRestoring()) {
        for (TDTask* task : tasks) {
            if (TDTask* parent = task->parentTask()) parent->removeSubtasks({task});
            task->moveToList(this);
        }
    }
    const bool archived = isArchived();
    for (TDTask* task : tasks) task->setTasksInTreeToArchived(archived);
}
