#include "tests/platform/objectstore/object_store_fixture.h"

#include "platform/objectstore/object_store_error.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace objectstoretest {
namespace {

using namespace platform;

using StoreSafetyTest = ObjectStoreTest;

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

TEST_F(StoreSafetyTest, EverySaveIsCountedInItsOwnTransaction) {
    EXPECT_EQ(coordinator->saveCount(), 0);
    newTask(QStringLiteral("one"));
    ASSERT_TRUE(context->save().ok());
    newTask(QStringLiteral("two"));
    ASSERT_TRUE(context->save().ok());
    EXPECT_EQ(coordinator->saveCount(), 2);

    // A refused save writes nothing and counts nothing.
    newTask(QStringLiteral("three"))->setValue(QStringLiteral("priority"), 12);
    ASSERT_FALSE(context->save().ok());
    context->rollback();
    EXPECT_EQ(coordinator->saveCount(), 2);

    // Another coordinator on the same store goes on from the store's count, not from its own.
    auto other = openCoordinator();
    ManagedObjectContext otherContext(other.get());
    otherContext.insertObject(QStringLiteral("Task"))
        ->setValue(QStringLiteral("title"), QStringLiteral("four"));
    ASSERT_TRUE(otherContext.save().ok());
    EXPECT_EQ(other->saveCount(), 3);
    newTask(QStringLiteral("five"));
    ASSERT_TRUE(context->save().ok());
    EXPECT_EQ(coordinator->saveCount(), 4);

    auto metadata = PersistentStoreCoordinator::metadataForStore(storePath());
    ASSERT_TRUE(metadata.ok());
    EXPECT_EQ(metadata->saveCount, 4);
}

TEST_F(StoreSafetyTest, AStoreOfAnOlderBuildHasNoCountUntilItsFirstSave) {
    context.reset();
    coordinator.reset();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(storePath()).constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "DELETE FROM metadata WHERE key = 'saveCount'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    EXPECT_FALSE(PersistentStoreCoordinator::metadataForStore(storePath())->saveCount.has_value());

    coordinator = openCoordinator();
    context = std::make_unique<ManagedObjectContext>(coordinator.get());
    EXPECT_FALSE(coordinator->saveCount().has_value());
    newTask(QStringLiteral("first"));
    ASSERT_TRUE(context->save().ok());
    EXPECT_EQ(coordinator->saveCount(), 1);
}

TEST_F(StoreSafetyTest, AStoreThatFailsToOpenKeepsItsJournalAndBytes) {
    newTask(QStringLiteral("in the journal"));
    ASSERT_TRUE(context->save().ok());
    // The store as a killed process leaves it: its last save only in the journal.
    const QByteArray storeBytes = fileBytes(storePath());
    const QByteArray journalBytes = fileBytes(storePath() + QStringLiteral("-wal"));
    ASSERT_FALSE(journalBytes.isEmpty());
    context.reset();
    coordinator.reset();
    writeFile(storePath(), storeBytes);
    writeFile(storePath() + QStringLiteral("-wal"), journalBytes);

    // A model of another version refuses the store; neither file may change.
    QFile modelFile(QStringLiteral(ORDELLO_TEST_DATA_DIR "/objectstore/test_model.json"));
    ASSERT_TRUE(modelFile.open(QIODevice::ReadOnly));
    QByteArray json = modelFile.readAll();
    json.replace("\"Test 1.000\"", "\"Test 2.000\"");
    json.replace("{ \"name\": \"text\", \"type\": \"string\" }",
                 "{ \"name\": \"text\", \"type\": \"binary\" }");
    auto other = ObjectModel::fromJson(json);
    ASSERT_TRUE(other.ok());
    PersistentStoreCoordinator refuser(*other);
    const Status opened = refuser.openStore(storePath());
    ASSERT_FALSE(opened.ok());
    EXPECT_EQ(opened.error().code, ObjectStoreErrorIncompatibleModel);
    EXPECT_EQ(fileBytes(storePath()), storeBytes);
    EXPECT_EQ(fileBytes(storePath() + QStringLiteral("-wal")), journalBytes);

    // The right model still finds the save the journal holds.
    coordinator = openCoordinator();
    context = std::make_unique<ManagedObjectContext>(coordinator.get());
    const auto tasks = context->execute(FetchRequest(QStringLiteral("Task")));
    ASSERT_TRUE(tasks.ok());
    EXPECT_EQ(tasks->size(), 1);
}

TEST_F(StoreSafetyTest, TellsAStoreWithoutObjectsFromOneWithThem) {
    EXPECT_TRUE(*PersistentStoreCoordinator::storeHoldsNoObjects(storePath()));
    newTask(QStringLiteral("something"));
    ASSERT_TRUE(context->save().ok());
    EXPECT_FALSE(*PersistentStoreCoordinator::storeHoldsNoObjects(storePath()));

    const QString empty = tempPath() + QStringLiteral("/empty.sqlite3");
    writeFile(empty, {});
    EXPECT_TRUE(*PersistentStoreCoordinator::storeHoldsNoObjects(empty));
    const QString garbage = tempPath() + QStringLiteral("/garbage.sqlite3");
    writeFile(garbage, QByteArray(4096, 'x'));
    EXPECT_FALSE(PersistentStoreCoordinator::storeHoldsNoObjects(garbage).ok());
}

}  // namespace
}  // namespace objectstoretest
