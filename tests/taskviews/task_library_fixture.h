#pragma once

#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/sync_set.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/undo/undo_manager.h"
#include "tests/support/test_environment.h"

#include <memory>

namespace treemodeltest {

// A new library without its starter tasks, in a temporary store, with undo and the natural-language
// transformers; the clock stands at 2026-12-09 10:00 until a test moves it.
class TaskLibraryTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override;
    void TearDown() override;

    TDList* inbox() const { return dynamic_cast<TDList*>(library->inboxGroup()); }
    // A task at the end of the parent's ordered tasks (a task or a group; none: an orphan).
    TDTask* task(const QString& title, TDLibraryObject* parent = nullptr);
    // Processes pending changes and recalculates what was scheduled, as the library manager does.
    void settle();
    QDateTime now() const { return clock->now(); }

    std::unique_ptr<TDTestClock> clock;
    std::unique_ptr<platform::PersistentStoreCoordinator> coordinator;
    std::unique_ptr<platform::UndoManager> undoManager;
    std::unique_ptr<TDManagedObjectContext> context;
    std::unique_ptr<TDManagedObjectContext> journalContext;
    TDLibrary* library = nullptr;
};

}  // namespace treemodeltest
