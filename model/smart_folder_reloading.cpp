#include "model/smart_folder_reloading.h"

#include "model/library.h"
#include "model/object_casts.h"
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
        logWithLevel(TDLogError, "ERROR", "Could not reload smart folder: %@",
                     fetched.error().detailedDescription());
        return;
    }
    const QList<TDTask*> tasks = TDObjectsOfClass<TDTask>(*fetched);
    for (TDSmartFolder* folder : smartFolders) folder->reloadTasksFromCandidates(tasks);
}
