#include "platform/objectstore/object_model.h"
#include "platform/objectstore/object_store_error.h"
#include "tests/platform/objectstore/object_store_fixture.h"

#include <gtest/gtest.h>

namespace objectstoretest {
namespace {

using namespace platform;

TEST(ObjectModel, ReadsEntitiesPropertiesAndStorage) {
    auto model = testModel();
    ASSERT_TRUE(model);
    EXPECT_EQ(model->versionIdentifier(), QStringLiteral("Test 1.000"));
    const EntityDescription* group = model->entity(QStringLiteral("Group"));
    const EntityDescription* tag = model->entity(QStringLiteral("Tag"));
    const EntityDescription* task = model->entity(QStringLiteral("Task"));
    ASSERT_TRUE(group && tag && task);
    EXPECT_EQ(tag->superEntity(), group);
    EXPECT_EQ(tag->rootEntity(), group);
    EXPECT_EQ(tag->tableIndex(), group->tableIndex());
    EXPECT_EQ(tag->className(), QStringLiteral("TestTag"));
    EXPECT_EQ(group->subEntities().size(), 3);
    // Inherited properties keep their slots.
    EXPECT_EQ(tag->property(QStringLiteral("title")), group->property(QStringLiteral("title")));
    EXPECT_EQ(group->userInfoValue(QStringLiteral("com.vantorel.Ordello.ExcludeFromSync")),
              QStringLiteral("NO"));
    EXPECT_EQ(task->attribute(QStringLiteral("uid"))
                  ->userInfoValue(QStringLiteral("com.vantorel.Ordello.ExcludeFromPlist")),
              QStringLiteral("YES"));
    EXPECT_FALSE(task->attribute(QStringLiteral("uid"))->isOptional());
    EXPECT_TRUE(task->attribute(QStringLiteral("actionCount"))->isTransient());
    EXPECT_EQ(task->attribute(QStringLiteral("title"))->defaultValue(), QVariant(QString()));
    EXPECT_EQ(task->attribute(QStringLiteral("localInfoDictionary"))->valueTransformerName(),
              QStringLiteral("TestJSONTransformer"));

    using Storage = RelationshipDescription::Storage;
    const RelationshipDescription* tags = task->relationship(QStringLiteral("tags"));
    EXPECT_EQ(tags->storage(), Storage::JoinTable);
    EXPECT_EQ(tags->inverseRelationship(), tag->relationship(QStringLiteral("tasks")));
    EXPECT_EQ(task->relationship(QStringLiteral("parentTask"))->storage(), Storage::ForeignKey);
    EXPECT_EQ(task->relationship(QStringLiteral("subtasks"))->storage(), Storage::InverseForeignKey);
    EXPECT_EQ(task->relationship(QStringLiteral("subtasks"))->deleteRule(), DeleteRule::Cascade);
    EXPECT_TRUE(task->relationship(QStringLiteral("subtasks"))->containsDestination());
    EXPECT_FALSE(tags->containsDestination());
    EXPECT_TRUE(tag->relationship(QStringLiteral("tasks"))->containsDestination());
    const bool notesOnTask = task->relationship(QStringLiteral("notes"))->storage() == Storage::ForeignKey;
    const bool taskOnNotes =
        model->entity(QStringLiteral("TaskNotes"))->relationship(QStringLiteral("task"))->storage() ==
        Storage::ForeignKey;
    EXPECT_NE(notesOnTask, taskOnNotes);  // a one-to-one has its column on exactly one side
}

TEST(ObjectModel, RefusesMalformedModels) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"not JSON", "{"},
        {"no version", R"({"entities": [{"name": "A"}]})"},
        {"unknown type",
         R"({"version": "1", "entities": [{"name": "A", "attributes": [{"name": "x", "type": "float"}]}]})"},
        {"repeated property",
         R"({"version": "1", "entities": [{"name": "A", "attributes": [{"name": "x", "type": "string"}, {"name": "x", "type": "bool"}]}]})"},
        {"parent after child",
         R"({"version": "1", "entities": [{"name": "B", "parent": "A"}, {"name": "A"}]})"},
        {"missing inverse",
         R"({"version": "1", "entities": [{"name": "A", "relationships": [{"name": "b", "destination": "A", "inverse": "nope"}]}]})"},
        {"transformer missing",
         R"({"version": "1", "entities": [{"name": "A", "attributes": [{"name": "x", "type": "transformable"}]}]})"},
        {"bad delete rule",
         R"({"version": "1", "entities": [{"name": "A", "relationships": [{"name": "a", "destination": "A", "inverse": "a", "deleteRule": "explode"}]}]})"},
    };
    for (const auto& [name, json] : cases) {
        SCOPED_TRACE(name);
        auto model = ObjectModel::fromJson(QByteArray(json));
        ASSERT_FALSE(model.ok());
        EXPECT_EQ(model.error().code, ObjectStoreErrorModelInvalid);
    }
}

TEST(ObjectModel, VersionHashFollowsTheStoredShapeOnly) {
    const char* base =
        R"({"version": "%1", "entities": [{"name": "A", "userInfo": {"k": "%2"}, "attributes": [{"name": "x", "type": "%3"}, {"name": "t", "type": "int64", "transient": true}]}]})";
    auto make = [base](const char* version, const char* info, const char* type) {
        return ObjectModel::fromJson(
            QString::fromLatin1(base)
                .arg(QLatin1String(version), QLatin1String(info), QLatin1String(type))
                .toUtf8());
    };
    auto a = make("1", "a", "string"), b = make("2", "b", "string"), c = make("1", "a", "int64");
    ASSERT_TRUE(a.ok() && b.ok() && c.ok());
    EXPECT_EQ((*a)->versionHash(), (*b)->versionHash());
    EXPECT_NE((*a)->versionHash(), (*c)->versionHash());
}

}  // namespace
}  // namespace objectstoretest
