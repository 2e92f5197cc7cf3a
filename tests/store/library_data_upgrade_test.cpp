#include "store/library_data_upgrade.h"
#include "model/library_model.h"
#include "model/managed_object_context.h"
#include "platform/base/clock.h"
#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "tests/support/test_environment.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using platform::ManagedObject;

class RecordingServices : public TDLibraryUpgradeServices {
public:
    QStringList removedOptions;
    int repairs = 0;
    void removeOptions(const QStringList& keys) override { removedOptions += keys; }
    void fixLibrary() override { ++repairs; }
};

// An opened library as older programs left it: the starter groups under random UIDs, a label, tasks.
class LibraryDataUpgradeTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        clock = std::make_unique<TDTestClock>(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        TDClock::setShared(clock.get());
        auto model = TDLibraryObjectModel();
        ASSERT_TRUE(model.ok());
        coordinator = std::make_unique<platform::PersistentStoreCoordinator>(*model);
        ASSERT_TRUE(coordinator->openStore(tempPath() + QStringLiteral("/library.sqlite3")).ok());
        context = std::make_unique<TDManagedObjectContext>(coordinator.get());
        library = context->insertObject(QStringLiteral("Library"));
        root = group(QStringLiteral("Folder"), QStringLiteral("Root Group"), true, nullptr);
        library->setValue(QStringLiteral("rootGroupUID"), root->value(QStringLiteral("uid")));
        ManagedObject* collect = group(QStringLiteral("Folder"), QStringLiteral("Collect"), true, root);
        inbox = group(QStringLiteral("List"), QStringLiteral("Inbox"), true, collect);
        ordellos = group(QStringLiteral("Folder"), QStringLiteral("Ordellos"), true, root);
        group(QStringLiteral("SmartFolder"), QStringLiteral("Upcoming"), true, ordellos);
        today = group(QStringLiteral("SmartFolder"), QStringLiteral("Today"), true, ordellos);
        folders = group(QStringLiteral("Folder"), QStringLiteral("Folders"), true, root);
        tags = group(QStringLiteral("Folder"), QStringLiteral("Labels"), true, root);
        projects = group(QStringLiteral("Folder"), QStringLiteral("Projects"), false, folders);
        group(QStringLiteral("List"), QStringLiteral("Learn Ordello"), false, projects);
        group(QStringLiteral("Folder"), QStringLiteral("On Hold"), false, folders);
        group(QStringLiteral("List"), QStringLiteral("Someday"), false, folders);
        label = group(QStringLiteral("Tag"), QStringLiteral("home"), false, tags);
        label->setValue(QStringLiteral("type"), QStringLiteral("label"));
        for (int i = 0; i < 3; ++i) {
            ManagedObject* task = context->insertObject(QStringLiteral("Task"));
            task->setValue(QStringLiteral("title"), QStringLiteral("task %1").arg(i));
            task->setValue(QStringLiteral("archived"), true);
            task->setObject(QStringLiteral("parentList"), inbox);
        }
        for (const char* key :
             {"TDTabControl tabs objects", "TDTabControl tabs selected index", "TDTabControl tabs userInfo"})
            defaults().setValue(QString::fromLatin1(key), 1);
    }
    void TearDown() override {
        context.reset();
        coordinator.reset();
        TDClock::setShared(nullptr);
        TempFoldersTest::TearDown();
    }
    ManagedObject* group(const QString& entity, const QString& title, bool special, ManagedObject* parent) {
        ManagedObject* g = context->insertObject(entity);
        g->setValue(QStringLiteral("title"), title);
        g->setValue(QStringLiteral("special"), special);
        g->setValue(QStringLiteral("type"), entity == QLatin1String("Folder") ? QStringLiteral("folder")
                                            : entity == QLatin1String("List") ? QStringLiteral("list")
                                            : entity == QLatin1String("Tag")  ? QStringLiteral("tag")
                                                                              : QStringLiteral("smart"));
        if (parent) {
            g->setValue(QStringLiteral("displayOrder"),
                        double(parent->objectList(QStringLiteral("subgroups")).size()));
            g->setObject(QStringLiteral("parentGroup"), parent);
        }
        return g;
    }
    QStringList orderedTitles(ManagedObject* parent) const {
        QList<ManagedObject*> subgroups = parent->objectList(QStringLiteral("subgroups"));
        std::stable_sort(subgroups.begin(), subgroups.end(), [](ManagedObject* a, ManagedObject* b) {
            return a->value(QStringLiteral("displayOrder")).toDouble() <
                   b->value(QStringLiteral("displayOrder")).toDouble();
        });
        QStringList titles;
        for (ManagedObject* g : subgroups) titles << g->value(QStringLiteral("title")).toString();
        return titles;
    }
    QString uidOf(ManagedObject* object) const { return object->value(QStringLiteral("uid")).toString(); }
    QList<ManagedObject*> tasks() const {
        return *context->execute(platform::FetchRequest(QStringLiteral("Task")));
    }

    std::unique_ptr<TDTestClock> clock;
    std::unique_ptr<platform::PersistentStoreCoordinator> coordinator;
    std::unique_ptr<TDManagedObjectContext> context;
    ManagedObject* library = nullptr;
    ManagedObject *root = nullptr, *inbox = nullptr, *ordellos = nullptr, *today = nullptr,
                  *folders = nullptr, *tags = nullptr, *projects = nullptr, *label = nullptr;
    RecordingServices services;
};

TEST_F(LibraryDataUpgradeTest, ACurrentLibraryIsLeftUntouchedAndNotRepaired) {
    for (double version : {1.0, 0.9999999}) {
        library->setValue(QStringLiteral("version"), version);
        const QString todayUID = uidOf(today);
        TDUpgradeLibraryIfNeeded(library, &services);
        EXPECT_EQ(library->value(QStringLiteral("version")).toDouble(), version);
        EXPECT_EQ(uidOf(today), todayUID);
        EXPECT_EQ(label->value(QStringLiteral("type")).toString(), QStringLiteral("label"));
        EXPECT_EQ(services.repairs, 0);
        EXPECT_TRUE(services.removedOptions.isEmpty());
    }
}

TEST_F(LibraryDataUpgradeTest, ALibraryOf0909GetsTheFixedUIDsAndAnArchiveFolder) {
    library->setValue(QStringLiteral("version"), 0.909);
    tags->setPrimitiveValue(QStringLiteral("title"), QStringLiteral("Tags"));
    TDUpgradeLibraryIfNeeded(library, &services);
    EXPECT_EQ(uidOf(root), QStringLiteral("1AD5C0850B0BE611"));
    EXPECT_EQ(library->value(QStringLiteral("rootGroupUID")).toString(), QStringLiteral("1AD5C0850B0BE611"));
    EXPECT_EQ(uidOf(inbox->object(QStringLiteral("parentGroup"))), QStringLiteral("0F3BBB3637A63EEA"));
    EXPECT_EQ(uidOf(inbox), QStringLiteral("57553C3149610B74"));
    EXPECT_EQ(uidOf(ordellos), QStringLiteral("2787C4A047EDE68B"));
    EXPECT_EQ(uidOf(today), QStringLiteral("05FB05DB28053AF2"));
    EXPECT_EQ(uidOf(folders), QStringLiteral("6BCCBDE462F0F3FB"));
    EXPECT_EQ(uidOf(tags), QStringLiteral("1C360B5A16EA03BB"));
    EXPECT_EQ(uidOf(projects), QStringLiteral("230C12DF19F6B890"));
    const QStringList folderTitles = orderedTitles(folders);
    EXPECT_EQ(folderTitles, (QStringList{QStringLiteral("Projects"), QStringLiteral("On Hold"),
                                         QStringLiteral("Someday")}));
    QMap<QString, QString> uidsByTitle;
    for (ManagedObject* g : folders->objectList(QStringLiteral("subgroups")))
        uidsByTitle.insert(g->value(QStringLiteral("title")).toString(), uidOf(g));
    EXPECT_EQ(uidsByTitle.value(QStringLiteral("On Hold")), QStringLiteral("7D6B170C654752A8"));
    EXPECT_EQ(uidsByTitle.value(QStringLiteral("Someday")), QStringLiteral("0B1B48D34637C394"));
    EXPECT_EQ(uidOf(projects->objectList(QStringLiteral("subgroups")).first()),
              QStringLiteral("0C2266C72BE17631"));
    EXPECT_EQ(orderedTitles(root),
              (QStringList{QStringLiteral("Collect"), QStringLiteral("Ordellos"), QStringLiteral("Folders"),
                           QStringLiteral("Archive"), QStringLiteral("Tags")}));
    for (ManagedObject* g : root->objectList(QStringLiteral("subgroups")))
        if (g->value(QStringLiteral("title")).toString() == QLatin1String("Archive")) {
            EXPECT_EQ(uidOf(g), QStringLiteral("75B59CC4406246EB"));
            EXPECT_TRUE(g->value(QStringLiteral("special")).toBool());
        }
    for (ManagedObject* task : tasks()) EXPECT_FALSE(task->value(QStringLiteral("archived")).toBool());
    EXPECT_EQ(services.removedOptions,
              (QStringList{QStringLiteral("groupViewOptions"), QStringLiteral("TDTabControl tabs objects"),
                           QStringLiteral("TDTabControl tabs selected index"),
                           QStringLiteral("TDTabControl tabs userInfo")}));
    EXPECT_FALSE(defaults().hasStoredValue(QStringLiteral("TDTabControl tabs objects")));
    EXPECT_EQ(library->value(QStringLiteral("version")).toDouble(), 1.0);
    EXPECT_EQ(services.repairs, 1);
    // Steps of older versions did not run.
    EXPECT_EQ(label->value(QStringLiteral("type")).toString(), QStringLiteral("label"));
    EXPECT_EQ(inbox->object(QStringLiteral("parentGroup"))->value(QStringLiteral("title")).toString(),
              QStringLiteral("Collect"));
}

TEST_F(LibraryDataUpgradeTest, EachOlderVersionRunsItsOwnSteps) {
    // 0.905 keeps its group kinds; 0.9 also recreates Today, retitles the Inbox's folder and the labels.
    library->setValue(QStringLiteral("version"), 0.905);
    TDUpgradeLibraryIfNeeded(library, nullptr);
    EXPECT_EQ(label->value(QStringLiteral("type")).toString(), QStringLiteral("label"));
    EXPECT_EQ(tags->value(QStringLiteral("title")).toString(), QStringLiteral("Labels"));
    EXPECT_EQ(library->value(QStringLiteral("version")).toDouble(), 1.0);

    library->setValue(QStringLiteral("version"), 0.9);
    TDUpgradeLibraryIfNeeded(library, &services);
    EXPECT_TRUE(today->isDeleted());
    const QStringList ordered = orderedTitles(ordellos);
    EXPECT_EQ(ordered, (QStringList{QStringLiteral("Today"), QStringLiteral("Upcoming")}));
    EXPECT_EQ(inbox->object(QStringLiteral("parentGroup"))->value(QStringLiteral("title")).toString(),
              QStringLiteral("INBOX"));
    EXPECT_EQ(label->value(QStringLiteral("type")).toString(), QStringLiteral("tag"));
    EXPECT_EQ(tags->value(QStringLiteral("title")).toString(), QStringLiteral("Tags"));
    EXPECT_EQ(services.repairs, 1);
    EXPECT_TRUE(context->save().ok());
}

}  // namespace
