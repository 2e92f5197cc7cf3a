#pragma once

#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/managed_object.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/object_model.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "tests/support/test_environment.h"

#include <QMap>
#include <QStringList>

#include <memory>
#include <string>

namespace objectstoretest {

using platform::ManagedObject;

// What the test classes' hooks saw, in order.
QStringList& events();

class TestTask : public ManagedObject {
public:
    using ManagedObject::ManagedObject;
    QString title() const { return value(QStringLiteral("title")).toString(); }
    void setTitle(const QString& title) { setValue(QStringLiteral("title"), title); }
    TestTask* parentTask() const { return dynamic_cast<TestTask*>(object(QStringLiteral("parentTask"))); }
    int willSaveCount = 0;

protected:
    QVariant computedValue(const QString& key) const override;
    void awakeFromInsert() override;
    void awakeFromFetch() override;
    void willSave() override { ++willSaveCount; }
    void willDelete() override;
    void didChangeValue(const QString& key) override;
    void didChangeSet(const QString& key, SetMutation mutation,
                      const QList<ManagedObject*>& objects) override;
    Status validateValue(const QString& key, QVariant& value) const override;
};

class TestGroup : public ManagedObject {
public:
    using ManagedObject::ManagedObject;

protected:
    void awakeFromFetch() override;
};

// Registers the test classes and the transformer the test model names.
void registerTestClasses();
std::shared_ptr<const platform::ObjectModel> testModel();

// Every live object of the context as sorted lines "URI key=value", relationships as URIs (to-many
// sorted), so two graphs compare equal exactly when they hold the same objects, values and links.
std::string graphSnapshot(platform::ManagedObjectContext& context);

class ObjectStoreTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override;
    void TearDown() override;
    QString storePath() const { return tempPath() + QStringLiteral("/store.sqlite3"); }
    // A coordinator with the store at storePath() open (created when missing).
    std::unique_ptr<platform::PersistentStoreCoordinator> openCoordinator();
    std::unique_ptr<platform::PersistentStoreCoordinator> coordinator;
    std::unique_ptr<platform::ManagedObjectContext> context;

    TestTask* newTask(const QString& title);
    ManagedObject* newObject(const QString& entity, const QString& title = {});
};

}  // namespace objectstoretest
