// Restoring backups written by someone else: damaged object graphs, newer versions, oversized files.
#include "tests/store/library_manager_fixture.h"

#include "foundation/data_additions.h"
#include "model/folder.h"
#include "model/library.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "model/task_lsm_classifier.h"
#include "platform/lsm/semantic_map.h"
#include "platform/plist/property_list.h"
#include "store/library_backup.h"
#include "store/library_maintenance.h"
#include "store/library_maintenance_support.h"
#include "store/property_list_export_operation.h"
#include "store/property_list_library_restore_operation.h"
#include "tests/support/core/recording_operation_delegate.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <functional>

namespace storetest {
namespace {

const QString kMissing = QStringLiteral("00000000DEADBEEF");

class LibraryRestoreTest : public LibraryManagerTest {
public:
    // The library: Folders > "Outer" > "Inner" > list "Deep" with a task "deep task"; list "Errands"
    // with "first", "second" and "third", and "step" below "first". Saved and exported.
    void SetUp() override {
        LibraryManagerTest::SetUp();
        TDLibrary* library = createLibrary();
        ASSERT_TRUE(library);
        TDFolder* outer = library->createFolder(QStringLiteral("Outer"), library->foldersGroup());
        TDFolder* inner = library->createFolder(QStringLiteral("Inner"), outer);
        TDList* deep = library->createList(QStringLiteral("Deep"), inner);
        TDList* errands = library->createList(QStringLiteral("Errands"), library->foldersGroup());
        makeTask(QStringLiteral("deep task"), deep);
        TDTask* first = makeTask(QStringLiteral("first"), errands);
        makeTask(QStringLiteral("second"), errands);
        makeTask(QStringLiteral("third"), errands);
        TDTask* step = library->createOrphanTask();
        step->setTitle(QStringLiteral("step"));
        first->addSubtasks({step});
        ASSERT_TRUE(manager->saveLibrary());
        manager->finishPendingOperations();
        const QString exported = QDir(tempPath()).filePath(QStringLiteral("out.odlbackup"));
        std::make_shared<TDPropertyListExportOperation>(packagePath(), exported)->start();
        const Result<QVariant> read = platform::readPropertyListFile(exported, 1 << 30);
        ASSERT_TRUE(read.ok());
        backup = read->toMap();
        titles = allTitles(library);
    }

    TDTask* makeTask(const QString& title, TDGroup* list) {
        TDTask* task = manager->library()->createOrphanTask();
        task->setTitle(title);
        EXPECT_TRUE(list->orderedTasks()->addObject(task).ok());
        return task;
    }

    static QStringList allTitles(TDLibrary* library) {
        QStringList all;
        for (TDTask* task : library->allTasks())
            if (!task->isDeleted()) all.append(task->title());
        all.sort();
        return all;
    }

    // The UID of the object of `entity` titled `title`.
    QString uidOf(const QString& entity, const QString& title) const {
        const QVariantMap objects = backup.value(TDBackupEntitiesKey).toMap().value(entity).toMap();
        for (auto it = objects.cbegin(); it != objects.cend(); ++it)
            if (it.value().toMap().value(QStringLiteral("title")) == title) return it.key();
        ADD_FAILURE() << "no " << entity.toStdString() << " titled " << title.toStdString();
        return {};
    }

    // Changes the form of one object of the backup.
    void edit(const QString& entity, const QString& uid, const std::function<void(QVariantMap&)>& change) {
        QVariantMap entities = backup.value(TDBackupEntitiesKey).toMap();
        QVariantMap objects = entities.value(entity).toMap();
        QVariantMap form = objects.value(uid).toMap();
        change(form);
        objects.insert(uid, form);
        entities.insert(entity, objects);
        backup.insert(TDBackupEntitiesKey, entities);
    }

    QString write(const QString& name, bool compressed = false) const {
        const QString path = QDir(tempPath()).filePath(name);
        const Result<QByteArray> xml = platform::writePropertyList(backup);
        EXPECT_TRUE(xml.ok());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(compressed ? *gzipCompressedData(*xml) : *xml);
        return path;
    }

    struct Outcome {
        int finished = 0;
        QList<TDError> errors;
    };

    Outcome restore(const QString& path, const TDLibraryBackupLimits& limits = {}) {
        testsupport::RecordingOperationDelegate recorder;
        auto operation = std::make_shared<TDPropertyListLibraryRestoreOperation>(path, packagePath());
        operation->setLibraryManager(manager.get());
        operation->setDelegate(&recorder);
        operation->setLimits(limits);
        operation->start();
        return {recorder.finished.load(), recorder.errors};
    }

    QByteArray storeBytes() const {
        QFile store(QDir(packagePath()).filePath(QStringLiteral("library.sqlite3")));
        return store.open(QIODevice::ReadOnly) ? store.readAll() : QByteArray();
    }

    QVariantMap backup;
    QStringList titles;
};

// What a backup may hold that the program never writes.
struct Damage {
    const char* name;
    std::function<void(LibraryRestoreTest&)> apply;
};
void PrintTo(const Damage& damage, std::ostream* out) {
    *out << damage.name;
}

class HostileBackupTest : public LibraryRestoreTest, public ::testing::WithParamInterface<Damage> {};

// Every task of `tasks` hangs below the next one in a loop, and nothing else holds them.
void loopTasks(LibraryRestoreTest& t, const QStringList& titles) {
    QStringList uids;
    for (const QString& title : titles) uids.append(t.uidOf(QStringLiteral("Task"), title));
    const QString errands = t.uidOf(QStringLiteral("List"), QStringLiteral("Errands"));
    t.edit(QStringLiteral("List"), errands, [&](QVariantMap& list) {
        QVariantList kept;
        for (const QVariant& uid : list.value(QStringLiteral("tasks")).toList())
            if (!uids.contains(uid.toString())) kept.append(uid);
        list.insert(QStringLiteral("tasks"), kept);
    });
    for (qsizetype i = 0; i < uids.size(); ++i) {
        const QString parent = uids.at((i + 1) % uids.size());
        t.edit(QStringLiteral("Task"), uids.at(i), [&](QVariantMap& task) {
            task.remove(QStringLiteral("parentList"));
            task.insert(QStringLiteral("parentTask"), parent);
        });
        t.edit(QStringLiteral("Task"), parent, [&](QVariantMap& task) {
            QVariantList subtasks = task.value(QStringLiteral("subtasks")).toList();
            subtasks.append(uids.at(i));
            task.insert(QStringLiteral("subtasks"), subtasks);
        });
    }
}

TEST_P(HostileBackupTest, RestoresIntoAValidLibraryWithEveryTaskInAList) {
    GetParam().apply(*this);
    const Outcome outcome = restore(write(QStringLiteral("hostile.odlbackup.gz"), true));
    ASSERT_TRUE(outcome.errors.isEmpty())
        << outcome.errors.first().userInfo.value(QStringLiteral("underlyingError")).toString().toStdString();
    EXPECT_EQ(outcome.finished, 1);

    ASSERT_TRUE(newManager().loadLibrary().ok());
    TDLibrary* library = manager->library();
    EXPECT_TRUE(TDValidateLibrary(library));
    const librarymaintenance::ArchivePartition partition = librarymaintenance::archivePartition(library);
    for (TDTask* task : library->allTasks())
        EXPECT_TRUE(partition.unarchived.contains(task) || partition.archived.contains(task))
            << task->title().toStdString() << " is in no list";
    EXPECT_EQ(allTitles(library), titles);
}

INSTANTIATE_TEST_SUITE_P(
    Damages, HostileBackupTest,
    ::testing::Values(
        Damage{"TaskItsOwnParent", [](LibraryRestoreTest& t) { loopTasks(t, {QStringLiteral("second")}); }},
        Damage{"TasksInALoop",
               [](LibraryRestoreTest& t) {
                   loopTasks(t, {QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")});
               }},
        Damage{"FoldersInsideEachOther",
               [](LibraryRestoreTest& h) {
                   const QString outer = h.uidOf(QStringLiteral("Folder"), QStringLiteral("Outer"));
                   const QString inner = h.uidOf(QStringLiteral("Folder"), QStringLiteral("Inner"));
                   h.edit(QStringLiteral("Folder"), outer,
                          [&](QVariantMap& folder) { folder.insert(QStringLiteral("parentGroup"), inner); });
                   h.edit(QStringLiteral("Folder"), inner, [&](QVariantMap& folder) {
                       folder.insert(
                           QStringLiteral("subgroups"),
                           QVariantList{h.uidOf(QStringLiteral("List"), QStringLiteral("Deep")), outer});
                   });
                   h.edit(QStringLiteral("Folder"), TDLibrary::FoldersGroupUID, [&](QVariantMap& folder) {
                       QVariantList subgroups = folder.value(QStringLiteral("subgroups")).toList();
                       subgroups.removeAll(outer);
                       folder.insert(QStringLiteral("subgroups"), subgroups);
                   });
               }},
        Damage{"ReferencesToObjectsItLacks",
               [](LibraryRestoreTest& h) {
                   const QString third = h.uidOf(QStringLiteral("Task"), QStringLiteral("third"));
                   h.edit(QStringLiteral("Task"), third, [](QVariantMap& task) {
                       task.insert(QStringLiteral("parentList"), kMissing);
                       task.insert(QStringLiteral("tags"), QVariantList{kMissing});
                       task.insert(QStringLiteral("notes"), kMissing);
                       task.insert(QStringLiteral("notesUID"), kMissing);
                       task.insert(QStringLiteral("subtasks"), QVariantList{kMissing});
                   });
                   const QString errands = h.uidOf(QStringLiteral("List"), QStringLiteral("Errands"));
                   h.edit(QStringLiteral("List"), errands, [&](QVariantMap& list) {
                       QVariantList tasks = list.value(QStringLiteral("tasks")).toList();
                       tasks.removeAll(third);
                       list.insert(QStringLiteral("tasks"), tasks);
                   });
                   const QString outer = h.uidOf(QStringLiteral("Folder"), QStringLiteral("Outer"));
                   h.edit(QStringLiteral("Folder"), outer, [](QVariantMap& folder) {
                       folder.insert(QStringLiteral("parentGroup"), kMissing);
                   });
                   h.edit(QStringLiteral("Folder"), TDLibrary::FoldersGroupUID, [&](QVariantMap& folder) {
                       QVariantList subgroups = folder.value(QStringLiteral("subgroups")).toList();
                       subgroups.removeAll(outer);
                       folder.insert(QStringLiteral("subgroups"), subgroups);
                   });
               }}),
    [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

TEST_F(LibraryRestoreTest, TheRestoredPackageHoldsTheTagPredictionsOfItsTasks) {
    const QString dataPath = QDir(packagePath()).filePath(TDTaskLSMClassifier::DataFileName);
    ASSERT_TRUE(manager->close().ok());
    ASSERT_TRUE(QFile::remove(dataPath));
    const Outcome outcome = restore(write(QStringLiteral("plain.odlbackup.gz"), true));
    ASSERT_TRUE(outcome.errors.isEmpty());

    // Learnt from the restored tasks before the package took the old one's place.
    const Result<platform::SemanticMap> map = platform::SemanticMap::readFromFile(dataPath);
    ASSERT_TRUE(map.ok()) << map.error().description.toStdString();
    const auto scores = map->evaluate(QStringLiteral("deep task"), 1);
    ASSERT_TRUE(scores.ok());
    EXPECT_FALSE(scores->isEmpty());
    ASSERT_TRUE(newManager().loadLibrary().ok());
    EXPECT_EQ(allTitles(manager->library()), titles);
}

TEST_F(LibraryRestoreTest, AnOlderRestoredLibraryIsUpgradedWithNothingLeftToProcessAndOneArchive) {
    // Its data is brought up to date at the first open: a library of an older program, as it claims.
    const QVariantMap libraries =
        backup.value(TDBackupEntitiesKey).toMap().value(QStringLiteral("Library")).toMap();
    ASSERT_EQ(libraries.size(), 1);
    edit(QStringLiteral("Library"), libraries.firstKey(),
         [](QVariantMap& form) { form.insert(QStringLiteral("version"), 0.9); });
    ASSERT_TRUE(manager->close().ok());
    ASSERT_TRUE(restore(write(QStringLiteral("older.odlbackup.gz"), true)).errors.isEmpty());

    ASSERT_TRUE(newManager().loadLibrary().ok());
    TDLibrary* library = manager->library();
    // Every restored task noted as modified would make the first save process the whole library.
    EXPECT_TRUE(library->modifiedTasks().isEmpty());
    EXPECT_TRUE(library->modifiedGroups().isEmpty());
    const QList<TDGroup*> groups = library->allGroups();
    EXPECT_EQ(
        std::count_if(groups.begin(), groups.end(),
                      [](TDGroup* g) { return g->isSpecial() && g->title() == QStringLiteral("Archive"); }),
        1);
    EXPECT_EQ(allTitles(library), titles);
}

TEST_F(LibraryRestoreTest, ABackupOfANewerVersionIsRefusedAsSuchWhateverElseItHolds) {
    // A newer program may write keys and entities this one does not know.
    backup.insert(TDBackupLibraryVersionKey, 2.0);
    backup.insert(QStringLiteral("TDSomethingNew"), QStringLiteral("new"));
    QVariantMap entities = backup.value(TDBackupEntitiesKey).toMap();
    entities.insert(QStringLiteral("Gadget"),
                    QVariantMap{{QStringLiteral("0000000000000001"), QVariantMap()}});
    backup.insert(TDBackupEntitiesKey, entities);
    const QByteArray before = storeBytes();
    for (const bool compressed : {false, true}) {
        const Outcome outcome = restore(
            write(QStringLiteral("newer.odlbackup") + (compressed ? QStringLiteral(".gz") : QString()),
                  compressed));
        ASSERT_EQ(outcome.errors.size(), 1);
        EXPECT_EQ(outcome.errors.first().code, 101);
        EXPECT_EQ(outcome.errors.first().description, QStringLiteral("Can not restore from backup"));
        EXPECT_EQ(outcome.finished, 0);
        EXPECT_NE(manager->library(), nullptr);
    }
    EXPECT_EQ(storeBytes(), before);
}

TEST_F(LibraryRestoreTest, ABackupBeyondTheCapsIsRefusedClearlyAndTheLibraryIsUntouched) {
    const QString plain = write(QStringLiteral("big.odlbackup"));
    const QString compressed = write(QStringLiteral("big.odlbackup.gz"), true);
    const qsizetype objects = [&] {
        qsizetype count = 0;
        for (const QVariant& forms : backup.value(TDBackupEntitiesKey).toMap()) count += forms.toMap().size();
        return count;
    }();
    const qsizetype xmlSize = QFileInfo(plain).size();
    struct Case {
        QString path;
        TDLibraryBackupLimits limits;
        QString says;
    };
    const QList<Case> cases = {
        {compressed,
         {1 << 20, 1 << 30, objects - 1},
         QStringLiteral("more than %1 objects").arg(objects - 1)},
        {compressed,
         {1 << 20, xmlSize - 1, 1 << 20},
         QStringLiteral("inflates to more than %1 bytes").arg(xmlSize - 1)},
        {plain, {1 << 20, xmlSize - 1, 1 << 20}, QStringLiteral("larger than %1 bytes").arg(xmlSize - 1)},
        {compressed, {QFileInfo(compressed).size() - 1, 1 << 30, 1 << 20}, QStringLiteral("larger than")},
    };
    const QByteArray before = storeBytes();
    for (const Case& c : cases) {
        const Outcome outcome = restore(c.path, c.limits);
        ASSERT_EQ(outcome.errors.size(), 1) << c.says.toStdString();
        EXPECT_EQ(outcome.errors.first().code, 200);
        EXPECT_TRUE(outcome.errors.first().recoverySuggestion.contains(c.says))
            << outcome.errors.first().recoverySuggestion.toStdString();
        EXPECT_EQ(outcome.finished, 0);
        EXPECT_NE(manager->library(), nullptr);
    }
    EXPECT_EQ(storeBytes(), before);
    // Exactly at the caps it restores.
    EXPECT_EQ(restore(compressed, {QFileInfo(compressed).size(), xmlSize, objects}).finished, 1);
}

}  // namespace
}  // namespace storetest
