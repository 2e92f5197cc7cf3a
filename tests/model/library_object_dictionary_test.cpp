#include "tests/model/library_fixture.h"

#include "foundation/data_additions.h"
#include "model/json_friendly.h"
#include "platform/objectstore/managed_object_class.h"
#include "platform/objectstore/object_model.h"
#include "platform/plist/keyed_archive_value_transformer.h"
#include "platform/plist/property_list.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <cmath>
#include <functional>
#include <limits>

namespace {

using modeltest::LibraryTest;
using platform::ManagedObject;

QString key(const char* text) {
    return QString::fromLatin1(text);
}

std::string describe(const QVariant& value) {
    return QJsonDocument::fromVariant(TDMakeJSONFriendly(value)).toJson(QJsonDocument::Compact).toStdString();
}

// What the sync service would hand back: the record as JSON text, parsed again.
QVariantMap throughJSON(const QVariantMap& record) {
    const QByteArray text = QJsonDocument(QJsonObject::fromVariantMap(record)).toJson();
    return QJsonDocument::fromJson(text).object().toVariantMap();
}

// What a backup would hand back: the form written as a property list and read again (binary, since
// XML property lists keep dates to the second).
QVariantMap throughPropertyList(const QVariantMap& form) {
    const Result<QByteArray> written =
        platform::writePropertyList(form, platform::PropertyListFormat::Binary);
    EXPECT_TRUE(written.ok()) << written.error().detailedDescription().toStdString();
    if (!written) return {};
    const Result<QVariant> read = platform::readPropertyList(*written);
    EXPECT_TRUE(read.ok());
    return read ? read->toMap() : QVariantMap();
}

using Writer = std::function<QVariantMap(TDLibraryObject*)>;
using Reader = std::function<Status(TDLibraryObject*, const QVariantMap&)>;

const Writer kPropertyListWriter = [](TDLibraryObject* o) {
    return throughPropertyList(o->propertyListRepresentation());
};
const Reader kPropertyListReader = [](TDLibraryObject* o, const QVariantMap& d) {
    return o->updateFromPropertyListRepresentation(d);
};
const Writer kSyncWriter = [](TDLibraryObject* o) { return throughJSON(o->syncDictionaryRepresentation()); };
const Reader kSyncReader = [](TDLibraryObject* o, const QVariantMap& d) {
    return o->updateFromSyncDictionaryRepresentation(d);
};

class DictionaryFormTest : public LibraryTest {
protected:
    void TearDown() override {
        m_replicas.clear();
        m_replicaCoordinators.clear();
        LibraryTest::TearDown();
    }

    TDLibraryObject* make(const char* entity, const char* title = nullptr) {
        auto* object = static_cast<TDLibraryObject*>(insert(key(entity)));
        if (title) object->setValue(key("title"), key(title));
        return object;
    }

    // Another store of the same model: the library a backup is restored into, or the other side of a
    // sync. Filling objects there stamps nothing, as restore and sync do.
    TDManagedObjectContext* openReplica() {
        auto coordinator = std::make_unique<platform::PersistentStoreCoordinator>(*TDLibraryObjectModel());
        const QString path = tempPath() + QStringLiteral("/replica-%1.sqlite3").arg(m_replicas.size());
        EXPECT_TRUE(coordinator->openStore(path).ok());
        auto replica = std::make_unique<TDManagedObjectContext>(coordinator.get());
        replica->setRestoringLibrary(true);
        m_replicaCoordinators.push_back(std::move(coordinator));
        m_replicas.push_back(std::move(replica));
        return m_replicas.back().get();
    }

    // Copies of the objects in a new replica, each filled from what the writer made of its original.
    // Reading every form twice lets the second pass find the related objects the first one made.
    QList<TDLibraryObject*> replicate(const QList<TDLibraryObject*>& originals, const Writer& write,
                                      const Reader& read) {
        TDManagedObjectContext* replica = openReplica();
        QList<QVariantMap> forms;
        QList<TDLibraryObject*> copies;
        for (TDLibraryObject* original : originals) {
            forms.append(write(original));
            copies.append(static_cast<TDLibraryObject*>(replica->insertObject(original->entity()->name())));
        }
        for (int pass = 0; pass < 2; ++pass)
            for (qsizetype i = 0; i < copies.size(); ++i) {
                const Status status = read(copies[i], forms[i]);
                EXPECT_TRUE(status.ok()) << status.error().detailedDescription().toStdString();
            }
        const Status saved = replica->save();
        EXPECT_TRUE(saved.ok()) << saved.error().detailedDescription().toStdString();
        return copies;
    }

    // One object of every entity with most of its properties set, related to each other.
    QList<TDLibraryObject*> sampleLibrary() {
        TDLibraryObject* folder = make("Folder", "Work");
        TDLibraryObject* list = make("List", "Errands");
        list->setValue(key("displayOrder"), 2.5);
        list->setObject(key("parentGroup"), folder);
        TDLibraryObject* home = make("Tag", "home");
        TDLibraryObject* calls = make("Tag", "calls");
        TDLibraryObject* smartFolder = make("SmartFolder", "Soon");
        smartFolder->setValue(key("special"), true);
        TDLibraryObject* rule = make("SmartFolderRule");
        smartFolder->setObject(key("smartFolderRule"), rule);

        TDLibraryObject* task = make("Task", "Call the plumber");
        const QDateTime due(QDate(2026, 12, 24), QTime(17, 30, 15, 250));
        task->setValue(key("status"), key("completed"));
        task->setValue(key("completedDate"), due.addDays(-1));
        task->setValue(key("startDate"), due.addDays(-3));
        task->setValue(key("dueDate"), due);
        task->setValue(key("priority"), qint64(3));
        task->setValue(key("estimatedTime"), 5400.0);
        task->setValue(key("actualTime"), 60.5);
        task->setValue(key("displayOrder"), 1.0);
        task->setValue(key("archived"), true);
        task->setValue(key("calendarStoreUID"), key("cal-7"));
        task->setObject(key("parentList"), list);
        task->addObjects(key("tags"), {home, calls});
        TDLibraryObject* notes = make("TaskNotes");
        notes->setValue(key("string"), QStringLiteral("Ask about the valve — twice"));
        notes->setValue(key("webArchiveData"), QByteArray("<p>\x00\xff\xfe</p>", 10));
        task->setObject(key("notes"), notes);
        task->setValue(key("notesUID"), notes->uid());
        TDLibraryObject* recurrence = make("Recurrence");
        task->setObject(key("recurrence"), recurrence);
        TDLibraryObject* subtask = make("Task", "Find the number");
        subtask->setObject(key("parentTask"), task);

        library->setValue(key("rootGroupUID"), folder->uid());
        journal->setUsername(key("me@example.org"));
        journal->setLastSyncDate(due);
        journal->setLastSyncToken(QVariantMap{{key("serial"), qint64(42)}, {key("library"), key("L1")}});
        saveAll();

        // The recurrence comes before its task: the task's form nests the recurrence's, and the task
        // takes the recurrence restored already rather than making a twin.
        QList<TDLibraryObject*> all{library, folder,     list, home,  calls,   smartFolder,
                                    rule,    recurrence, task, notes, subtask, journal};
        EXPECT_FALSE(journal->items().isEmpty());
        for (TDSyncSetItem* item : journal->items()) all.append(item);
        return all;
    }

    // Equal forms, but for the properties a sync record leaves out when asked to.
    void expectEqualForms(const QList<TDLibraryObject*>& originals, const QList<TDLibraryObject*>& copies,
                          bool synced = false) {
        ASSERT_EQ(originals.size(), copies.size());
        for (qsizetype i = 0; i < originals.size(); ++i) {
            QVariantMap original = originals[i]->propertyListRepresentation();
            const QVariantMap copy = copies[i]->propertyListRepresentation();
            if (synced)
                for (const platform::PropertyDescription* property : originals[i]->entity()->properties())
                    if (property->userInfoValue(TDExcludeFromSyncKey) == QLatin1String("YES"))
                        original.remove(property->name());
            EXPECT_TRUE(original == copy) << originals[i]->entity()->name().toStdString() << "\n  original "
                                          << describe(original) << "\n  copy     " << describe(copy);
        }
    }

private:
    std::vector<std::unique_ptr<platform::PersistentStoreCoordinator>> m_replicaCoordinators;
    std::vector<std::unique_ptr<TDManagedObjectContext>> m_replicas;
};

TEST_F(DictionaryFormTest, EveryObjectReadsBackEqualFromItsPropertyListAndItsSyncRecord) {
    const QList<TDLibraryObject*> originals = sampleLibrary();
    clock->advanceSeconds(3600);
    expectEqualForms(originals, replicate(originals, kPropertyListWriter, kPropertyListReader));

    const QList<TDLibraryObject*> synced = replicate(originals, kSyncWriter, kSyncReader);
    expectEqualForms(originals, synced, true);
    // Dates and data come back from numbers and base64 text; a transformable value from its archive.
    auto* task = originals[8];
    auto* syncedTask = synced[8];
    for (const char* name : {"createdDate", "modifiedDate", "dueDate", "completedDate"})
        EXPECT_EQ(syncedTask->value(key(name)).toDateTime(), task->value(key(name)).toDateTime()) << name;
    EXPECT_EQ(synced[9]->value(key("webArchiveData")), originals[9]->value(key("webArchiveData")));
    EXPECT_EQ(synced[11]->value(key("lastSyncToken")), journal->lastSyncToken());
    // Kept out of sync records, so the other side keeps its own.
    EXPECT_FALSE(syncedTask->value(key("calendarStoreUID")).isValid());
}

TEST_F(DictionaryFormTest, WrittenFormsLeaveOutDefaultsEmptiesAndExcludedProperties) {
    TDLibraryObject* list = make("List", "Inbox");
    TDLibraryObject* task = make("Task", "Plain");
    task->setObject(key("parentList"), list);
    task->setObject(key("topList"), list);
    TDLibraryObject* first = make("Tag", "b");
    TDLibraryObject* second = make("Tag", "a");
    first->setValue(key("uid"), key("00000000000000B0"));
    second->setValue(key("uid"), key("00000000000000A0"));
    TDLibraryObject* tagged = make("Task", "Tagged");
    tagged->addObjects(key("tags"), {first, second});

    const QVariantMap plain = task->propertyListRepresentation();
    for (const char* absent : {"priority", "archived", "displayOrder", "estimatedTime", "dueDate", "tags",
                               "subtasks", "parentTask", "localInfoDictionary", "topList", "smartFolders"})
        EXPECT_FALSE(plain.contains(key(absent))) << absent;
    EXPECT_EQ(plain.value(key("parentList")), QVariant(list->uid()));
    EXPECT_EQ(plain.value(key("uid")), QVariant(task->uid()));
    EXPECT_EQ(tagged->propertyListRepresentation().value(key("tags")),
              QVariant(QVariantList{key("00000000000000A0"), key("00000000000000B0")}));

    // Adding the tags wrote their tokens into the title.
    const QVariantMap copy = tagged->propertyListRepresentationForCopying();
    EXPECT_EQ(copy, (QVariantMap{{key("title"), key("Tagged /a /b")}}));

    const QVariantMap contents = tagged->syncDictionaryRepresentation().value(key("contents")).toMap();
    EXPECT_EQ(contents.value(key("createdDate")), QVariant(TDTimeIntervalSinceReferenceDate(clock->now())));
    EXPECT_EQ(contents.value(key("subtasks")), QVariant(QVariantList()));
    EXPECT_TRUE(contents.contains(key("parentList")));
    EXPECT_TRUE(contents.value(key("parentList")).metaType().id() == QMetaType::Nullptr);
    for (const char* absent : {"calendarStoreUID", "topList", "smartFolders", "localInfoDictionary"})
        EXPECT_FALSE(contents.contains(key(absent))) << absent;
}

TEST_F(DictionaryFormTest, ReadingFollowsTheFormKeyByKey) {
    TDLibraryObject* list = make("List", "Inbox");
    TDLibraryObject* tag = make("Tag", "home");
    TDLibraryObject* task = make("Task", "Before");
    task->setValue(key("priority"), qint64(5));
    task->setValue(key("dueDate"), clock->now().addDays(2));
    task->setObject(key("parentList"), list);
    task->addObject(key("tags"), tag);
    const QString uid = task->uid();

    // No "uid", no relationships, an empty to-one: the UID and every relationship stay; missing
    // attributes go back to their defaults, or to nothing where there is none.
    // (The title keeps the tag's token: a task's tags follow its title.)
    ASSERT_TRUE(task->updateFromPropertyListRepresentation(
                        {{key("title"), key("After /home")}, {key("parentTask"), QString()}})
                    .ok());
    EXPECT_EQ(task->uid(), uid);
    EXPECT_EQ(task->value(key("title")), QVariant(key("After /home")));
    EXPECT_EQ(task->value(key("priority")), QVariant(qint64(0)));
    EXPECT_FALSE(task->value(key("dueDate")).isValid());
    EXPECT_EQ(task->object(key("parentList")), list);
    EXPECT_EQ(task->objectList(key("tags")), QList<ManagedObject*>{tag});

    // A "uid" is taken before anything else; an empty to-many list empties the relationship.
    ASSERT_TRUE(task->updateFromPropertyListRepresentation(
                        {{key("uid"), key("00000000000000C0")}, {key("tags"), QVariantList()}})
                    .ok());
    EXPECT_EQ(task->uid(), key("00000000000000C0"));
    EXPECT_TRUE(task->objectList(key("tags")).isEmpty());

    // An identifier that names nothing leaves a to-one relationship empty.
    ASSERT_TRUE(
        task->updateFromPropertyListRepresentation({{key("parentList"), key("FFFFFFFFFFFFFFF0")}}).ok());
    EXPECT_EQ(task->object(key("parentList")), nullptr);
}

TEST_F(DictionaryFormTest, EmptiedRelationshipsReachTheOtherSide) {
    TDLibraryObject* parent = make("Task", "Parent");
    TDLibraryObject* task = make("Task", "Child");
    TDLibraryObject* tag = make("Tag", "home");
    task->setObject(key("parentTask"), parent);
    task->addObject(key("tags"), tag);
    saveAll();
    const QList<TDLibraryObject*> replica = replicate({parent, task, tag}, kSyncWriter, kSyncReader);
    TDLibraryObject* remoteTask = replica[1];
    ASSERT_EQ(remoteTask->object(key("parentTask")), replica[0]);
    ASSERT_EQ(remoteTask->objectList(key("tags")), QList<ManagedObject*>{replica[2]});

    // A record that does not mention a relationship leaves it alone.
    QVariantMap record = throughJSON(task->syncDictionaryRepresentation());
    QVariantMap contents = record.value(key("contents")).toMap();
    contents.remove(key("tags"));
    contents.remove(key("parentTask"));
    ASSERT_TRUE(remoteTask->updateFromSyncDictionaryRepresentation({{key("contents"), contents}}).ok());
    EXPECT_EQ(remoteTask->objectList(key("tags")).size(), 1);
    EXPECT_NE(remoteTask->object(key("parentTask")), nullptr);

    // Removing the last tag and the parent travels as an empty array and a null.
    task->removeObject(key("tags"), tag);
    task->setObject(key("parentTask"), nullptr);
    ASSERT_TRUE(
        remoteTask->updateFromSyncDictionaryRepresentation(throughJSON(task->syncDictionaryRepresentation()))
            .ok());
    EXPECT_TRUE(remoteTask->objectList(key("tags")).isEmpty());
    EXPECT_EQ(remoteTask->object(key("parentTask")), nullptr);
}

TEST_F(DictionaryFormTest, ASyncRecordLeavesWhatIsKeptOutOfSyncAlone) {
    TDLibraryObject* task = make("Task", "Linked elsewhere");
    task->setValue(key("calendarStoreUID"), key("CAL-THERE"));
    QVariantMap record = throughJSON(task->syncDictionaryRepresentation());
    QVariantMap contents = record.value(key("contents")).toMap();
    contents.remove(key("uid"));
    TDLibraryObject* local = make("Task", "Linked here");
    local->setValue(key("calendarStoreUID"), key("CAL-HERE"));

    // Neither a record without the key nor one that carries it anyway unlinks this side's calendar task.
    for (const bool carried : {false, true}) {
        if (carried) contents.insert(key("calendarStoreUID"), key("CAL-THERE"));
        record.insert(key("contents"), contents);
        ASSERT_TRUE(local->updateFromSyncDictionaryRepresentation(record).ok());
        EXPECT_EQ(local->value(key("title")), QVariant(key("Linked elsewhere")));
        EXPECT_EQ(local->value(key("calendarStoreUID")), QVariant(key("CAL-HERE"))) << carried;
    }
}

TEST_F(DictionaryFormTest, MalformedFormsAreRefusedAndChangeNothing) {
    // Each form holds a good change of the title (or the notes' text) besides the bad value.
    struct Case {
        const char* what;
        const char* entity;
        bool sync;
        const char* badKey;
        QVariant badValue;
    };
    const Case cases[] = {
        {"a number for a string", "Task", false, "status", 42},
        {"a string for a number", "Task", false, "priority", key("high")},
        {"a fraction for a whole number", "Task", false, "priority", 2.5},
        {"a string for a flag", "Task", false, "archived", key("yes")},
        {"a number that is not finite", "Task", false, "displayOrder",
         std::numeric_limits<double>::quiet_NaN()},
        {"a number for a date in a property list", "Task", false, "dueDate", 1000.0},
        {"a number for a UID", "Task", false, "uid", 12},
        {"a string for a to-many relationship", "Task", false, "tags", key("00000000000000A0")},
        {"a number among identifiers", "Task", false, "tags", QVariantList{7}},
        {"a number for a to-one relationship", "Task", false, "parentList", 7},
        {"a string where a date belongs", "Task", true, "dueDate", key("2026-12-24")},
        {"text that is not base64 for data", "TaskNotes", true, "webArchiveData", key("not base64!")},
        {"contents that are not a dictionary", "Task", true, "contents", key("changed")},
    };
    for (const Case& c : cases) {
        const QString textKey = key(qstrcmp(c.entity, "Task") == 0 ? "title" : "string");
        TDLibraryObject* object = make(c.entity);
        object->setValue(textKey, key("before"));
        saveAll();
        const QVariantMap before = object->propertyListRepresentation();
        const qsizetype journalled = journal->items().size();

        QVariantMap form{{textKey, key("changed")}, {key(c.badKey), c.badValue}};
        if (c.sync && qstrcmp(c.badKey, "contents") != 0) form = {{key("contents"), form}};
        testing::internal::CaptureStderr();
        const Status status = c.sync ? object->updateFromSyncDictionaryRepresentation(form)
                                     : object->updateFromPropertyListRepresentation(form);
        const std::string log = testing::internal::GetCapturedStderr();

        ASSERT_FALSE(status.ok()) << c.what;
        EXPECT_EQ(status.error().domain, TDDictionaryRepresentationErrorDomain) << c.what;
        EXPECT_EQ(status.error().userInfo.value(key("key")), QVariant(key(c.badKey))) << c.what;
        EXPECT_FALSE(object->hasChanges()) << c.what;
        EXPECT_TRUE(object->propertyListRepresentation() == before) << c.what;
        EXPECT_EQ(journal->items().size(), journalled) << c.what;
        if (c.sync && qstrcmp(c.badKey, "contents") != 0) {
            EXPECT_NE(log.find("Skipping the value of \"" + std::string(c.badKey) + "\""), std::string::npos)
                << log;
        }
    }
}

TEST_F(DictionaryFormTest, AnyValueInAnyKeyIsTakenOrRefusedWhole) {
    TDLibraryObject* list = make("List", "Inbox");
    TDLibraryObject* parent = make("Task", "Parent");
    TDLibraryObject* task = make("Task", "Task");
    task->setValue(key("dueDate"), clock->now());
    task->setValue(key("priority"), qint64(2));
    task->setObject(key("parentTask"), parent);
    task->setObject(key("parentList"), list);
    task->addObject(key("tags"), make("Tag", "home"));
    saveAll();
    const QVariantMap contents =
        throughJSON(task->syncDictionaryRepresentation()).value(key("contents")).toMap();
    const QVariantList strays{key("text"),
                              qint64(7),
                              -2.5,
                              true,
                              QVariantList{1},
                              QVariantList{key("FFFFFFFFFFFFFFF0")},
                              QVariantMap{{key("a"), 1}},
                              QVariant::fromValue(nullptr),
                              QString(),
                              1.0e300};
    for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
        for (const QVariant& stray : strays) {
            QVariantMap changed = contents;
            // The title keeps the tag's token: a task's tags follow its title.
            if (it.key() != QLatin1String("title")) changed.insert(key("title"), key("changed /home"));
            changed.insert(it.key(), stray);
            const QVariantMap before = task->propertyListRepresentation();
            testing::internal::CaptureStderr();
            const Status status = task->updateFromSyncDictionaryRepresentation({{key("contents"), changed}});
            testing::internal::GetCapturedStderr();
            const std::string what = it.key().toStdString() + " = " + describe(QVariantList{stray});
            if (!status.ok()) {
                EXPECT_FALSE(task->hasChanges()) << what;
                EXPECT_TRUE(task->propertyListRepresentation() == before) << what;
            } else if (it.key() != QLatin1String("title")) {
                // Removing the tag takes its token out of the title.
                const QString title =
                    task->objectList(key("tags")).isEmpty() ? key("changed") : key("changed /home");
                EXPECT_EQ(task->value(key("title")), QVariant(title)) << what;
            }
            context->rollback();
        }
    }
}

TEST_F(DictionaryFormTest, LookupsUseTheContextCacheWhileItIsOn) {
    TDLibraryObject* home = make("Tag", "home");
    TDLibraryObject* calls = make("Tag", "calls");
    TDLibraryObject* errands = make("Tag", "errands");
    TDLibraryObject* task = make("Task", "Task");
    context->initializeObjectLookupCache();

    ASSERT_TRUE(task->updateFromPropertyListRepresentation(
                        {{key("tags"), QVariantList{home->uid(), calls->uid(), key("FFFFFFFFFFFFFFF0")}}})
                    .ok());
    EXPECT_EQ(task->objectList(key("tags")).size(), 2);
    // What one fetch found is kept for the next lookups.
    EXPECT_EQ(context->cachedObjectForUID(home->uid()), home);
    EXPECT_EQ(context->cachedObjectForUID(calls->uid()), calls);

    // A cached object answers for its key without a fetch, but only for the entity asked for.
    context->cacheObject(errands, key("00000000000000E0"));
    context->cacheObject(task, home->uid());
    ASSERT_TRUE(task->updateFromPropertyListRepresentation(
                        {{key("tags"), QVariantList{key("00000000000000E0"), home->uid()}}})
                    .ok());
    const QList<ManagedObject*> tags = task->objectList(key("tags"));
    EXPECT_EQ(tags.size(), 2);
    EXPECT_TRUE(tags.contains(errands));
    EXPECT_TRUE(tags.contains(home));
    context->destroyObjectLookupCache();
}

// An attribute archived with the keyed-archive codec, in a store of a small model of its own.
struct Archived {
    QString text;
    qint64 count = 0;
    bool operator==(const Archived&) const = default;
};

const char* const kArchiveModel = R"({
  "name": "Archive test", "version": "Archive test 1",
  "entities": [{"name": "Holder", "class": "TDTestHolder", "attributes": [
    {"name": "uid", "type": "string"},
    {"name": "title", "type": "string"},
    {"name": "value", "type": "transformable", "transformer": "TDTestArchivedValueTransformer"}]}]
})";

class ArchivedAttributeTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        platform::registerArchiveClass<Archived>(
            key("TDTestArchived"),
            {{key("text"), platform::ArchiveFieldType::String},
             {key("count"), platform::ArchiveFieldType::Integer}},
            [](const Archived& a) {
                return platform::ArchiveObject{{}, {{key("text"), a.text}, {key("count"), a.count}}};
            },
            [](const platform::ArchiveObject& o) -> Result<Archived> {
                return Archived{o.fields.value(key("text")).toString(),
                                o.fields.value(key("count")).toLongLong()};
            });
        platform::setValueTransformer(key("TDTestArchivedValueTransformer"),
                                      std::make_shared<platform::KeyedArchiveValueTransformer<Archived>>());
        platform::registerManagedObjectClass<TDLibraryObject>(key("TDTestHolder"));
        auto model = platform::ObjectModel::fromJson(QByteArray(kArchiveModel));
        ASSERT_TRUE(model.ok()) << model.error().detailedDescription().toStdString();
        coordinator = std::make_unique<platform::PersistentStoreCoordinator>(*model);
        ASSERT_TRUE(coordinator->openStore(tempPath() + QStringLiteral("/archive.sqlite3")).ok());
        context = std::make_unique<TDManagedObjectContext>(coordinator.get());
    }
    void TearDown() override {
        context.reset();
        coordinator.reset();
        TempFoldersTest::TearDown();
    }
    TDLibraryObject* holder() { return static_cast<TDLibraryObject*>(context->insertObject(key("Holder"))); }

    std::unique_ptr<platform::PersistentStoreCoordinator> coordinator;
    std::unique_ptr<TDManagedObjectContext> context;
};

QByteArray archiveOfClass(const QString& className) {
    const QVariantMap root{{key("class"), className},
                           {key("fields"), QVariantMap{{key("text"), key("x")}, {key("count"), qint64(1)}}}};
    return *platform::writePropertyList(
        QVariantMap{
            {key("archive"), key("Ordello keyed archive")}, {key("version"), qint64(1)}, {key("root"), root}},
        platform::PropertyListFormat::Binary);
}

TEST_F(ArchivedAttributeTest, ArchivedValuesTravelAsDataAndBase64) {
    TDLibraryObject* original = holder();
    original->setValue(key("value"), QVariant::fromValue(Archived{key("rule"), 3}));
    ASSERT_TRUE(context->save().ok());
    const QVariantMap form = original->propertyListRepresentation();
    ASSERT_EQ(form.value(key("value")).metaType().id(), QMetaType::QByteArray);
    const Result<platform::ArchiveObject> archived =
        platform::unarchivedObjectTree(form.value(key("value")).toByteArray());
    ASSERT_TRUE(archived.ok());
    EXPECT_EQ(archived->className, key("TDTestArchived"));

    for (const QVariantMap& written : {form, throughJSON(original->syncDictionaryRepresentation())}) {
        TDLibraryObject* copy = holder();
        const bool sync = written.contains(key("contents"));
        ASSERT_TRUE((sync ? copy->updateFromSyncDictionaryRepresentation(written)
                          : copy->updateFromPropertyListRepresentation(written))
                        .ok());
        EXPECT_EQ(copy->value(key("value")).value<Archived>(), (Archived{key("rule"), 3}));
        EXPECT_EQ(copy->uid(), original->uid());
    }
}

TEST_F(ArchivedAttributeTest, UndecodableArchivesAreRefused) {
    TDLibraryObject* object = holder();
    object->setValue(key("title"), key("before"));
    object->setValue(key("value"), QVariant::fromValue(Archived{key("kept"), 1}));
    ASSERT_TRUE(context->save().ok());

    const struct {
        const char* what;
        QVariant value;
    } cases[] = {
        {"an unknown class in the archive", archiveOfClass(key("TDSomethingElse"))},
        {"data that is no archive", QByteArray("plain bytes")},
        {"text in a property list", key("dGV4dA==")},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        const Status status = object->updateFromPropertyListRepresentation(
            {{key("title"), key("after")}, {key("value"), c.value}});
        testing::internal::GetCapturedStderr();
        ASSERT_FALSE(status.ok()) << c.what;
        EXPECT_EQ(status.error().userInfo.value(key("key")), QVariant(key("value"))) << c.what;
        EXPECT_EQ(object->value(key("title")), QVariant(key("before"))) << c.what;
        EXPECT_EQ(object->value(key("value")).value<Archived>(), (Archived{key("kept"), 1})) << c.what;
        EXPECT_FALSE(object->hasChanges()) << c.what;
    }
}

}  // namespace
