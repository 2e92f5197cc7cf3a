#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/entity_migration_policy.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/migration_manager.h"
#include "platform/objectstore/object_store_error.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "tests/support/test_environment.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

using namespace platform;

// Version 1: items with a name and notes in a plain string. Version 2: "name" is "title" and notes are
// objects of their own.
const char* kVersion1 = R"({"version": "Boxes 1", "entities": [
  {"name": "Box", "attributes": [{"name": "label", "type": "string"}],
   "relationships": [{"name": "items", "destination": "Item", "inverse": "box", "toMany": true, "deleteRule": "cascade"}]},
  {"name": "Item", "attributes": [{"name": "name", "type": "string"}, {"name": "count", "type": "int64"},
                                  {"name": "legacyNotes", "type": "string"}],
   "relationships": [{"name": "box", "destination": "Box", "inverse": "items"}]}]})";
const char* kVersion2 = R"({"version": "Boxes 2", "entities": [
  {"name": "Box", "attributes": [{"name": "label", "type": "string"}],
   "relationships": [{"name": "items", "destination": "Item", "inverse": "box", "toMany": true, "deleteRule": "cascade"}]},
  {"name": "Item", "attributes": [{"name": "title", "type": "string", "optional": false}, {"name": "count", "type": "int64"}],
   "relationships": [{"name": "box", "destination": "Box", "inverse": "items"},
                     {"name": "note", "destination": "Note", "inverse": "item", "deleteRule": "cascade"}]},
  {"name": "Note", "attributes": [{"name": "text", "type": "string"}],
   "relationships": [{"name": "item", "destination": "Item", "inverse": "note"}]}]})";

// Moves the old notes string into a Note object once the item exists; can be told to fail.
class ItemPolicy : public EntityMigrationPolicy {
public:
    bool failAtEndOfRelationships = false;
    QStringList hooks;

    Status createDestinationInstances(ManagedObject* source, const EntityMapping& mapping,
                                      MigrationManager& manager) override {
        hooks << QStringLiteral("create");
        if (Status s = EntityMigrationPolicy::createDestinationInstances(source, mapping, manager); !s)
            return s;
        const QString notes = source->value(QStringLiteral("legacyNotes")).toString();
        if (notes.isEmpty()) return {};
        ManagedObject* note = manager.destinationContext()->insertObject(QStringLiteral("Note"));
        note->setValue(QStringLiteral("text"), notes);
        manager.destinationInstances(source).first()->setObject(QStringLiteral("note"), note);
        return {};
    }
    Status createRelationships(ManagedObject* destination, const EntityMapping& mapping,
                               MigrationManager& manager) override {
        hooks << QStringLiteral("relate");
        return EntityMigrationPolicy::createRelationships(destination, mapping, manager);
    }
    Status endRelationshipCreation(const EntityMapping&, MigrationManager&) override {
        hooks << QStringLiteral("endRelationships");
        if (failAtEndOfRelationships)
            return makeObjectStoreError(ObjectStoreErrorMigrationFailed, QStringLiteral("Told to fail."));
        return {};
    }
    Status endEntityMapping(const EntityMapping&, MigrationManager&) override {
        hooks << QStringLiteral("end");
        return {};
    }
};

class MigrationTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        version1 = *ObjectModel::fromJson(QByteArray(kVersion1));
        version2 = *ObjectModel::fromJson(QByteArray(kVersion2));
        source = tempPath() + QStringLiteral("/library.sqlite3");
        target = tempPath() + QStringLiteral("/migrated.sqlite3");
        PersistentStoreCoordinator coordinator(version1);
        ASSERT_TRUE(coordinator.openStore(source).ok());
        ASSERT_TRUE(coordinator.setMetadata({{QStringLiteral("libraryVersion"), 0.9}}).ok());
        ManagedObjectContext context(&coordinator);
        for (int b = 0; b < 2; ++b) {
            ManagedObject* box = context.insertObject(QStringLiteral("Box"));
            box->setValue(QStringLiteral("label"), QStringLiteral("box %1").arg(b));
            for (int i = 0; i < 3; ++i) {
                ManagedObject* item = context.insertObject(QStringLiteral("Item"));
                item->setValue(QStringLiteral("name"), QStringLiteral("item %1.%2").arg(b).arg(i));
                item->setValue(QStringLiteral("count"), i);
                if (i == 1)
                    item->setValue(QStringLiteral("legacyNotes"), QStringLiteral("notes of %1").arg(b));
                item->setObject(QStringLiteral("box"), box);
            }
        }
        ASSERT_TRUE(context.save().ok());
    }
    MappingModel mapping(const std::shared_ptr<ItemPolicy>& policy) {
        MappingModel m = MappingModel::inferred(*version1, *version2);
        EntityMapping* items = m.entityMapping(QStringLiteral("ItemToItem"));
        items->attributeSources.insert(QStringLiteral("title"), QStringLiteral("name"));
        items->relationshipSources.insert(QStringLiteral("note"), QString());
        items->policy = policy;
        return m;
    }
    static QByteArray bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    std::shared_ptr<const ObjectModel> version1, version2;
    QString source, target;
};

TEST_F(MigrationTest, AStepMapsEveryObjectIntoANewStoreAndLeavesTheOriginal) {
    const QByteArray original = bytes(source);
    auto policy = std::make_shared<ItemPolicy>();
    MigrationManager manager(version1, version2, mapping(policy));
    QList<double> progress;
    ASSERT_TRUE(manager.migrateStore(source, target, [&progress](double p) { progress.append(p); }).ok());
    EXPECT_EQ(bytes(source), original);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.first(), 0.0);
    EXPECT_EQ(progress.last(), 1.0);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(policy->hooks.count(QStringLiteral("create")), 6);
    EXPECT_EQ(policy->hooks.count(QStringLiteral("relate")), 6);
    EXPECT_EQ(policy->hooks.last(), QStringLiteral("end"));

    auto metadata = PersistentStoreCoordinator::metadataForStore(target);
    ASSERT_TRUE(metadata.ok());
    EXPECT_EQ(metadata->modelVersion, QStringLiteral("Boxes 2"));
    EXPECT_DOUBLE_EQ(metadata->metadata.value(QStringLiteral("libraryVersion")).toDouble(), 0.9);
    PersistentStoreCoordinator old(version2);
    EXPECT_EQ(old.openStore(source).error().code, ObjectStoreErrorIncompatibleModel);

    PersistentStoreCoordinator coordinator(version2);
    ASSERT_TRUE(coordinator.openStore(target).ok());
    ManagedObjectContext context(&coordinator);
    ASSERT_TRUE(context.loadAllObjects().ok());
    auto boxes = context.execute(FetchRequest(QStringLiteral("Box")));
    ASSERT_EQ(boxes->size(), 2);
    for (ManagedObject* box : *boxes) {
        const QString label = box->value(QStringLiteral("label")).toString();
        const QList<ManagedObject*> items = box->objectList(QStringLiteral("items"));
        ASSERT_EQ(items.size(), 3);
        for (ManagedObject* item : items) {
            EXPECT_TRUE(item->value(QStringLiteral("title"))
                            .toString()
                            .startsWith(QStringLiteral("item ") + label.right(1)));
            ManagedObject* note = item->object(QStringLiteral("note"));
            EXPECT_EQ(note != nullptr, item->value(QStringLiteral("count")).toLongLong() == 1);
            if (note) {
                EXPECT_EQ(note->value(QStringLiteral("text")).toString(),
                          QStringLiteral("notes of ") + label.right(1));
            }
        }
    }
    EXPECT_EQ(context.count(FetchRequest(QStringLiteral("Note"))).value(), 2);
}

TEST_F(MigrationTest, AFailureInMidStepLeavesTheOriginalAndNoNewFile) {
    const QByteArray original = bytes(source);
    auto policy = std::make_shared<ItemPolicy>();
    policy->failAtEndOfRelationships = true;
    MigrationManager manager(version1, version2, mapping(policy));
    const Status status = manager.migrateStore(source, target);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().code, ObjectStoreErrorMigrationFailed);
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("-wal")));
    EXPECT_EQ(bytes(source), original);
    PersistentStoreCoordinator coordinator(version1);
    ASSERT_TRUE(coordinator.openStore(source).ok());
    ManagedObjectContext context(&coordinator);
    EXPECT_EQ(context.count(FetchRequest(QStringLiteral("Item"))).value(), 6);

    // A target that exists already is refused and left alone.
    QFile existing(target);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep");
    existing.close();
    EXPECT_FALSE(MigrationManager(version1, version2, mapping(std::make_shared<ItemPolicy>()))
                     .migrateStore(source, target)
                     .ok());
    EXPECT_EQ(bytes(target), QByteArray("keep"));
}

}  // namespace
