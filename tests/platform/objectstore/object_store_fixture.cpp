#include "tests/platform/objectstore/object_store_fixture.h"

#include "platform/objectstore/managed_object_class.h"
#include "platform/objectstore/object_store_error.h"
#include "platform/transformers/value_transformer.h"

#include <QJsonDocument>

#include <algorithm>

namespace objectstoretest {

using namespace platform;

QStringList& events() {
    static QStringList list;
    return list;
}

namespace {

class JsonTransformer : public ValueTransformer {
public:
    QVariant transformedValue(const QVariant& value) const override {
        if (value.metaType().id() != QMetaType::QVariantMap) return {};
        return QJsonDocument::fromVariant(value).toJson(QJsonDocument::Compact);
    }
    bool allowsReverseTransformation() const override { return true; }
    QVariant reverseTransformedValue(const QVariant& value) const override {
        return QJsonDocument::fromJson(value.toByteArray()).toVariant();
    }
};

int nextUid = 1;

}  // namespace

QVariant TestTask::computedValue(const QString& key) const {
    if (key == QLatin1String("isCompleted"))
        return value(QStringLiteral("status")).toString() == QLatin1String("C");
    return ManagedObject::computedValue(key);
}

void TestTask::awakeFromInsert() {
    setPrimitiveValue(QStringLiteral("uid"), QStringLiteral("T%1").arg(nextUid++));
}

void TestTask::awakeFromFetch() {
    // Bottom-up: the subtasks' counts are ready.
    qint64 count = 0;
    for (ManagedObject* subtask : objects(QStringLiteral("subtasks")))
        count += subtask->value(QStringLiteral("actionCount")).toLongLong();
    setPrimitiveValue(QStringLiteral("actionCount"),
                      objects(QStringLiteral("subtasks")).isEmpty() ? 1 : count);
    events() << QStringLiteral("awake ") + title();
}

void TestTask::willDelete() {
    events() << QStringLiteral("willDelete ") + title();
}

void TestTask::didChangeValue(const QString& key) {
    events() << QStringLiteral("didChange %1.%2").arg(title(), key);
}

void TestTask::didChangeSet(const QString& key, SetMutation mutation, const QList<ManagedObject*>& objects) {
    events() << QStringLiteral("didChange %1.%2 %3 %4")
                    .arg(title(), key,
                         mutation == SetMutation::Union ? QStringLiteral("union") : QStringLiteral("minus"))
                    .arg(objects.size());
}

Status TestTask::validateValue(const QString& key, QVariant& value) const {
    if (key == QLatin1String("priority")) {
        if (value.toLongLong() > 9)
            return makeObjectStoreError(ObjectStoreErrorValidation,
                                        QStringLiteral("A priority is at most 9."));
        if (value.toLongLong() < 0) value = qint64(0);
    }
    return {};
}

void TestGroup::awakeFromFetch() {
    // Tags count their tasks, which have awoken before them.
    qint64 count = 0;
    for (ManagedObject* task : objects(QStringLiteral("tasks")))
        count += task->value(QStringLiteral("actionCount")).toLongLong();
    setPrimitiveValue(QStringLiteral("taskCount"), count);
    events() << QStringLiteral("awake group ") + value(QStringLiteral("title")).toString();
}

void registerTestClasses() {
    setValueTransformer(QStringLiteral("TestJSONTransformer"), std::make_shared<JsonTransformer>());
    registerManagedObjectClass<TestTask>(QStringLiteral("TestTask"),
                                         {{QStringLiteral("isCompleted"), {QStringLiteral("status")}}});
    for (const char* name : {"TestGroup", "TestFolder", "TestList", "TestTag"})
        registerManagedObjectClass<TestGroup>(QString::fromLatin1(name));
}

std::shared_ptr<const ObjectModel> testModel() {
    static std::shared_ptr<const ObjectModel> model = [] {
        auto result =
            ObjectModel::fromFile(QStringLiteral(ORDELLO_TEST_DATA_DIR "/objectstore/test_model.json"));
        EXPECT_TRUE(result.ok()) << (result.ok() ? QString() : result.error().description).toStdString();
        return result.ok() ? *result : nullptr;
    }();
    return model;
}

std::string graphSnapshot(ManagedObjectContext& context) {
    QStringList graph;
    for (const EntityDescription* root : context.model().tables()) {
        auto objects = context.execute(FetchRequest(root->name()));
        EXPECT_TRUE(objects.ok());
        if (!objects.ok()) continue;
        for (ManagedObject* object : *objects) {
            for (const PropertyDescription* property : object->entity()->properties()) {
                if (property->isTransient()) continue;
                QVariant value = object->value(property->name());
                if (const RelationshipDescription* r = property->asRelationship()) {
                    if (r->isToMany()) {
                        QStringList uris;
                        for (ManagedObject* member : managedObjectsFromVariantList(value))
                            uris << member->objectID().uriString();
                        std::sort(uris.begin(), uris.end());
                        value = uris;
                    } else {
                        ManagedObject* target = managedObjectFromVariant(value);
                        value = target ? target->objectID().uriString() : QString();
                    }
                }
                const QString text =
                    value.metaType().id() == QMetaType::QStringList
                        ? value.toStringList().join(QLatin1Char(','))
                    : value.metaType().id() == QMetaType::QByteArray
                        ? QString::fromLatin1(value.toByteArray().toHex())
                    : value.metaType().id() == QMetaType::QDateTime
                        ? value.toDateTime().toUTC().toString(Qt::ISODateWithMs)
                    : value.metaType().id() == QMetaType::QVariantMap
                        ? QString::fromUtf8(QJsonDocument::fromVariant(value).toJson(QJsonDocument::Compact))
                        : value.toString();
                graph << QStringLiteral("%1 %2=%3 (%4)")
                             .arg(object->objectID().uriString(), property->name(), text,
                                  QString::fromLatin1(value.typeName()));
            }
        }
    }
    graph.sort();
    return graph.join(QLatin1Char('\n')).toStdString();
}

void ObjectStoreTest::SetUp() {
    TempFoldersTest::SetUp();
    registerTestClasses();
    events().clear();
    coordinator = openCoordinator();
    ASSERT_TRUE(coordinator);
    context = std::make_unique<ManagedObjectContext>(coordinator.get());
}

void ObjectStoreTest::TearDown() {
    context.reset();
    coordinator.reset();
    TempFoldersTest::TearDown();
}

std::unique_ptr<PersistentStoreCoordinator> ObjectStoreTest::openCoordinator() {
    auto result = std::make_unique<PersistentStoreCoordinator>(testModel());
    const Status status = result->openStore(storePath());
    EXPECT_TRUE(status.ok()) << (status.ok() ? QString() : status.error().description).toStdString();
    return status.ok() ? std::move(result) : nullptr;
}

TestTask* ObjectStoreTest::newTask(const QString& title) {
    auto* task = context->insertObject<TestTask>(QStringLiteral("Task"));
    task->setTitle(title);
    return task;
}

ManagedObject* ObjectStoreTest::newObject(const QString& entity, const QString& title) {
    ManagedObject* object = context->insertObject(entity);
    if (!title.isEmpty()) object->setValue(QStringLiteral("title"), title);
    return object;
}

}  // namespace objectstoretest
