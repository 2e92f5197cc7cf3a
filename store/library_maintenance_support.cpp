#include "store/library_maintenance_support.h"

#include "model/group.h"
#include "model/task.h"
#include "platform/predicates/predicate_parser.h"

namespace librarymaintenance {

QList<platform::ManagedObject*> fetch(TDLibrary* library, const QString& entityName, const QString& format,
                                      const QVariantList& arguments,
                                      const QList<platform::SortDescriptor>& sortDescriptors) {
    platform::PredicatePtr predicate;
    if (!format.isEmpty()) {
        auto parsed = platform::predicateWithFormat(format, arguments);
        if (!parsed) return {};
        predicate = *parsed;
    }
    auto fetched = library->fetch(entityName, predicate, sortDescriptors);
    return fetched ? *fetched : QList<platform::ManagedObject*>();
}

QVariantList finishedStatuses() {
    return {QVariantList{QStringLiteral("C"), QStringLiteral("X")}};
}

qsizetype duplicateUIDCount(const QList<platform::ManagedObject*>& objects) {
    QSet<QString> uids;
    for (const platform::ManagedObject* object : objects)
        uids.insert(object->primitiveValue(QStringLiteral("uid")).toString());
    return objects.size() - uids.size();
}

bool pointsBack(const platform::ManagedObject* owner, const QString& key,
                const platform::ManagedObject* expected) {
    return owner && owner->object(key) == expected;
}

ArchivePartition archivePartition(TDLibrary* library) {
    ArchivePartition partition;
    auto addListsUnder = [](TDGroup* group, QSet<TDTask*>& into) {
        if (!group) return;
        for (TDGroup* member : group->allGroupsInTree())
            if (member->isList())
                for (TDTask* task : member->allTasksInTree()) into.insert(task);
    };
    addListsUnder(library->foldersGroup(), partition.unarchived);
    if (TDGroup* inbox = library->inboxGroup())
        for (TDTask* task : inbox->allTasksInTree()) partition.unarchived.insert(task);
    addListsUnder(library->archiveGroup(), partition.archived);
    return partition;
}

QList<TDTask*> finishedParentsWithOpenDescendants(TDLibrary* library) {
    QList<TDTask*> parents;
    for (platform::ManagedObject* object :
         fetch(library, QStringLiteral("Task"), QStringLiteral("subtasks.@count > 0 AND status != NIL"))) {
        TDTask* task = TDTask::from(object);
        if (!task) continue;
        const QList<TDTask*> tree = task->allTasksInTree();
        if (std::any_of(tree.begin(), tree.end(), [](const TDTask* t) { return t->isIncomplete(); }))
            parents.append(task);
    }
    return parents;
}

}  // namespace librarymaintenance
