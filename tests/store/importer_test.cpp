#include "tests/store/library_manager_fixture.h"

#include "model/group.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/operations/operation_queue.h"
#include "platform/plist/property_list.h"
#include "store/importer.h"
#include "store/library_load_operation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <optional>

namespace storetest {
namespace {

class RecordingImporterDelegate : public TDImporterDelegate {
public:
    void importerDidSetMaxProgress(TDImporter*, double progress) override { maxProgress = progress; }
    void importerDidSetCurrentProgress(TDImporter*, double progress) override { current = progress; }
    void importerDidAddTask(TDImporter*, TDTask* task) override { added.append(task->title()); }
    double maxProgress = 0;
    double current = 0;
    QStringList added;
};

class ImporterTest : public LibraryManagerTest {
protected:
    void SetUp() override {
        LibraryManagerTest::SetUp();
        library = createLibrary();
        ASSERT_NE(library, nullptr);
    }
    TDLibrary* library = nullptr;
};

QVariantMap task(const QString& title, QVariantMap more = {}) {
    more.insert(QStringLiteral("title"), title);
    return more;
}

TEST_F(ImporterTest, TaskDictionariesBecomeTasks) {
    TDImporter importer(library);
    RecordingImporterDelegate delegate;
    importer.setDelegate(&delegate);
    ASSERT_TRUE(importer.begin());
    const QDateTime due(QDate(2026, 12, 24), QTime(9, 0));
    ASSERT_TRUE(importer.addTask(
        task(QStringLiteral("Pack presents"),
             {{QStringLiteral("uid"), QStringLiteral("T1")},
              {QStringLiteral("project"), QStringLiteral("Holidays")},
              {QStringLiteral("dueDate"), due},
              {QStringLiteral("estimatedTime"), 3600},
              {QStringLiteral("priority"), 3},
              {QStringLiteral("tags"), QVariantList{QStringLiteral("home")}},
              {QStringLiteral("subtasks"),
               QVariantList{task(QStringLiteral("Wrap"),
                                 {{QStringLiteral("status"), QStringLiteral("complete")}})}}})));
    ASSERT_TRUE(importer.addTask(
        task(QStringLiteral("Book train"), {{QStringLiteral("project"), QStringLiteral("Holidays")}})));
    // The same UID updates the task.
    ASSERT_TRUE(importer.addTask(
        task(QStringLiteral("Pack all presents"), {{QStringLiteral("uid"), QStringLiteral("T1")}})));
    EXPECT_FALSE(importer.addTask({{QStringLiteral("uid"), QStringLiteral("T9")}}));
    ASSERT_TRUE(importer.finish());

    TDTask* packed = library->taskWithUID(QStringLiteral("T1"));
    ASSERT_NE(packed, nullptr);
    EXPECT_EQ(packed->title(), QStringLiteral("Pack all presents"));
    EXPECT_EQ(packed->dueDate(), due);
    EXPECT_EQ(packed->estimatedTime(), 3600);
    ASSERT_EQ(packed->subtasks().size(), 1);
    EXPECT_TRUE(packed->subtasks().first()->isCompleted());
    EXPECT_EQ(library->taskWithUID(QStringLiteral("T9")), nullptr);
    TDGroup* holidays = library->groupTitled(QStringLiteral("Holidays"));
    ASSERT_NE(holidays, nullptr);
    EXPECT_EQ(holidays->orderedTasks()->count(), 2);  // one list for both
    int holidayLists = 0;
    for (TDGroup* list : library->allLists()) holidayLists += list->title() == QStringLiteral("Holidays");
    EXPECT_EQ(holidayLists, 1);
    EXPECT_EQ(delegate.added,
              (QStringList{QStringLiteral("Wrap"), QStringLiteral("Pack presents"),
                           QStringLiteral("Book train"), QStringLiteral("Pack all presents")}));
}

TEST_F(ImporterTest, GroupsTagsAndLinksByUID) {
    TDImporter importer(library);
    importer.begin();
    ASSERT_TRUE(importer.addGroup(
        {{QStringLiteral("uid"), QStringLiteral("G1")},
         {QStringLiteral("title"), QStringLiteral("Errands")},
         {QStringLiteral("tasks"), QVariantList{task(QStringLiteral("Post letter"),
                                                     {{QStringLiteral("uid"), QStringLiteral("T2")}})}}}));
    ASSERT_TRUE(importer.addGroup(
        {{QStringLiteral("special"), true}, {QStringLiteral("title"), QStringLiteral("Inbox")}}));
    ASSERT_TRUE(importer.addTag({{QStringLiteral("uid"), QStringLiteral("TAG1")},
                                 {QStringLiteral("title"), QStringLiteral("calls")}}));
    // By title when there is no UID: the same tag.
    ASSERT_TRUE(importer.addTag({{QStringLiteral("title"), QStringLiteral("calls")}}));
    EXPECT_EQ(library->tagsWithTitlePrefix(QStringLiteral("calls")).size(), 1);
    ASSERT_TRUE(
        importer.addTask(task(QStringLiteral("Ring bank"), {{QStringLiteral("uid"), QStringLiteral("T3")}})));

    TDGroup* errands = library->groupWithUID(QStringLiteral("G1"));
    ASSERT_NE(errands, nullptr);
    EXPECT_TRUE(importer.addTaskWithUIDToGroupWithUID(QStringLiteral("T3"), QStringLiteral("G1")));
    EXPECT_EQ(errands->orderedTasks()->count(), 2);
    EXPECT_TRUE(
        importer.addTaskWithUIDToGroupWithUID(QStringLiteral("T3"), QStringLiteral("G1")));  // already there
    EXPECT_EQ(errands->orderedTasks()->count(), 2);
    EXPECT_TRUE(importer.addTaskWithUIDToGroupWithUID(QStringLiteral("T3"),
                                                      QStringLiteral("TAG1")));  // a tag: no change
    EXPECT_FALSE(importer.addTaskWithUIDToGroupWithUID(QStringLiteral("T3"), QStringLiteral("nope")));
    EXPECT_FALSE(importer.addTaskWithUIDToGroupWithUID(QStringLiteral("T3"), TDLibrary::FoldersGroupUID));
    EXPECT_TRUE(importer.addTaskWithUIDToTaskWithUID(QStringLiteral("T3"), QStringLiteral("T2")));
    EXPECT_EQ(library->taskWithUID(QStringLiteral("T3"))->parentTask(),
              library->taskWithUID(QStringLiteral("T2")));
    EXPECT_FALSE(importer.addTaskWithUIDToTaskWithUID(QStringLiteral("T3"), QStringLiteral("nope")));

    TDGroup* folders = library->groupWithUID(TDLibrary::ProjectsFolderUID);
    ASSERT_NE(folders, nullptr);
    EXPECT_TRUE(importer.addGroupWithUIDToGroupWithUID(QStringLiteral("G1"), TDLibrary::ProjectsFolderUID));
    EXPECT_EQ(errands->parentGroup(), folders);
    const qsizetype count = folders->orderedSubgroups()->count();
    EXPECT_TRUE(importer.addGroupWithUIDToGroupWithUID(QStringLiteral("G1"), TDLibrary::ProjectsFolderUID));
    EXPECT_EQ(folders->orderedSubgroups()->count(), count);
    EXPECT_FALSE(
        importer.addGroupWithUIDToGroupWithUID(QStringLiteral("nope"), TDLibrary::ProjectsFolderUID));
    importer.finish();
}

TEST_F(ImporterTest, MalformedDictionariesAreRefusedWhole) {
    TDImporter importer(library);
    importer.begin();
    const qsizetype before = library->allTasks().size();
    QVariantMap deep = task(QStringLiteral("leaf"));
    for (int i = 0; i <= TDImporter::kMaxDepth + 1; ++i)
        deep = task(QStringLiteral("level"), {{QStringLiteral("subtasks"), QVariantList{deep}}});
    const QList<std::pair<const char*, QVariantMap>> tasks{
        {"title not text", {{QStringLiteral("title"), QVariantList{1, 2}}}},
        {"date not a date",
         task(QStringLiteral("x"), {{QStringLiteral("dueDate"), QStringLiteral("friday")}})},
        {"priority not a number",
         task(QStringLiteral("x"), {{QStringLiteral("priority"), QStringLiteral("high")}})},
        {"subtasks not a list",
         task(QStringLiteral("x"), {{QStringLiteral("subtasks"), QStringLiteral("a")}})},
        {"bad subtask deep inside",
         task(QStringLiteral("x"),
              {{QStringLiteral("subtasks"),
                QVariantList{task(QStringLiteral("ok")),
                             task(QStringLiteral("y"), {{QStringLiteral("completed"), 5}})}}})},
        {"nested too deep", deep},
    };
    for (const auto& [name, dictionary] : tasks) EXPECT_FALSE(importer.addTask(dictionary)) << name;
    EXPECT_FALSE(importer.addGroup(
        {{QStringLiteral("title"), QStringLiteral("G")}, {QStringLiteral("tasks"), QVariantList{5}}}));
    EXPECT_FALSE(importer.addGroup({{QStringLiteral("special"), QStringLiteral("yes")}}));
    EXPECT_FALSE(importer.addGroup(
        {{QStringLiteral("special"), true}, {QStringLiteral("title"), QStringLiteral("No such")}}));
    EXPECT_FALSE(importer.addTag({{QStringLiteral("title"), 12}}));
    EXPECT_FALSE(importer.addTag({}));
    EXPECT_EQ(library->allTasks().size(), before);  // nothing half made
    EXPECT_EQ(library->groupTitled(QStringLiteral("G")), nullptr);
    importer.finish();
}

TEST_F(ImporterTest, ObjectsNamingThemselvesAsTheirOwnChildrenMakeNoLoop) {
    TDImporter importer(library);
    importer.begin();
    importer.addTask(task(
        QStringLiteral("outer"),
        {{QStringLiteral("uid"), QStringLiteral("L1")},
         {QStringLiteral("subtasks"),
          QVariantList{task(QStringLiteral("inner"), {{QStringLiteral("uid"), QStringLiteral("L1")}})}}}));
    TDTask* looped = library->taskWithUID(QStringLiteral("L1"));
    ASSERT_NE(looped, nullptr);
    EXPECT_EQ(looped->parentTask(), nullptr);
    EXPECT_FALSE(importer.addTaskWithUIDToTaskWithUID(QStringLiteral("L1"), QStringLiteral("L1")));
    importer.addGroup({{QStringLiteral("uid"), QStringLiteral("G7")},
                       {QStringLiteral("title"), QStringLiteral("Loop")},
                       {QStringLiteral("subgroups"),
                        QVariantList{QVariantMap{{QStringLiteral("uid"), QStringLiteral("G7")}}}}});
    TDGroup* group = library->groupWithUID(QStringLiteral("G7"));
    ASSERT_NE(group, nullptr);
    EXPECT_NE(group->parentGroup(), group);
    EXPECT_FALSE(importer.addGroupWithUIDToGroupWithUID(QStringLiteral("G7"), QStringLiteral("G7")));
    importer.finish();
}

TEST_F(ImporterTest, DriverOnAnotherThreadChangesTheLibraryOnTheMainThread) {
    TDImporter importer(library);
    RecordingImporterDelegate delegate;
    importer.setDelegate(&delegate);
    std::optional<int> added;
    std::unique_ptr<QThread> driver(QThread::create([&] {
        added = importer.importDictionaries(
            {}, {QVariantMap{{QStringLiteral("title"), QStringLiteral("errand")}}},
            {task(QStringLiteral("Water plants")), QStringLiteral("not a dictionary"),
             task(QStringLiteral("Feed cat"))});
    }));
    driver->start();
    // The driver waits for the main thread at every step: keep the event loop running.
    ASSERT_TRUE(testsupport::spinUntil([&] { return driver->isFinished(); }));
    driver->wait();
    EXPECT_EQ(added, 3);
    EXPECT_EQ(delegate.maxProgress, 4);
    EXPECT_EQ(delegate.current, 4);
    EXPECT_FALSE(importer.isRunning());
    EXPECT_NE(library->tagWithTitle(QStringLiteral("errand")), nullptr);
    QStringList titles;
    for (TDTask* task : library->allTasks()) titles.append(task->title());
    EXPECT_TRUE(titles.contains(QStringLiteral("Water plants")));
    EXPECT_TRUE(titles.contains(QStringLiteral("Feed cat")));
}

TEST_F(ImporterTest, LoadOperationReadsOffTheMainThreadAndHandsTheDictionariesOver) {
    const QString path = QDir(tempPath()).filePath(QStringLiteral("tasks.plist"));
    ASSERT_TRUE(
        platform::writePropertyListFile(
            path,
            QVariantMap{{QStringLiteral("groups"),
                         QVariantList{QVariantMap{{QStringLiteral("title"), QStringLiteral("Moving")}}}},
                        {QStringLiteral("tasks"), QVariantList{task(QStringLiteral("Order boxes"))}}})
            .ok());
    std::optional<Result<TDImportDictionaries>> handed;
    QThread* handedOn = nullptr;
    auto operation =
        std::make_shared<TDLibraryLoadOperation>(path, [&](const Result<TDImportDictionaries>& result) {
            handedOn = QThread::currentThread();
            handed = result;
        });
    manager->exportOperationQueue()->addOperation(operation);
    ASSERT_TRUE(testsupport::spinUntil([&] { return handed.has_value(); }));
    EXPECT_EQ(handedOn, QThread::currentThread());
    ASSERT_TRUE(handed->ok());
    TDImporter importer(library);
    EXPECT_EQ(importer.importDictionaries((*handed)->groups, (*handed)->tags, (*handed)->tasks), 2);
    EXPECT_NE(library->groupTitled(QStringLiteral("Moving")), nullptr);

    // Files that are not task lists are refused with an error.
    const QString bad = QDir(tempPath()).filePath(QStringLiteral("bad.plist"));
    const QList<std::pair<const char*, QByteArray>> files{
        {"not a property list", QByteArray("<<< nonsense")},
        {"a list at the root", *platform::writePropertyList(QVariantList{1})},
        {"tasks not a list", *platform::writePropertyList(QVariantMap{{QStringLiteral("tasks"), 3}})},
        {"a task that is no dictionary", *platform::writePropertyList(QVariantMap{
                                             {QStringLiteral("tasks"), QVariantList{QStringLiteral("x")}}})},
    };
    for (const auto& [name, bytes] : files) {
        QFile file(bad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        EXPECT_FALSE(TDLibraryLoadOperation::readDictionaries(bad).ok()) << name;
    }
    EXPECT_FALSE(
        TDLibraryLoadOperation::readDictionaries(QDir(tempPath()).filePath(QStringLiteral("missing"))).ok());
}

}  // namespace
}  // namespace storetest
