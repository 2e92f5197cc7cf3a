#include "tests/app/group_library_fixture.h"

#include "foundation/application_delegate.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "platform/undo/undo_manager.h"

#include <QDir>

namespace apptest {

void GroupLibraryTest::SetUp() {
    TempFoldersTest::SetUp();
    TDSetAppDelegate(&appDelegate);
    // No autosave while a test runs.
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), 24 * 60 * 60);
    manager =
        std::make_unique<TDLibraryManager>(QDir(tempPath()).filePath(QStringLiteral("Test.odllibrary")));
    TDLibraryManager::setSharedManager(manager.get());
    auto created = manager->createLibrary();
    ASSERT_TRUE(created.ok()) << created.error().detailedDescription().toStdString();
    for (TDTask* task : library()->allTasks())
        if (!task->isDeleted()) task->deleteObject();
    settle();
    manager->undoManager()->removeAllActions();
}

void GroupLibraryTest::TearDown() {
    if (manager) manager->closeDiscardingChanges();
    manager.reset();
    TDLibraryManager::setSharedManager(nullptr);
    TDSetAppDelegate(nullptr);
    TempFoldersTest::TearDown();
}

TDList* GroupLibraryTest::list(const QString& title) {
    return library()->createList(title, library()->foldersGroup());
}

void GroupLibraryTest::settle() {
    manager->managedObjectContext()->processPendingChanges();
}

}  // namespace apptest
