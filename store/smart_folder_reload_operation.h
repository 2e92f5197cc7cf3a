#pragma once

#include "platform/objectstore/object_id.h"
#include "store/library_operation.h"

#include <QList>

// After the day changes, re-evaluates smart folders in a context of its own, saves, and has the saved
// membership merged into the main context (no undo step, no save of its own there). Special folders
// query the store; the ordinary ones share one fetch of the unarchived tasks.
class TDSmartFolderReloadOperation final : public TDLibraryOperation {
public:
    // `coordinator`: the library manager's, so the save reaches the main context.
    TDSmartFolderReloadOperation(platform::PersistentStoreCoordinator* coordinator, TDLibrary* mainLibrary,
                                 const QList<platform::ObjectID>& smartFolderIDs);

    TDLibrary* mainLibrary() const { return m_mainLibrary; }
    const QList<platform::ObjectID>& smartFolderIDs() const { return m_smartFolderIDs; }

    void performOperation();

protected:
    void main() override;

private:
    TDLibrary* m_mainLibrary;
    QList<platform::ObjectID> m_smartFolderIDs;
};
