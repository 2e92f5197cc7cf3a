#include "model/smart_folder_reloading.h"

#include "model/library.h"
#include "model/smart_folder.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/predicates/predicate_parser.h"

void TDReloadOrdinarySmartFolders(TDLibrary* library, const QList<TDSmartFolder*>& smartFolders) {
    if (!library || smartFolders.isEmpty()) return;
    static const platform::PredicatePtr notArchived =
        *platform::predicateWithFormat(QStringLiteral("archived != YES"));
    const auto fetched = library->fetch(QStringLiteral("Task"), notArchived);
    if (!fetched.ok()) {
        logWithLevel(TDLogError, "ERROR", "Could not reload smart folder: %@", fetched.error().detailedDescription());
        return;
    }
    QList<TDTask*> tasks;
    tasks.reserve(fetched->size());
    for (platform::ManagedObject* object : *fetched)
        if (TDTask* task = TDTask::from(object)) tasks.append(task);
    for (TDSmartFolder* folder : smartFolders) folder->reloadTasksFromCandidates(tasks);
}
