#include "store/smart_folder_reload_operation.h"

#include "foundation/timing.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/smart_folder.h"
#include "model/smart_folder_reloading.h"
#include "platform/base/log.h"

TDSmartFolderReloadOperation::TDSmartFolderReloadOperation(platform::PersistentStoreCoordinator* coordinator,
                                                           TDLibrary* mainLibrary,
                                                           const QList<platform::ObjectID>& smartFolderIDs)
    : TDLibraryOperation(coordinator), m_mainLibrary(mainLibrary), m_smartFolderIDs(smartFolderIDs) {
}

void TDSmartFolderReloadOperation::main() {
    pushTimestamp();
    performOperation();
    logWithLevel(TDLogDebug, "DEBUG", "TDSmartFolderReloadOperation took %lf seconds", popElapsedSeconds());
}

void TDSmartFolderReloadOperation::performOperation() {
    if (m_smartFolderIDs.isEmpty()) return;
    TDManagedObjectContext* context = managedObjectContext();
    TDLibrary* library = threadedLibrary();
    if (!context || !library) return;
    QList<TDSmartFolder*> special;
    QList<TDSmartFolder*> ordinary;
    for (const platform::ObjectID& id : m_smartFolderIDs)
        if (TDSmartFolder* folder = TDSmartFolder::from(context->objectWithID(id)))
            (folder->isSpecial() ? special : ordinary).append(folder);
    for (TDSmartFolder* folder : special) folder->reloadTasks();
    for (TDSmartFolder* folder : ordinary) folder->resetPredicate();
    TDReloadOrdinarySmartFolders(library, ordinary);
    context->processPendingChanges();
    if (!context->hasChanges()) return;
    logWithLevel(TDLogDebug, "DEBUG", "Saving library after updating smart folders...");
    const Status saved = saveContext();
    if (!saved.ok())
        logWithLevel(TDLogError, "ERROR",
                     "Could not save after reloading smart folders after a date change: %@",
                     saved.error().detailedDescription());
}
