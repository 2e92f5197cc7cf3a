#include "tests/model/library_fixture.h"

#include "platform/objectstore/object_model.h"

namespace modeltest {

void LibraryTest::SetUp() {
    TempFoldersTest::SetUp();
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
    library = context->insertObject<TDLibrary>(QStringLiteral("Library"));
    ASSERT_NE(library, nullptr);
    context->setLibrary(library);
    journal = journalContext->insertObject<TDSyncSet>(QStringLiteral("SyncSet"));
    journal->setSyncType(QStringLiteral("corvane"));
    journalContext->setLibrary(library);
    library->setCorvaneSyncSetManagedObjectContext(journalContext.get());
    library->setCorvaneSyncSet(journal);
    saveAll();
    context->setCreatingLibrary(false);
    undoManager->removeAllActions();
}

void LibraryTest::TearDown() {
    journalContext.reset();
    context.reset();
    undoManager.reset();
    coordinator.reset();
    TDClock::setShared(nullptr);
    clock.reset();
    TempFoldersTest::TearDown();
}

platform::ManagedObject* LibraryTest::insert(const QString& entity) {
    return context->insertObject(entity);
}

void LibraryTest::saveAll() {
    const Status main = context->save();
    ASSERT_TRUE(main.ok()) << main.error().detailedDescription().toStdString();
    const Status sync = journalContext->save();
    ASSERT_TRUE(sync.ok()) << sync.error().detailedDescription().toStdString();
}

}  // namespace modeltest
