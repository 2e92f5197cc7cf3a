#include "tests/taskviews/task_library_fixture.h"

#include "language/natural_language_value_transformers.h"
#include "model/library_model.h"
#include "model/ordered_collection.h"

namespace treemodeltest {

void TaskLibraryTest::SetUp() {
    TempFoldersTest::SetUp();
    registerNaturalLanguageValueTransformers();
    clock = std::make_unique<TDTestClock>(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    TDClock::setShared(clock.get());
    auto model = TDLibraryObjectModel();
    ASSERT_TRUE(model.ok()) << model.error().detailedDescription().toStdString();
    coordinator = std::make_unique<platform::PersistentStoreCoordinator>(*model);
    const Status opened = coordinator->openStore(tempPath() + QStringLiteral("/library.sqlite3"));
    ASSERT_TRUE(opened.ok()) << opened.error().detailedDescription().toStdString();
    undoManager = std::make_unique<platform::UndoManager>();
    context = std::make_unique<TDManagedObjectContext>(coordinator.get());
    context->setUndoManager(undoManager.get());
    journalContext = std::make_unique<TDManagedObjectContext>(coordinator.get());

    context->setCreatingLibrary(true);
    undoManager->disableUndoRegistration();
    library = context->insertObject<TDLibrary>(QStringLiteral("Library"));
    ASSERT_NE(library, nullptr);
    context->setLibrary(library);
    auto* journal = journalContext->insertObject<TDSyncSet>(QStringLiteral("SyncSet"));
    journal->setSyncType(QStringLiteral("corvane"));
    journalContext->setLibrary(library);
    library->setCorvaneSyncSetManagedObjectContext(journalContext.get());
    library->setCorvaneSyncSet(journal);
    library->createObjectsForNewLibrary();
    context->setCreatingLibrary(false);
    for (TDTask* starter : library->allTasks())
        if (!starter->isDeleted()) starter->deleteObject();
    settle();
    undoManager->enableUndoRegistration();
    undoManager->removeAllActions();
}

void TaskLibraryTest::TearDown() {
    journalContext.reset();
    context.reset();
    undoManager.reset();
    coordinator.reset();
    TDClock::setShared(nullptr);
    clock.reset();
    TempFoldersTest::TearDown();
}

TDTask* TaskLibraryTest::task(const QString& title, TDLibraryObject* parent) {
    TDTask* made = library->createOrphanTask();
    made->setTitle(title);
    TDOrderedCollection* collection = nullptr;
    if (auto* parentTask = dynamic_cast<TDTask*>(parent)) {
        collection = parentTask->orderedTasks();
    } else if (auto* group = dynamic_cast<TDGroup*>(parent)) {
        collection = group->orderedTasks();
    }
    if (collection) {
        EXPECT_TRUE(collection->addObject(made).ok());
    }
    return made;
}

void TaskLibraryTest::settle() {
    context->processPendingChanges();
    context->recalculateTransientProperties();
}

}  // namespace treemodeltest
