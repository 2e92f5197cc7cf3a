// The Debug menu's commands on a library: retraining the tag classifier, making the next copies of
// repeating tasks and importing a group's copy form as a folder.
#include "app/debug_library_commands.h"

#include "model/ordered_collection.h"
#include "model/recurrence.h"
#include "model/sync_set.h"
#include "model/task_lsm_classifier.h"
#include "platform/plist/property_list.h"
#include "tests/app/groups_controller_fixture.h"

#include <QDir>
#include <QFile>

namespace apptest {
namespace {

QDateTime day(int year, int month, int dayOfMonth) {
    return QDateTime(QDate(year, month, dayOfMonth), QTime(0, 0));
}

template <class Object>
qsizetype liveCount(const QList<Object*>& objects) {
    return std::count_if(objects.begin(), objects.end(), [](const Object* o) { return !o->isDeleted(); });
}

QStringList titlesOf(const QList<TDGroup*>& groups) {
    QStringList titles;
    for (const TDGroup* group : groups) titles << group->title();
    return titles;
}

// The clock stands at Wednesday 9 December 2026, 10:00.
class DebugLibraryCommandsTest : public GroupsControllerTest {
protected:
    // Mondays, from the given next start.
    TDTask* repeating(const QString& title, const QDateTime& nextStart, bool afterCompletion = false) {
        TDRecurrenceRule rule = TDRecurrenceRule::initWeeklyRecurrenceWithInterval(1, {2}, {}).value();
        rule.setNextStartDate(nextStart);
        rule.setRepeatAfterCompletion(afterCompletion);
        TDTask* task = addTask(library()->inboxGroup(), title);
        task->setStartDate(nextStart);
        auto* recurrence =
            task->managedObjectContext()->insertObject<TDRecurrence>(QStringLiteral("Recurrence"));
        EXPECT_TRUE(recurrence->setRule(rule).ok());
        task->setObject(QStringLiteral("recurrence"), recurrence);
        return task;
    }

    QStringList inboxTitles() {
        QStringList titles;
        for (const TDTask* task : library()->inboxGroup()->orderedTasks()->objectsAs<TDTask>())
            titles << QStringLiteral("%1 %2").arg(task->title(),
                                                  task->startDate().date().toString(Qt::ISODate));
        return titles;
    }

    QList<TDGroup*> topFolders() const {
        return library()->foldersGroup()->orderedSubgroups()->objectsAs<TDGroup>();
    }

    QString writeFile(const QString& name, const QByteArray& bytes) const {
        const QString path = QDir(tempPath()).filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
};

TEST_F(DebugLibraryCommandsTest, RetrainingLearnsTagsGivenOutsideTheTitleAndSavesThem) {
    auto* classifier = dynamic_cast<TDTaskLSMClassifier*>(library()->taskClassifier());
    ASSERT_TRUE(classifier);
    TDTag* garden = tag(QStringLiteral("garden"));
    for (const QString& title : {QStringLiteral("mow the lawn"), QStringLiteral("rake the leaves")})
        addTask(library()->inboxGroup(), title)->addTagsObject(garden);
    // Not processed yet: the command takes pending changes in.
    ASSERT_FALSE(classifier->valueToCategory().contains(garden->uid()));
    QFile::remove(classifier->dataFilePath());

    ASSERT_TRUE(TDRetrainTaskClassifier(library()).ok());

    EXPECT_TRUE(classifier->valueToCategory().contains(garden->uid()));
    EXPECT_TRUE(QFile::exists(classifier->dataFilePath()));
}

TEST_F(DebugLibraryCommandsTest, EveryOpenTaskOnAScheduleGetsItsNextCopyUnjournalled) {
    // Given a task not due again until next week, one missed since November, one that repeats after
    // completion and one that does not repeat
    repeating(QStringLiteral("bins"), day(2026, 12, 14));
    repeating(QStringLiteral("boiler"), day(2026, 11, 30));
    repeating(QStringLiteral("haircut"), day(2026, 12, 14), true);
    addTask(library()->inboxGroup(), QStringLiteral("once"))->setStartDate(day(2026, 12, 14));
    processChanges();
    ASSERT_TRUE(manager->saveLibrary());
    TDSyncSet* journal = library()->corvaneSyncSet(false);
    const qsizetype journalled = journal ? journal->items().size() : 0;

    // When the command runs
    EXPECT_EQ(TDMakeRecurringTasks(library()), 2);
    processChanges();

    // Then the scheduled ones have their next copies right after them, the missed one caught up
    // to the coming Monday, and the journal heard of none of them
    EXPECT_EQ(inboxTitles(),
              (QStringList{QStringLiteral("bins 2026-12-14"), QStringLiteral("bins 2026-12-21"),
                           QStringLiteral("boiler 2026-11-30"), QStringLiteral("boiler 2026-12-07"),
                           QStringLiteral("boiler 2026-12-14"), QStringLiteral("haircut 2026-12-14"),
                           QStringLiteral("once 2026-12-14")}))
        << inboxTitles().join(QLatin1Char('|')).toStdString();
    ASSERT_TRUE(manager->saveLibrary());
    if (journal) {
        EXPECT_FALSE(journal->isAddingDisabled());
        EXPECT_EQ(journal->items().size(), journalled);
    }
}

TEST_F(DebugLibraryCommandsTest, AnExportedFolderComesBackAsANewLastFolder) {
    TDFolder* home = folder(QStringLiteral("Home"));
    TDList* garden = list(QStringLiteral("Garden"), home);
    addTask(garden, QStringLiteral("mow"));
    addTask(list(QStringLiteral("Kitchen"), home), QStringLiteral("descale"));
    list(QStringLiteral("Errands"));
    processChanges();
    const QString path = QDir(tempPath()).filePath(QStringLiteral("Home.plist"));
    ASSERT_TRUE(platform::writePropertyListFile(path, home->propertyListRepresentationForCopying()).ok());

    const Result<TDGroup*> imported = TDImportGroupFromPropertyList(library(), path);

    ASSERT_TRUE(imported.ok()) << imported.error().detailedDescription().toStdString();
    EXPECT_TRUE((*imported)->isFolder());
    EXPECT_EQ(topFolders().last(), *imported);
    EXPECT_EQ(titlesOf(topFolders()).count(QStringLiteral("Home")), 2);
    const QList<TDGroup*> lists = (*imported)->orderedSubgroups()->objectsAs<TDGroup>();
    ASSERT_EQ(titlesOf(lists), (QStringList{QStringLiteral("Garden"), QStringLiteral("Kitchen")}));
    ASSERT_EQ(lists.first()->orderedTasks()->count(), 1);
    EXPECT_EQ(TDTask::from(lists.first()->orderedTasks()->objectAtIndex(0))->title(), QStringLiteral("mow"));
    processChanges();
    EXPECT_TRUE(manager->saveLibrary());
}

TEST_F(DebugLibraryCommandsTest, AFileThatIsNotAGroupsFormSaysWhyAndChangesNothing) {
    const QVariantMap badTask{{QStringLiteral("title"), QStringLiteral("bad")},
                              {QStringLiteral("priority"), QStringLiteral("high")}};
    const QVariantMap badList{{QStringLiteral("title"), QStringLiteral("Shops")},
                              {QStringLiteral("type"), QStringLiteral("list")},
                              {QStringLiteral("tasks"), QVariantList{badTask}}};
    const struct {
        const char* name;
        QByteArray bytes;
        const char* says;
    } cases[] = {
        {"garbage.xml", "<plist><dict><key>title", "could not be read as a property list"},
        {"array.plist", *platform::writePropertyList(QVariantList{QStringLiteral("Home")}),
         "does not hold a group"},
        {"tag.plist",
         *platform::writePropertyList(QVariantMap{{QStringLiteral("title"), QStringLiteral("urgent")},
                                                  {QStringLiteral("type"), QStringLiteral("tag")}}),
         "does not hold a group that goes among the lists"},
        {"badtask.plist",
         *platform::writePropertyList(QVariantMap{{QStringLiteral("title"), QStringLiteral("Home")},
                                                  {QStringLiteral("type"), QStringLiteral("folder")},
                                                  {QStringLiteral("subgroups"), QVariantList{badList}}}),
         ""},
    };
    list(QStringLiteral("Errands"));
    processChanges();
    const QStringList folders = titlesOf(topFolders());
    const qsizetype groupCount = liveCount(library()->allGroups());
    const qsizetype taskCount = liveCount(library()->allTasks());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result<TDGroup*> imported =
            TDImportGroupFromPropertyList(library(), writeFile(QString::fromLatin1(c.name), c.bytes));
        ASSERT_FALSE(imported.ok());
        EXPECT_FALSE(imported.error().description.isEmpty());
        EXPECT_TRUE(imported.error().description.contains(QString::fromLatin1(c.says)))
            << imported.error().description.toStdString();
        processChanges();
        EXPECT_EQ(titlesOf(topFolders()), folders);
        EXPECT_EQ(liveCount(library()->allGroups()), groupCount);
        EXPECT_EQ(liveCount(library()->allTasks()), taskCount);
    }
    EXPECT_FALSE(
        TDImportGroupFromPropertyList(library(), QDir(tempPath()).filePath(QStringLiteral("none.plist")))
            .ok());
    EXPECT_TRUE(manager->saveLibrary());
}

}  // namespace
}  // namespace apptest
