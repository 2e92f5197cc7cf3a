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

private:
    TDSyncSet* m_corvaneSyncSet = nullptr;
};
