#include "tests/platform/objectstore/object_store_fixture.h"

#include "platform/objectstore/object_store_error.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>

namespace objectstoretest {
namespace {

using namespace platform;

const QString kParentTask = QStringLiteral("parentTask");
const QString kTitle = QStringLiteral("title");

using PersistenceTest = ObjectStoreTest;

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(PersistenceTest, ReopeningReproducesTheSavedGraphExactly) {
    ManagedObject* library = newObject(QStringLiteral("Library"));
    library->setValue(QStringLiteral("uid"), QStringLiteral("LIB"));
    ManagedObject* folder = newObject(QStringLiteral("Folder"), QStringLiteral("Folders"));
    ManagedObject* list = newObject(QStringLiteral("List"), QStringLiteral("Inbox"));
    ManagedObject* tag = newObject(QStringLiteral("Tag"), QStringLiteral("@home"));
    list->setObject(QStringLiteral("parentGroup"), folder);
    tag->setValue(QStringLiteral("createdDate"), QDateTime(QDate(2025, 12, 24), QTime(18, 0, 0, 250)));
    TestTask* parent = newTask(QStringLiteral("Write \"report\" – ünïcödé"));
    TestTask* child = newTask(QString());
    child->setObject(kParentTask, parent);
    parent->setObject(QStringLiteral("parentList"), list);
    parent->addObject(QStringLiteral("tags"), tag);
    child->addObject(QStringLiteral("tags"), tag);
    parent->setValue(QStringLiteral("priority"), 7);
    parent->setValue(QStringLiteral("estimatedTime"), 5400.5);
    parent->setValue(QStringLiteral("archived"), true);
    parent->setValue(QStringLiteral("status"), QStringLiteral("X"));
    parent->setValue(QStringLiteral("dueDate"), QDateTime(QDate(2026, 1, 31), QTime(23, 59, 59, 999)));
    parent->setValue(QStringLiteral("attachmentData"), QByteArray("\0\1\2binary", 9));
    child->setValue(QStringLiteral("attachmentData"), QByteArray(""));
    parent->setValue(QStringLiteral("localInfoDictionary"),
                     QVariantMap{{QStringLiteral("column"), 3}, {QStringLiteral("open"), true}});
    ManagedObject* notes = newObject(QStringLiteral("TaskNotes"));
    notes->setValue(QStringLiteral("text"), QStringLiteral("notes"));
    parent->setObject(QStringLiteral("notes"), notes);
    library->addObject(QStringLiteral("modifiedTasks"), child);
    ASSERT_TRUE(context->save().ok());

    // A second round of changes: updates, a moved child, a removed tag link and a deletion.
    TestTask* sibling = newTask(QStringLiteral("sibling"));
    sibling->setObject(kParentTask, parent);
    child->setObject(kParentTask, sibling);
    tag->removeObject(QStringLiteral("tasks"), parent);
    parent->setValue(QStringLiteral("dueDate"), QVariant());
    context->deleteObject(notes);
    ASSERT_TRUE(context->save().ok());
    const auto saved = graphSnapshot(*context);
    QSet<QString> uris;
    for (const QString& line : QString::fromStdString(saved).split(QLatin1Char('\n')))
        uris.insert(line.section(QLatin1Char(' '), 0, 0));
    ASSERT_EQ(uris.size(), 7);

    context.reset();
    coordinator.reset();
    coordinator = openCoordinator();
    context = std::make_unique<ManagedObjectContext>(coordinator.get());
    ASSERT_TRUE(context->loadAllObjects().ok());
    EXPECT_EQ(graphSnapshot(*context), saved);
    EXPECT_FALSE(context->hasChanges());
}

TEST_F(PersistenceTest, FailedValidationLeavesTheFileAndTheContextAsTheyWere) {
    TestTask* parent = newTask(QStringLiteral("parent"));
    TestTask* child = newTask(QStringLiteral("child"));
    child->setObject(kParentTask, parent);
    ASSERT_TRUE(context->save().ok());
    const QByteArray store = fileBytes(storePath());
    const QByteArray wal = fileBytes(storePath() + QStringLiteral("-wal"));

    parent->setTitle(QStringLiteral("renamed"));
    TestTask* added = newTask(QStringLiteral("added"));
    added->setValue(QStringLiteral("priority"), -1);  // would be coerced, but the save fails first
    child->setValue(QStringLiteral("priority"), 99);
    const auto before = graphSnapshot(*context);
    const Status status = context->save();
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().code, ObjectStoreErrorValidation);

    EXPECT_EQ(fileBytes(storePath()), store);
    EXPECT_EQ(fileBytes(storePath() + QStringLiteral("-wal")), wal);
    EXPECT_EQ(graphSnapshot(*context), before);
    EXPECT_TRUE(added->isInserted());
    EXPECT_TRUE(parent->isUpdated());
    EXPECT_EQ(added->value(QStringLiteral("priority")).toLongLong(), -1);

    child->setValue(QStringLiteral("priority"), 9);
    ASSERT_TRUE(context->save().ok());
    EXPECT_EQ(added->value(QStringLiteral("priority")).toLongLong(), 0);
}

TEST_F(PersistenceTest, TwoContextsOnOneCoordinatorSaveWithoutDisturbingEachOther) {
    for (int i = 0; i < 3; ++i) newTask(QStringLiteral("task %1").arg(i));
    ASSERT_TRUE(context->save().ok());

    ManagedObjectContext journal(coordinator.get());
    ManagedObject* set = journal.insertObject(QStringLiteral("SyncSet"));
    set->setValue(QStringLiteral("syncType"), QStringLiteral("corvane"));
    ManagedObject* item = journal.insertObject(QStringLiteral("SyncSetItem"));
    item->setObject(QStringLiteral("syncSet"), set);

    TestTask* task = newTask(QStringLiteral("unsaved in main"));
    ASSERT_TRUE(journal.save().ok());
    EXPECT_TRUE(context->hasChanges());
    EXPECT_TRUE(task->isInserted());
    // The journal's context read only its own tables, never the tasks.
    EXPECT_EQ(journal.registeredObjectCount(), 2);

    ASSERT_TRUE(context->save().ok());
    item->setValue(QStringLiteral("itemUID"), task->value(QStringLiteral("uid")));
    ASSERT_TRUE(journal.save().ok());
    EXPECT_EQ(journal.registeredObjectCount(), 2);

    auto second = openCoordinator();
    ManagedObjectContext reader(second.get());
    ASSERT_TRUE(reader.loadAllObjects().ok());
    EXPECT_EQ(reader.count(FetchRequest(QStringLiteral("Task"))).value(), 4);
    auto items = reader.execute(FetchRequest(QStringLiteral("SyncSetItem")));
    ASSERT_EQ(items->size(), 1);
    EXPECT_EQ(items->first()->value(QStringLiteral("itemUID")), task->value(QStringLiteral("uid")));
    EXPECT_EQ(items->first()->object(QStringLiteral("syncSet"))->value(QStringLiteral("syncType")).toString(),
              QStringLiteral("corvane"));
}

TEST_F(PersistenceTest, LazyContextsReadATableWhenARelationshipLeadsIntoIt) {
    ManagedObject* list = newObject(QStringLiteral("List"), QStringLiteral("list"));
    TestTask* task = newTask(QStringLiteral("task"));
    task->setObject(QStringLiteral("parentList"), list);
    ManagedObject* notes = newObject(QStringLiteral("TaskNotes"));
    task->setObject(QStringLiteral("notes"), notes);
    ASSERT_TRUE(context->save().ok());

    ManagedObjectContext lazy(coordinator.get());
    auto found = lazy.execute(FetchRequest(QStringLiteral("TaskNotes")));
    ASSERT_EQ(found->size(), 1);
    EXPECT_EQ(lazy.registeredObjectCount(), 1);
    ManagedObject* owner = found->first()->object(QStringLiteral("task"));
    ASSERT_TRUE(owner);
    EXPECT_EQ(owner->value(kTitle).toString(), QStringLiteral("task"));
    EXPECT_EQ(owner->object(QStringLiteral("notes")), found->first());
    ManagedObject* ownerList = owner->object(QStringLiteral("parentList"));
    ASSERT_TRUE(ownerList);
    EXPECT_EQ(ownerList->objectList(QStringLiteral("tasks")), QList<ManagedObject*>{owner});
    EXPECT_EQ(lazy.registeredObjectCount(), 3);
}

TEST_F(PersistenceTest, AwakeFromFetchRunsChildrenBeforeParents) {
    ManagedObject* tag = newObject(QStringLiteral("Tag"), QStringLiteral("tag"));
    TestTask* root = newTask(QStringLiteral("root"));
    TestTask* middle = newTask(QStringLiteral("middle"));
    middle->setObject(kParentTask, root);
    for (const char* title : {"leaf1", "leaf2"}) {
        TestTask* leaf = newTask(QString::fromLatin1(title));
        leaf->setObject(kParentTask, middle);
        leaf->addObject(QStringLiteral("tags"), tag);
    }
    newTask(QStringLiteral("leaf3"))->setObject(kParentTask, root);
    ASSERT_TRUE(context->save().ok());

    events().clear();
    ManagedObjectContext reader(coordinator.get());
    ASSERT_TRUE(reader.loadAllObjects().ok());
    const QStringList order = events();
    auto position = [&order](const char* text) { return order.indexOf(QString::fromLatin1(text)); };
    EXPECT_LT(position("awake leaf1"), position("awake middle"));
    EXPECT_LT(position("awake leaf2"), position("awake middle"));
    EXPECT_LT(position("awake middle"), position("awake root"));
    EXPECT_LT(position("awake leaf3"), position("awake root"));
    EXPECT_LT(position("awake leaf2"), position("awake group tag"));
    auto roots = reader.execute(FetchRequest(QStringLiteral("Task"), [](const ManagedObject* o) {
        return o->value(QStringLiteral("title")).toString() == QLatin1String("root");
    }));
    ASSERT_EQ(roots->size(), 1);
    EXPECT_EQ(roots->first()->value(QStringLiteral("actionCount")).toLongLong(), 3);
    EXPECT_FALSE(roots->first()->isFault());
    auto tags = reader.execute(FetchRequest(QStringLiteral("Tag")));
    EXPECT_EQ(tags->first()->value(QStringLiteral("taskCount")).toLongLong(), 2);
    EXPECT_FALSE(reader.hasChanges());  // primitive transient values are no changes
}

TEST_F(PersistenceTest, FetchesBySubEntityAndFilter) {
    newObject(QStringLiteral("Folder"), QStringLiteral("f"));
    newObject(QStringLiteral("List"), QStringLiteral("l"));
    newObject(QStringLiteral("Tag"), QStringLiteral("t"));
    FetchRequest groups(QStringLiteral("Group"));
    EXPECT_EQ(context->count(groups).value(), 3);
    groups.includesSubentities = false;
    EXPECT_EQ(context->count(groups).value(), 0);
    EXPECT_EQ(context->count(FetchRequest(QStringLiteral("List"))).value(), 1);
    FetchRequest titled(QStringLiteral("Group"), [](const ManagedObject* o) {
        return o->value(QStringLiteral("title")) != QStringLiteral("l");
    });
    titled.fetchLimit = 1;
    EXPECT_EQ(context->execute(titled)->size(), 1);
    EXPECT_FALSE(context->execute(FetchRequest(QStringLiteral("Nothing"))).ok());
}

TEST_F(PersistenceTest, OpeningWaitsForAnotherConnectionsExclusiveLockInsteadOfFailing) {
    coordinator.reset();
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(storePath()).constData(), &holder), SQLITE_OK);
    // Exclusive locking mode shuts out readers of a write-ahead-logged store too, until the holder closes.
    ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    std::unique_ptr<QThread> releaser(QThread::create([holder] {
        QThread::msleep(300);
        sqlite3_close(holder);
    }));
    releaser->start();
    PersistentStoreCoordinator opener(testModel());
    const Status status = opener.openStore(storePath());
    releaser->wait();
    EXPECT_TRUE(status.ok()) << status.error().description.toStdString();
}

TEST_F(PersistenceTest, ForeignCorruptAndOtherVersionFilesGiveClearErrors) {
    newTask(QStringLiteral("task"));
    ASSERT_TRUE(context->save().ok());
    context.reset();
    coordinator.reset();

    struct Case {
        const char* name;
        std::function<QString()> make;
        int code;
    };
    const QString folder = tempPath();
    const std::vector<Case> cases = {
        {"text file",
         [&] {
             const QString path = folder + QStringLiteral("/notes.txt");
             QFile file(path);
             file.open(QIODevice::WriteOnly);
             file.write(QByteArray("This is not a database at all, just some text.\n").repeated(200));
             return path;
         },
         ObjectStoreErrorStoreCannotOpen},
        {"empty file",
         [&] {
             const QString path = folder + QStringLiteral("/empty.sqlite3");
             QFile file(path);
             file.open(QIODevice::WriteOnly);
             return path;
         },
         ObjectStoreErrorNotAStore},
        {"foreign SQLite",
         [&] {
             const QString path = folder + QStringLiteral("/foreign.sqlite3");
             sqlite3* db = nullptr;
             sqlite3_open(QFile::encodeName(path).constData(), &db);
             sqlite3_exec(db, "CREATE TABLE people (name TEXT); INSERT INTO people VALUES ('x');", nullptr,
                          nullptr, nullptr);
             sqlite3_close(db);
             return path;
         },
         ObjectStoreErrorNotAStore},
        {"corrupt store",
         [&] {
             const QString path = folder + QStringLiteral("/corrupt.sqlite3");
             QFile::copy(storePath(), path);
             QFile file(path);
             file.open(QIODevice::ReadWrite);
             QByteArray bytes = file.readAll();
             for (int i = 0; i < 100; ++i) bytes[i] = char(0x5A);  // the header
             file.seek(0);
             file.write(bytes);
             return path;
         },
         ObjectStoreErrorStoreCannotOpen},
        {"other model version",
         [&] {
             QFile modelFile(QStringLiteral(ORDELLO_TEST_DATA_DIR "/objectstore/test_model.json"));
             modelFile.open(QIODevice::ReadOnly);
             QByteArray json = modelFile.readAll();
             json.replace("\"Test 1.000\"", "\"Test 2.000\"");
             json.replace("{ \"name\": \"text\", \"type\": \"string\" }",
                          "{ \"name\": \"text\", \"type\": \"binary\" }");
             auto other = ObjectModel::fromJson(json);
             EXPECT_TRUE(other.ok());
             const QString path = folder + QStringLiteral("/other.sqlite3");
             PersistentStoreCoordinator writer(*other);
             EXPECT_TRUE(writer.openStore(path).ok());
             return path;
         },
         ObjectStoreErrorIncompatibleModel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = c.make();
        const QByteArray bytes = fileBytes(path);
        PersistentStoreCoordinator opener(testModel());
        const Status status = opener.openStore(path);
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.error().domain, ObjectStoreErrorDomain);
        EXPECT_EQ(status.error().code, c.code) << status.error().description.toStdString();
        EXPECT_TRUE(status.error().description.contains(path));
        EXPECT_FALSE(opener.hasStore());
        EXPECT_EQ(fileBytes(path), bytes);  // left untouched
    }
    auto metadata = PersistentStoreCoordinator::metadataForStore(folder + QStringLiteral("/other.sqlite3"));
    ASSERT_TRUE(metadata.ok());
    EXPECT_EQ(metadata->modelVersion, QStringLiteral("Test 2.000"));
}

TEST_F(PersistenceTest, MetadataAndKeysSurviveReopening) {
    ASSERT_TRUE(coordinator
                    ->setMetadata({{QStringLiteral("libraryVersion"), 1.0},
                                   {QStringLiteral("name"), QStringLiteral("x")}})
                    .ok());
    TestTask* first = newTask(QStringLiteral("first"));
    const qint64 firstKey = first->primaryKey();
    newTask(QStringLiteral("unsaved"));  // its key is used up even though it is never saved
    context->rollback();
    TestTask* second = newTask(QStringLiteral("second"));
    ASSERT_TRUE(context->save().ok());
    context->deleteObject(second);
    ASSERT_TRUE(context->save().ok());
    const QString uuid = coordinator->storeUUID();
    const qint64 secondKey = second->primaryKey();

    context.reset();
    coordinator = openCoordinator();
    context = std::make_unique<ManagedObjectContext>(coordinator.get());
    EXPECT_EQ(coordinator->storeUUID(), uuid);
    EXPECT_EQ(coordinator->metadata().value(QStringLiteral("name")).toString(), QStringLiteral("x"));
    EXPECT_DOUBLE_EQ(coordinator->metadata().value(QStringLiteral("libraryVersion")).toDouble(), 1.0);
    TestTask* third = newTask(QStringLiteral("third"));
    EXPECT_GT(secondKey, firstKey);
    EXPECT_GT(third->primaryKey(), secondKey);  // a deleted row's key is never used again
}

TEST_F(PersistenceTest, AnOperationsOwnCoordinatorTakesPragmas) {
    newTask(QStringLiteral("task"));
    ASSERT_TRUE(context->save().ok());
    PersistentStoreCoordinator::Options options;
    options.pragmas = {{QStringLiteral("synchronous"), QStringLiteral("FULL")},
                       {QStringLiteral("fullfsync"), QStringLiteral("1")}};
    PersistentStoreCoordinator own(testModel());
    ASSERT_TRUE(own.openStore(storePath(), options).ok());
    ManagedObjectContext operation(&own);
    auto tasks = operation.execute(FetchRequest(QStringLiteral("Task")));
    ASSERT_EQ(tasks->size(), 1);
    tasks->first()->setValue(kTitle, QStringLiteral("from the operation"));
    ASSERT_TRUE(operation.save().ok());
    ManagedObjectContext reader(coordinator.get());
    EXPECT_EQ(reader.execute(FetchRequest(QStringLiteral("Task")))->first()->value(kTitle).toString(),
              QStringLiteral("from the operation"));
}

TEST_F(PersistenceTest, TheLockIsSharedWithOtherThreads) {
    coordinator->lock();
    std::atomic<int> tried{-1};
    QThread* thread = QThread::create([&] { tried = coordinator->tryLock() ? 1 : 0; });
    thread->start();
    thread->wait();
    delete thread;
    EXPECT_EQ(tried.load(), 0);
    EXPECT_TRUE(coordinator->tryLock());  // recursive on the owning thread
    coordinator->unlock();
    coordinator->unlock();

    // A context on a worker thread saves through the same coordinator.
    TestTask* task = newTask(QStringLiteral("main"));
    ASSERT_TRUE(context->save().ok());
    const QString uri = task->objectID().uriString();
    bool saved = false;
    thread = QThread::create([&] {
        ManagedObjectContext worker(coordinator.get());
        auto id = worker.objectIDForURIString(uri);
        ManagedObject* copy = id.ok() ? worker.objectWithID(*id) : nullptr;
        if (!copy) return;
        copy->setValue(QStringLiteral("priority"), 4);
        saved = worker.save().ok();
    });
    thread->start();
    thread->wait();
    delete thread;
    EXPECT_TRUE(saved);
}

}  // namespace
}  // namespace objectstoretest

namespace objectstoretest {
namespace {

// Sibling sub-entities may use one property name for different things; each keeps its own column.
TEST(StoreLayout, SiblingPropertiesOfOneNameKeepTheirOwnColumns) {
    const char* json = R"({"version": "Shapes 1", "entities": [
      {"name": "Shape", "attributes": [{"name": "name", "type": "string"}]},
      {"name": "Circle", "parent": "Shape", "attributes": [{"name": "size", "type": "double"}]},
      {"name": "Label", "parent": "Shape", "attributes": [{"name": "size", "type": "string"}]}]})";
    auto model = ObjectModel::fromJson(QByteArray(json));
    ASSERT_TRUE(model.ok());
    QTemporaryDir folder;
    const QString path = folder.path() + QStringLiteral("/shapes.sqlite3");
    {
        PersistentStoreCoordinator coordinator(*model);
        ASSERT_TRUE(coordinator.openStore(path).ok());
        ManagedObjectContext context(&coordinator);
        context.insertObject(QStringLiteral("Circle"))->setValue(QStringLiteral("size"), 2.5);
        context.insertObject(QStringLiteral("Label"))
            ->setValue(QStringLiteral("size"), QStringLiteral("large"));
        ASSERT_TRUE(context.save().ok());
    }
    PersistentStoreCoordinator coordinator(*model);
    ASSERT_TRUE(coordinator.openStore(path).ok());
    ManagedObjectContext context(&coordinator);
    auto circles = context.execute(FetchRequest(QStringLiteral("Circle")));
    auto labels = context.execute(FetchRequest(QStringLiteral("Label")));
    ASSERT_EQ(circles->size(), 1);
    ASSERT_EQ(labels->size(), 1);
    EXPECT_EQ(circles->first()->value(QStringLiteral("size")), QVariant(2.5));
    EXPECT_EQ(labels->first()->value(QStringLiteral("size")), QVariant(QStringLiteral("large")));
    EXPECT_EQ(context.count(FetchRequest(QStringLiteral("Shape"))).value(), 2);
}

}  // namespace
}  // namespace objectstoretest
