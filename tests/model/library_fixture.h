#pragma once

#include "model/library.h"
#include "model/library_model.h"
#include "model/managed_object_context.h"
#include "model/sync_set.h"
#include "platform/base/clock.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/undo/undo_manager.h"
#include "tests/support/test_environment.h"

#include <memory>

namespace modeltest {

// A library store in a temporary folder: the main context with undo, a journal context with a sync set,
// and the library root. The clock stands still at a fixed moment until a test moves it.
class LibraryTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override;
    void TearDown() override;

    platform::ManagedObject* insert(const QString& entity);
    // Saves both contexts; fails the test on an error.
    void saveAll();

    std::unique_ptr<TDTestClock> clock;
    std::unique_ptr<platform::PersistentStoreCoordinator> coordinator;
    std::unique_ptr<platform::UndoManager> undoManager;
    std::unique_ptr<TDManagedObjectContext> context;
    std::unique_ptr<TDManagedObjectContext> journalContext;
    TDLibrary* library = nullptr;
    TDSyncSet* journal = nullptr;
};

}  // namespace modeltest
