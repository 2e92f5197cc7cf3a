#pragma once

#include "model/library_object.h"

class TDSyncSet;

// The root object of a library.
class TDLibrary : public TDLibraryObject {
public:
    using TDLibraryObject::TDLibraryObject;

    // The sync service's journal, kept in its own context; none until an account is set up.
    TDSyncSet* corvaneSyncSet() const { return m_corvaneSyncSet; }
    void setCorvaneSyncSet(TDSyncSet* syncSet) { m_corvaneSyncSet = syncSet; }

    const QSet<QString>* keysNotAffectingModifiedDate() const override;

    // Builds the starter tree of a new library (special groups with their fixed UIDs).
    void createObjectsForNewLibrary();
    // Runs before every save and on every change of the library's context (unless it is syncing).
    void processModifiedObjects();
    void reloadAllSmartFolders();
    // Makes the copies that open recurring tasks owe for days that have passed.
    void createRecurringTasksIfNecessary();

private:
    TDSyncSet* m_corvaneSyncSet = nullptr;
};
