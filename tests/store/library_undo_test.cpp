#include "tests/store/library_manager_fixture.h"

#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/undo/undo_manager.h"

namespace storetest {
namespace {

using LibraryUndoTest = LibraryManagerTest;

// The library's bookkeeping of modified tasks, done as each change is processed, must never cost the
// user the step they just undid.
TEST_F(LibraryUndoTest, AnUndoneTaskEditCanBeRedoneAfterTheChangesAreProcessed) {
    TDLibrary* library = createLibrary();
    platform::UndoManager* undo = manager->undoManager();
    TDManagedObjectContext* context = manager->managedObjectContext();
    undo->setGroupsByEvent(false);

    undo->beginUndoGrouping();
    TDTask* task = library->createTaskFromImportDictionary(
        {{QStringLiteral("title"), QStringLiteral("Before")}}, library->inboxGroup());
    context->processPendingChanges();
    undo->endUndoGrouping();
    undo->beginUndoGrouping();
    task->setTitle(QStringLiteral("After"));
    context->processPendingChanges();
    undo->endUndoGrouping();

    undo->undo();
    context->processPendingChanges();
    EXPECT_EQ(task->title(), QStringLiteral("Before"));
    ASSERT_TRUE(undo->canRedo());
    undo->redo();
    context->processPendingChanges();
    EXPECT_EQ(task->title(), QStringLiteral("After"));
    // And once more down the stack: the insertion itself.
    undo->undo();
    context->processPendingChanges();
    undo->undo();
    context->processPendingChanges();
    EXPECT_TRUE(task->isDeleted() || !task->managedObjectContext());
    EXPECT_TRUE(undo->canRedo());
}

}  // namespace
}  // namespace storetest
