#include "tests/store/library_manager_fixture.h"

#include "foundation/data_additions.h"
#include "model/library.h"
#include "model/library_model.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/object_model.h"
#include "platform/operations/operation_queue.h"
#include "platform/plist/property_list.h"
#include "store/import_progress.h"
#include "store/library_backup.h"
#include "store/library_backup_organize_operation.h"
#include "store/property_list_export_operation.h"
#include "store/property_list_library_restore_operation.h"
#include "tests/support/core/recording_operation_delegate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimeZone>

#include <sys/inotify.h>
#include <unistd.h>

namespace storetest {
namespace {

// The bytes of a small backup that reads back whole, compressed or not.
QByteArray wholeBackupBytes(bool compressed) {
    const QByteArray plist =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict/></plist>\n";
    return compressed ? *gzipCompressedData(plist) : plist;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class LibraryBackupTest : public LibraryManagerTest {
protected:
    // A library with a folder of lists, tasks with sub-tasks, tags, far dates and numbers, saved.
    TDLibrary* createFixtureLibrary() {
        TDLibrary* library = createLibrary();
        if (!library) return nullptr;
        clock->advanceSeconds(3600);
        TDList* list =
            library->createList(QStringLiteral("Errands"), library->groupWithUID(TDLibrary::FoldersGroupUID));
        TDTag* home = library->createTagWithTitle(QStringLiteral("home"));
        TDTag* phone = library->createTagWithTitle(QStringLiteral("phone"));
        addTasksAndSave(*library, list, 6, [&](TDTask& task, int i) {
            task.setTitle(QStringLiteral("Task %1 <&> ü").arg(i));
            task.setValue(QStringLiteral("priority"), qint64(i % 3));
            task.setValue(QStringLiteral("estimatedTime"), 0.1 * i);
            if (i == 2) task.setDueDate(QDateTime(QDate(2100, 3, 1), QTime(9, 0), QTimeZone::utc()));
            if (i == 3) task.setStartDate(QDateTime(QDate(1920, 5, 4), QTime(8, 0), QTimeZone::utc()));
            task.addObjects(QStringLiteral("tags"),
                            {i % 2 ? static_cast<platform::ManagedObject*>(home) : phone});
        });
        return library;
    }

    QString backupPath(const QString& name) const { return QDir(tempPath()).filePath(name); }

    // Exports the package's saved library to a file, on the calling thread.
    QVariantMap exportedBackup(const QString& path) {
        auto exporter = std::make_shared<TDPropertyListExportOperation>(packagePath(), path);
        exporter->start();
        const Result<QVariant> read = platform::readPropertyListFile(path, 1 << 30);
        EXPECT_TRUE(read.ok()) << (read.ok() ? "" : read.error().description.toStdString());
        return read.ok() ? read->toMap() : QVariantMap();
    }

    struct Outcome {
        int finished = 0;
        QList<TDError> errors;
    };

    // Restores the file over the open library on the calling thread.
    Outcome restore(const QString& path) {
        testsupport::RecordingOperationDelegate recorder;
        auto restore = std::make_shared<TDPropertyListLibraryRestoreOperation>(path, packagePath());
        restore->setLibraryManager(manager.get());
        restore->setDelegate(&recorder);
        restore->start();
        return {recorder.finished.load(), recorder.errors};
    }

    // Temporary or set-aside items left in the package's folder: hidden names, and files that are
    // neither backups nor notes (a half-written save file).
    QStringList strayItems() const {
        QStringList stray;
        const QDir dir(tempPath());
        for (const QFileInfo& item :
             dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
            const QString name = item.fileName();
            if (name.startsWith(QLatin1Char('.')) || name.contains(QLatin1String("before restore")) ||
                (item.isFile() && !name.endsWith(QLatin1String(".odlbackup")) &&
                 !name.endsWith(QLatin1String(".odlbackup.gz")) && !name.endsWith(QLatin1String(".txt"))))
                stray.append(name);
        }
        return stray;
    }
};

QVariantMap entitiesOf(const QVariantMap& backup) {
    return backup.value(TDBackupEntitiesKey).toMap();
}

TEST_F(LibraryBackupTest, ExportWritesTheSixKeysAndEveryObjectUnderItsOwnEntity) {
    ASSERT_TRUE(createFixtureLibrary());
    const QVariantMap backup = exportedBackup(backupPath(QStringLiteral("out-1.odlbackup")));
    EXPECT_EQ(backup.keys(), (QStringList{TDBackupApplicationShortVersionKey, TDBackupApplicationVersionKey,
                                          TDBackupEntitiesKey, TDBackupLibraryVersionKey,
                                          TDBackupSaveIdentifierKey, TDBackupSavedDateKey}));
    EXPECT_EQ(backup.value(TDBackupLibraryVersionKey).toDouble(), 1.0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{16}$"))
                    .match(backup.value(TDBackupSaveIdentifierKey).toString())
                    .hasMatch());
    const QVariantMap entities = entitiesOf(backup);
    EXPECT_EQ(entities.value(QStringLiteral("Library")).toMap().size(), 1);
    EXPECT_EQ(entities.value(QStringLiteral("Tag")).toMap().size(),
              manager->library()->fetch(QStringLiteral("Tag"))->size());
    const auto model = TDLibraryObjectModel();
    for (auto it = entities.cbegin(); it != entities.cend(); ++it) {
        EXPECT_NE((*model)->entity(it.key())->userInfoValue(TDExcludeFromPlistKey), QStringLiteral("YES"))
            << it.key().toStdString();
        EXPECT_FALSE(it.value().toMap().isEmpty()) << it.key().toStdString();
    }
    // A task due in 2100 does not stop the backup.
    bool far = false;
    for (const QVariant& task : entities.value(QStringLiteral("Task")).toMap())
        far = far || task.toMap().value(QStringLiteral("dueDate")).toDateTime().date().year() == 2100;
    EXPECT_TRUE(far);

    // A second export differs only in its date and identifier.
    clock->advanceSeconds(10);
    QVariantMap again = exportedBackup(backupPath(QStringLiteral("out-2.odlbackup")));
    EXPECT_NE(again.value(TDBackupSaveIdentifierKey), backup.value(TDBackupSaveIdentifierKey));
    EXPECT_NE(again.value(TDBackupSavedDateKey), backup.value(TDBackupSavedDateKey));
    again.insert(TDBackupSaveIdentifierKey, backup.value(TDBackupSaveIdentifierKey));
    again.insert(TDBackupSavedDateKey, backup.value(TDBackupSavedDateKey));
    EXPECT_EQ(again, backup);
}

// The rolling backups are compressed as they are made: inflated, they are the plain export byte for
// byte but for the save's identifier, and the backup reader takes every object from them.
TEST_F(LibraryBackupTest, ACompressedExportInflatesToThePlainExport) {
    ASSERT_TRUE(createFixtureLibrary());
    const QString plainPath = backupPath(QStringLiteral("same.odlbackup"));
    const QString gzipPath = backupPath(QStringLiteral("same.odlbackup.gz"));
    std::make_shared<TDPropertyListExportOperation>(packagePath(), plainPath)->start();
    std::make_shared<TDPropertyListExportOperation>(packagePath(), gzipPath, TDBackupCompression::Gzip)
        ->start();
    QFile plainFile(plainPath);
    QFile gzipFile(gzipPath);
    ASSERT_TRUE(plainFile.open(QIODevice::ReadOnly));
    ASSERT_TRUE(gzipFile.open(QIODevice::ReadOnly));
    const QByteArray plain = plainFile.readAll();
    const QByteArray compressed = gzipFile.readAll();
    ASSERT_TRUE(compressed.startsWith("\x1f\x8b"));
    EXPECT_LT(compressed.size(), plain.size() / 2);
    const Result<QByteArray> inflated = gzipDecompressedData(compressed);
    ASSERT_TRUE(inflated.ok());

    const auto model = TDLibraryObjectModel();
    const TDLibraryBackupSummary plainSummary = TDReadLibraryBackupSummary(plainPath, **model);
    const TDLibraryBackupSummary gzipSummary = TDReadLibraryBackupSummary(gzipPath, **model);
    ASSERT_TRUE(gzipSummary.problem.ok()) << gzipSummary.problem.error().description.toStdString();
    const QByteArray plainIdentifier =
        plainSummary.header.value(TDBackupSaveIdentifierKey).toString().toUtf8();
    const QByteArray gzipIdentifier = gzipSummary.header.value(TDBackupSaveIdentifierKey).toString().toUtf8();
    ASSERT_FALSE(gzipIdentifier.isEmpty());
    EXPECT_EQ(QByteArray(*inflated).replace(gzipIdentifier, plainIdentifier), plain);

    EXPECT_EQ(gzipSummary.identifiers, plainSummary.identifiers);
    qsizetype objectsRead = 0;
    const Status read =
        TDReadLibraryBackupObjects(gzipPath, {}, [&](const QString&, const QString&, const QVariantMap&) {
            ++objectsRead;
            return Status();
        });
    ASSERT_TRUE(read.ok()) << read.error().description.toStdString();
    EXPECT_EQ(objectsRead, gzipSummary.objectCount);
    EXPECT_GT(objectsRead, 20);
}

TEST_F(LibraryBackupTest, ACancelledOrFailedExportLeavesTheOutputAsItWasAndNoTemporaryFile) {
    ASSERT_TRUE(createFixtureLibrary());
    const QString path = backupPath(QStringLiteral("out-kept.odlbackup"));
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    auto exporter = std::make_shared<TDPropertyListExportOperation>(packagePath(), path);
    exporter->cancel();
    exporter->start();
    // Into a folder that is not there.
    auto failing = std::make_shared<TDPropertyListExportOperation>(packagePath(), path);
    EXPECT_FALSE(failing->exportLibrary(QDir(tempPath()).filePath(QStringLiteral("missing/x.odlbackup"))));
    QFile check(path);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray("old"));
    EXPECT_EQ(strayItems(), QStringList());
}

TEST_F(LibraryBackupTest, ABackedUpAndRestoredLibraryIsEqualObjectByObject) {
    ASSERT_TRUE(createFixtureLibrary());
    const QString path = backupPath(QStringLiteral("in-fixture.odlbackup.gz"));
    const QVariantMap before = exportedBackup(backupPath(QStringLiteral("out-before.odlbackup")));
    QFile plain(backupPath(QStringLiteral("out-before.odlbackup")));
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
    QFile gz(path);
    ASSERT_TRUE(gz.open(QIODevice::WriteOnly));
    gz.write(*gzipCompressedData(plain.readAll()));
    gz.close();

    // Changes after the backup are undone by the restore.
    manager->library()->createTask()->setTitle(QStringLiteral("After the backup"));
    ASSERT_TRUE(manager->saveLibrary());
    manager->finishPendingOperations();
    clock->advanceSeconds(3600);

    const Outcome outcome = restore(path);
    ASSERT_TRUE(outcome.errors.isEmpty())
        << outcome.errors.first().userInfo.value(QStringLiteral("underlyingError")).toString().toStdString();
    EXPECT_EQ(outcome.finished, 1);
    EXPECT_EQ(manager->library(), nullptr);  // closed for the swap
    EXPECT_EQ(strayItems(), QStringList());
    const QStringList trashed = QDir(QDir(tempPath()).filePath(QStringLiteral("xdg_data_home/Trash/files")))
                                    .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(trashed.size(), 1);
    EXPECT_TRUE(trashed.first().startsWith(QLatin1String("Ordello Library (before restore 2026-12-09-")))
        << trashed.first().toStdString();

    ASSERT_TRUE(newManager().loadLibrary().ok());
    const QVariantMap after = exportedBackup(backupPath(QStringLiteral("out-after.odlbackup")));
    const QVariantMap a = entitiesOf(before);
    const QVariantMap b = entitiesOf(after);
    EXPECT_EQ(a.keys(), b.keys());
    for (auto entity = a.cbegin(); entity != a.cend(); ++entity) {
        const QVariantMap objects = entity.value().toMap();
        const QVariantMap restored = b.value(entity.key()).toMap();
        EXPECT_EQ(objects.keys(), restored.keys()) << entity.key().toStdString();
        for (auto object = objects.cbegin(); object != objects.cend(); ++object)
            EXPECT_EQ(object.value(), restored.value(object.key()))
                << entity.key().toStdString() << " " << object.key().toStdString();
    }
    const QVariantMap info =
        platform::readPropertyListFile(QDir(packagePath()).filePath(QStringLiteral("Info.plist")))->toMap();
    EXPECT_EQ(info.value(TDBackupLibraryVersionKey).toDouble(), 1.0);
    EXPECT_EQ(info.value(TDBackupSavedDateKey), before.value(TDBackupSavedDateKey));
}

// Writes a backup file from a root dictionary.
void writeBackup(const QString& path, const QVariant& root) {
    ASSERT_TRUE(platform::writePropertyListFile(path, root).ok());
}

TEST_F(LibraryBackupTest, AnOlderBackupKeepsItsVersionWhileInfoSaysTheStoreIsCurrent) {
    ASSERT_TRUE(createFixtureLibrary());
    QVariantMap backup = exportedBackup(backupPath(QStringLiteral("out-old.odlbackup")));
    backup.insert(TDBackupLibraryVersionKey, 0.95);
    backup.remove(TDBackupSavedDateKey);
    const QString path = backupPath(QStringLiteral("in-old.odlbackup"));
    writeBackup(path, backup);
    const Outcome outcome = restore(path);
    ASSERT_TRUE(outcome.errors.isEmpty());
    const QVariantMap info =
        platform::readPropertyListFile(QDir(packagePath()).filePath(QStringLiteral("Info.plist")))->toMap();
    EXPECT_EQ(info.value(TDBackupLibraryVersionKey).toDouble(), 1.0);
    EXPECT_FALSE(info.contains(TDBackupSavedDateKey));
    const auto loaded = newManager().loadLibrary();
    ASSERT_TRUE(loaded.ok()) << loaded.error().detailedDescription().toStdString();
}

TEST_F(LibraryBackupTest, VersionsAreComparedAtFiveDecimals) {
    ASSERT_TRUE(createFixtureLibrary());
    QVariantMap backup = exportedBackup(backupPath(QStringLiteral("out-v.odlbackup")));
    backup.insert(TDBackupLibraryVersionKey, 1.00001);
    writeBackup(backupPath(QStringLiteral("in-newer.odlbackup")), backup);
    const Outcome newer = restore(backupPath(QStringLiteral("in-newer.odlbackup")));
    ASSERT_EQ(newer.errors.size(), 1);
    EXPECT_EQ(newer.errors.first().code, 101);
    EXPECT_EQ(newer.errors.first().description, QStringLiteral("Can not restore from backup"));
    EXPECT_EQ(
        newer.errors.first().recoverySuggestion,
        QStringLiteral(
            "The backup file 'in-newer.odlbackup' was created from a newer version of the application."));
    EXPECT_NE(manager->library(), nullptr);

    backup.insert(TDBackupLibraryVersionKey, 1.000001);
    writeBackup(backupPath(QStringLiteral("in-same.odlbackup")), backup);
    EXPECT_EQ(restore(backupPath(QStringLiteral("in-same.odlbackup"))).finished, 1);
}

TEST_F(LibraryBackupTest, BrokenBackupsAreRefusedWithTheLibraryUntouched) {
    ASSERT_TRUE(createFixtureLibrary());
    const QString goodPath = backupPath(QStringLiteral("out-good.odlbackup"));
    const QVariantMap good = exportedBackup(goodPath);
    QFile goodFile(goodPath);
    ASSERT_TRUE(goodFile.open(QIODevice::ReadOnly));
    const QByteArray goodBytes = goodFile.readAll();
    const QByteArray goodGzip = *gzipCompressedData(goodBytes);
    const QVariantMap entities = entitiesOf(good);
    const QString someTask = entities.value(QStringLiteral("Task")).toMap().firstKey();

    const auto edited = [&](const std::function<void(QVariantMap&)>& edit) {
        QVariantMap copy = good;
        edit(copy);
        return *platform::writePropertyList(copy);
    };
    const auto editedEntities = [&](const std::function<void(QVariantMap&)>& edit) {
        return edited([&](QVariantMap& root) {
            QVariantMap e = entitiesOf(root);
            edit(e);
            root.insert(TDBackupEntitiesKey, e);
        });
    };
    const auto editedTask = [&](const QString& key, const QVariant& value) {
        return editedEntities([&](QVariantMap& e) {
            QVariantMap tasks = e.value(QStringLiteral("Task")).toMap();
            QVariantMap task = tasks.value(someTask).toMap();
            task.insert(key, value);
            tasks.insert(someTask, task);
            e.insert(QStringLiteral("Task"), tasks);
        });
    };

    QList<QPair<QString, QByteArray>> cases = {
        {QStringLiteral("empty"), QByteArray()},
        {QStringLiteral("not xml"), QByteArray("hello")},
        {QStringLiteral("binary garbage"), QByteArray("bplist00\x01\x02", 10)},
        {QStringLiteral("root is an array"), *platform::writePropertyList(QVariantList{good})},
        {QStringLiteral("unknown root key"),
         edited([](QVariantMap& r) { r.insert(QStringLiteral("Extra"), 1); })},
        {QStringLiteral("version is text"),
         edited([](QVariantMap& r) { r.insert(TDBackupLibraryVersionKey, QStringLiteral("1.0")); })},
        {QStringLiteral("version negative"),
         edited([](QVariantMap& r) { r.insert(TDBackupLibraryVersionKey, -1.0); })},
        {QStringLiteral("version missing"),
         edited([](QVariantMap& r) { r.remove(TDBackupLibraryVersionKey); })},
        {QStringLiteral("entities missing"), edited([](QVariantMap& r) { r.remove(TDBackupEntitiesKey); })},
        {QStringLiteral("entities an array"),
         edited([](QVariantMap& r) { r.insert(TDBackupEntitiesKey, QVariantList()); })},
        {QStringLiteral("saved date is text"),
         edited([](QVariantMap& r) { r.insert(TDBackupSavedDateKey, QStringLiteral("today")); })},
        {QStringLiteral("no library"),
         editedEntities([](QVariantMap& e) { e.remove(QStringLiteral("Library")); })},
        {QStringLiteral("two libraries"), editedEntities([](QVariantMap& e) {
             QVariantMap libraries = e.value(QStringLiteral("Library")).toMap();
             libraries.insert(QStringLiteral("0000000000000001"), QVariantMap());
             e.insert(QStringLiteral("Library"), libraries);
         })},
        {QStringLiteral("unknown entity"), editedEntities([](QVariantMap& e) {
             e.insert(QStringLiteral("Gadget"), QVariantMap{{QStringLiteral("A"), QVariantMap()}});
         })},
        {QStringLiteral("objects not a dictionary"),
         editedEntities([](QVariantMap& e) { e.insert(QStringLiteral("Task"), QVariantList{1}); })},
        {QStringLiteral("object not a dictionary"), editedEntities([&](QVariantMap& e) {
             QVariantMap tasks = e.value(QStringLiteral("Task")).toMap();
             tasks.insert(someTask, QStringLiteral("task"));
             e.insert(QStringLiteral("Task"), tasks);
         })},
        {QStringLiteral("uid disagrees"),
         editedTask(QStringLiteral("uid"), QStringLiteral("FFFFFFFFFFFFFFFF"))},
        {QStringLiteral("uid used twice"), editedEntities([&](QVariantMap& e) {
             QVariantMap tags = e.value(QStringLiteral("Tag")).toMap();
             tags.insert(someTask, QVariantMap());
             e.insert(QStringLiteral("Tag"), tags);
         })},
        {QStringLiteral("title a number"), editedTask(QStringLiteral("title"), 12)},
        {QStringLiteral("priority text"), editedTask(QStringLiteral("priority"), QStringLiteral("high"))},
        {QStringLiteral("due date a number"), editedTask(QStringLiteral("dueDate"), 3.5)},
        {QStringLiteral("subtasks not a list"), editedTask(QStringLiteral("subtasks"), QStringLiteral("A"))},
        {QStringLiteral("tags of numbers"), editedTask(QStringLiteral("tags"), QVariantList{1, 2})},
    };
    for (const qsizetype cut :
         {qsizetype(1), qsizetype(20), goodBytes.size() / 3, goodBytes.size() / 2, goodBytes.size() - 12})
        cases.append({QStringLiteral("xml cut at %1").arg(cut), goodBytes.left(cut)});
    for (int i = 1; i < 12; ++i)
        cases.append({QStringLiteral("gzip cut %1").arg(i), goodGzip.left(goodGzip.size() * i / 12)});
    QByteArray flipped = goodGzip;
    flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 0x55);
    cases.append({QStringLiteral("gzip corrupt"), flipped});

    const QByteArray storeBefore = [&] {
        QFile store(manager->storePath());
        store.open(QIODevice::ReadOnly);
        return store.readAll();
    }();
    int n = 0;
    for (const auto& [name, bytes] : cases) {
        const bool gzip = name.startsWith(QLatin1String("gzip"));
        const QString path = backupPath(
            QStringLiteral("in-%1.odlbackup%2").arg(++n).arg(gzip ? QStringLiteral(".gz") : QString()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        delegate.errors.clear();
        const Outcome outcome = restore(path);
        EXPECT_EQ(outcome.finished, 0) << name.toStdString();
        ASSERT_EQ(outcome.errors.size(), 1) << name.toStdString();
        EXPECT_EQ(outcome.errors.first().code, 200) << name.toStdString();
        EXPECT_EQ(outcome.errors.first().description, QStringLiteral("Could not restore from backup"));
        EXPECT_NE(manager->library(), nullptr) << name.toStdString();
        EXPECT_EQ(strayItems(), QStringList()) << name.toStdString();
    }
    QFile store(manager->storePath());
    ASSERT_TRUE(store.open(QIODevice::ReadOnly));
    EXPECT_EQ(store.readAll(), storeBefore);
    manager->closeDiscardingChanges();
    ASSERT_TRUE(newManager().loadLibrary().ok());
    QVariantMap after = exportedBackup(backupPath(QStringLiteral("out-after.odlbackup")));
    EXPECT_EQ(entitiesOf(after), entities);
}

TEST_F(LibraryBackupTest, SizeCapsApplyToTheFileAndToWhatItInflatesTo) {
    ASSERT_TRUE(createFixtureLibrary());
    const QString plainPath = backupPath(QStringLiteral("out-cap.odlbackup"));
    exportedBackup(plainPath);
    QFile plain(plainPath);
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
    const QByteArray bytes = plain.readAll();
    const QString gzPath = backupPath(QStringLiteral("out-cap.odlbackup.gz"));
    QFile gz(gzPath);
    ASSERT_TRUE(gz.open(QIODevice::WriteOnly));
    const QByteArray compressed = *gzipCompressedData(bytes);
    gz.write(compressed);
    gz.close();
    const auto model = TDLibraryObjectModel();
    const auto readable = [&](const QString& path, const TDLibraryBackupLimits& limits) {
        return TDReadLibraryBackupSummary(path, **model, limits).problem.ok();
    };
    EXPECT_TRUE(readable(gzPath, {}));
    EXPECT_FALSE(readable(plainPath, {1 << 20, bytes.size() - 1}));
    EXPECT_FALSE(readable(gzPath, {compressed.size() - 1, 1 << 30}));
    EXPECT_FALSE(readable(gzPath, {1 << 20, bytes.size() - 1}));
    EXPECT_TRUE(readable(gzPath, {compressed.size(), bytes.size()}));
}

TEST_F(LibraryBackupTest, ACancelledRestoreLeavesThePreviousLibraryAndNoTemporaryPackage) {
    ASSERT_TRUE(createFixtureLibrary());
    const QString path = backupPath(QStringLiteral("in-cancel.odlbackup"));
    exportedBackup(path);
    testsupport::RecordingOperationDelegate recorder;
    auto restore = std::make_shared<TDPropertyListLibraryRestoreOperation>(path, packagePath());
    restore->setLibraryManager(manager.get());
    restore->setDelegate(&recorder);
    restore->setProgressHandler([&restore](qint64, qint64) { restore->cancel(); });
    restore->start();
    EXPECT_EQ(recorder.finished.load(), 0);
    EXPECT_TRUE(recorder.errors.isEmpty());
    EXPECT_NE(manager->library(), nullptr);
    EXPECT_EQ(strayItems(), QStringList());
}

// Backup file names made at the given UTC times.
QStringList namesAt(const QList<QDateTime>& times) {
    QStringList names;
    for (const QDateTime& time : times) names.append(TDBackupFileName(time) + QStringLiteral(".gz"));
    return names;
}

TEST(LibraryBackupPruningTest, TwoBackupsOnEachOfTenDaysKeepTheLatestDaysAndTheNewestFive) {
    QList<QDateTime> times;
    const QDate today(2026, 12, 9);
    for (int day = 9; day >= 0; --day)
        for (const QTime& time : {QTime(10, 0), QTime(10, 5)})
            times.append(QDateTime(today.addDays(-day), time, QTimeZone::utc()));
    const QStringList names = namesAt(times);
    QStringList expected;
    for (int day = 7; day >= 2; --day) expected.append(names.at((9 - day) * 2 + 1));
    expected.append(names.mid(16));
    EXPECT_EQ(TDLibraryBackupOrganizeOperation::backupNamesToKeep(names), expected);
    EXPECT_EQ(expected.size(), 10);
    EXPECT_EQ(TDLibraryBackupOrganizeOperation::backupNamesToKeep({}), QStringList());
    EXPECT_EQ(TDLibraryBackupOrganizeOperation::backupNamesToKeep(names.mid(0, 3)), names.mid(0, 3));
}

TEST(LibraryBackupPruningTest, NamesAreStampedInUtcSoTheRepeatedHourKeepsTheirOrder) {
    // 2026-10-25 in Berlin: 02:30 summer time, then 02:10 winter time, 40 minutes later.
    const QDateTime first(QDate(2026, 10, 25), QTime(0, 30), QTimeZone::utc());
    const QDateTime second = first.addSecs(40 * 60);
    ASSERT_GT(first.toLocalTime().time(), second.toLocalTime().time());
    EXPECT_LT(TDBackupFileName(first), TDBackupFileName(second));
    EXPECT_EQ(TDBackupFileName(first), QStringLiteral("backup-2026-10-25-003000.000.odlbackup"));
    // The day of a backup is its UTC day.
    const QDateTime lateBerlin(QDate(2026, 12, 10), QTime(0, 30), QTimeZone(QByteArray("Europe/Berlin")));
    EXPECT_EQ(TDBackupFileName(lateBerlin).mid(7, 10), QStringLiteral("2026-12-09"));
}

TEST_F(LibraryBackupTest, AFortnightOfSavesKeepsExactlyTheRollingSet) {
    const QString folder = QDir(packagePath()).filePath(TDBackupFolderName);
    ASSERT_TRUE(QDir().mkpath(folder));
    const auto touch = [&](const QString& name) {
        writeFile(QDir(folder).filePath(name), wholeBackupBytes(true));
    };
    touch(QStringLiteral("notes.txt"));
    touch(QStringLiteral("Backup-capital.odlbackup.gz"));
    clock->setNow(QDateTime(QDate(2026, 11, 20), QTime(7, 0), QTimeZone::utc()));
    QStringList made;
    for (int day = 0; day < 14; ++day) {
        // Saves every 3 hours from 07:00 to 22:00, but none on the 5th and 9th day.
        for (int save = 0; save < 6; ++save) {
            if (day != 4 && day != 8) {
                const QString name = TDBackupFileName(clock->now()) + QStringLiteral(".gz");
                touch(name);
                made.append(name);
                TDLibraryBackupOrganizeOperation(packagePath()).start();
            }
            clock->advanceSeconds(3 * 3600);
        }
        clock->setNow(QDateTime(clock->now().date(), QTime(7, 0), QTimeZone::utc()));
    }
    // The 5 newest (all of the last day, which had 6), and the last of each of the 7 latest days before
    // it that had backups: days 13..7, skipping day 8, reach back to day 5.
    QStringList expected;
    for (int day : {5, 6, 7, 9, 10, 11, 12}) {
        const int madeBefore = day - (day > 4) - (day > 8);
        expected.append(made.at(madeBefore * 6 + 5));
    }
    expected.append(made.mid(made.size() - 5));
    QStringList present = QDir(folder).entryList(QDir::Files | QDir::System);
    present.removeAll(TDLatestBackupLinkName);
    present.removeAll(QStringLiteral("notes.txt"));
    present.removeAll(QStringLiteral("Backup-capital.odlbackup.gz"));
    EXPECT_EQ(present, expected);
    EXPECT_TRUE(QFileInfo::exists(QDir(folder).filePath(QStringLiteral("notes.txt"))));
    EXPECT_TRUE(QFileInfo::exists(QDir(folder).filePath(QStringLiteral("Backup-capital.odlbackup.gz"))));
    // The Latest link is relative and follows the package when it moves.
    const QFileInfo link(QDir(folder).filePath(TDLatestBackupLinkName));
    EXPECT_EQ(link.symLinkTarget(), QDir(folder).filePath(made.last()));
    const QString moved = QDir(tempPath()).filePath(QStringLiteral("Moved.odllibrary"));
    ASSERT_TRUE(QDir().rename(packagePath(), moved));
    EXPECT_TRUE(
        QFileInfo(QDir(moved).filePath(TDBackupFolderName + QStringLiteral("/") + TDLatestBackupLinkName))
            .exists());
}

// A backup killed while exported or compressed leaves a temporary file, and a whole uncompressed one
// when killed between the two: the next pruning removes the temporary files and never links to one.
TEST_F(LibraryBackupTest, LeftoversOfAKilledBackupAreRemovedAndNeverLinked) {
    const QDir folder(QDir(packagePath()).filePath(TDBackupFolderName));
    ASSERT_TRUE(QDir().mkpath(folder.path()));
    const QDateTime first(QDate(2026, 12, 9), QTime(8, 0), QTimeZone::utc());
    const QString finished = TDBackupFileName(first) + QStringLiteral(".gz");
    const QString uncompressed = TDBackupFileName(first.addSecs(60));
    const QString halfCompressed = uncompressed + QStringLiteral(".gz.Ab12Cd");
    const QString halfExported = TDBackupFileName(first.addSecs(120)) + QStringLiteral(".Xy98Zw");
    writeFile(folder.filePath(finished), wholeBackupBytes(true));
    writeFile(folder.filePath(uncompressed), wholeBackupBytes(false));
    for (const QString& name : {halfCompressed, halfExported}) writeFile(folder.filePath(name), "x");
    TDLibraryBackupOrganizeOperation(packagePath()).start();
    EXPECT_EQ(folder.entryList({QStringLiteral("backup-*")}, QDir::Files, QDir::Name),
              (QStringList{finished, uncompressed}));
    // The newer backup whose compression failed is kept, but the compressed link names a compressed one.
    EXPECT_EQ(QFileInfo(folder.filePath(TDLatestBackupLinkName)).symLinkTarget(), folder.filePath(finished));

    // With only uncompressed backups left, no link claims one.
    ASSERT_TRUE(QFile::remove(folder.filePath(finished)));
    TDLibraryBackupOrganizeOperation(packagePath()).start();
    EXPECT_FALSE(QFileInfo(folder.filePath(TDLatestBackupLinkName)).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(folder.filePath(uncompressed)));
}

// Backups cut short or emptied (as a full disk left them with an earlier version) are never kept nor
// linked: the newest that reads back is Latest, and older whole ones take the places of the bad ones.
TEST_F(LibraryBackupTest, PruningNeverKeepsNorLinksABackupThatDoesNotReadBack) {
    const QDir folder(QDir(packagePath()).filePath(TDBackupFolderName));
    ASSERT_TRUE(QDir().mkpath(folder.path()));
    const QDateTime first(QDate(2026, 12, 9), QTime(8, 0), QTimeZone::utc());
    QStringList whole;
    for (int i = 0; i < 7; ++i) {
        const QString name = TDBackupFileName(first.addSecs(60 * i)) + QStringLiteral(".gz");
        writeFile(folder.filePath(name), wholeBackupBytes(true));
        whole.append(name);
    }
    const QByteArray compressed = wholeBackupBytes(true);
    const QByteArray plain = wholeBackupBytes(false);
    const QList<QPair<const char*, QByteArray>> bad = {
        {".gz", QByteArray()},                            // empty
        {".gz", compressed.left(compressed.size() - 6)},  // cut short before its checksum
        {".gz", compressed.left(10) + QByteArray(compressed.size() - 10, 'x')},  // damaged
        {".gz", compressed + "trailing"},                             // more than one backup's bytes
        {".gz", *gzipCompressedData(plain.left(plain.size() - 12))},  // an export cut short, compressed
        {"", plain.left(plain.size() - 12)},                          // the same, uncompressed
        {"", QByteArray()},
    };
    QStringList unreadable;
    for (qsizetype i = 0; i < bad.size(); ++i) {
        const QString name =
            TDBackupFileName(first.addSecs(3600 + 60 * i)) + QString::fromLatin1(bad.at(i).first);
        writeFile(folder.filePath(name), bad.at(i).second);
        unreadable.append(name);
    }
    TDLibraryBackupOrganizeOperation(packagePath()).start();
    EXPECT_EQ(folder.entryList({QStringLiteral("backup-*")}, QDir::Files, QDir::Name), whole.mid(2));
    EXPECT_EQ(QFileInfo(folder.filePath(TDLatestBackupLinkName)).symLinkTarget(),
              folder.filePath(whole.last()));

    // With no backup that reads back, no link is left pointing at an unreadable one.
    for (const QString& name : whole.mid(2)) writeFile(folder.filePath(name), QByteArray());
    TDLibraryBackupOrganizeOperation(packagePath()).start();
    EXPECT_EQ(folder.entryList({QStringLiteral("backup-*")}, QDir::Files), QStringList());
    EXPECT_FALSE(QFileInfo(folder.filePath(TDLatestBackupLinkName)).isSymLink());
}

// The link to the newest backup is renamed over the old one: at no moment is the name missing, so a
// pruning killed half-way leaves a link. The folder's own events show every step the name went through.
TEST_F(LibraryBackupTest, TheLatestLinkIsReplacedInOneStepAndNeverMissing) {
    const QDir folder(QDir(packagePath()).filePath(TDBackupFolderName));
    ASSERT_TRUE(QDir().mkpath(folder.path()));
    const QDateTime first(QDate(2026, 12, 9), QTime(8, 0), QTimeZone::utc());
    const QString older = TDBackupFileName(first) + QStringLiteral(".gz");
    const QString newer = TDBackupFileName(first.addSecs(60)) + QStringLiteral(".gz");
    writeFile(folder.filePath(older), wholeBackupBytes(true));
    TDLibraryBackupOrganizeOperation(packagePath()).start();
    ASSERT_EQ(QFileInfo(folder.filePath(TDLatestBackupLinkName)).symLinkTarget(), folder.filePath(older));
    writeFile(folder.filePath(newer), wholeBackupBytes(true));

    const int watcher = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watcher, 0);
    ASSERT_GE(::inotify_add_watch(watcher, QFile::encodeName(folder.path()).constData(),
                                  IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO),
              0);
    TDLibraryBackupOrganizeOperation(packagePath()).start();
    QList<uint32_t> linkEvents;
    alignas(inotify_event) char buffer[16 * 1024];
    for (ssize_t length; (length = ::read(watcher, buffer, sizeof buffer)) > 0;) {
        for (char* at = buffer; at < buffer + length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if (event->len > 0 && QFile::decodeName(event->name) == TDLatestBackupLinkName)
                linkEvents.append(event->mask & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO));
            at += sizeof(inotify_event) + event->len;
        }
    }
    ::close(watcher);
    EXPECT_EQ(linkEvents, QList<uint32_t>{IN_MOVED_TO});
    EXPECT_EQ(QFileInfo(folder.filePath(TDLatestBackupLinkName)).symLinkTarget(), folder.filePath(newer));
    // The link's temporary name is gone.
    EXPECT_EQ(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size(),
              3);
}

TEST_F(LibraryBackupTest, EverySaveEndsWithACompressedBackupAndTheLatestLink) {
    ASSERT_TRUE(createFixtureLibrary());
    const QDir folder(QDir(packagePath()).filePath(TDBackupFolderName));
    const QStringList backups = folder.entryList({QStringLiteral("backup-*")}, QDir::Files);
    ASSERT_FALSE(backups.isEmpty());
    for (const QString& name : backups)
        EXPECT_TRUE(name.endsWith(QLatin1String(".odlbackup.gz"))) << name.toStdString();
    const QFileInfo link(folder.filePath(TDLatestBackupLinkName));
    ASSERT_TRUE(link.isSymLink());
    EXPECT_EQ(link.symLinkTarget(), folder.filePath(backups.last()));
    const auto model = TDLibraryObjectModel();
    const Status read = TDReadLibraryBackupSummary(link.symLinkTarget(), **model).problem;
    ASSERT_TRUE(read.ok()) << read.error().description.toStdString();
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden | QDir::System).size(), backups.size() + 1);
}

TEST_F(LibraryBackupTest, ASaveWhileAChainIsQueuedQueuesNoOtherChain) {
    ASSERT_TRUE(createFixtureLibrary());
    platform::OperationQueue* queue = manager->exportOperationQueue();
    queue->setSuspended(true);
    manager->savePropertyListBackup();
    EXPECT_EQ(queue->operationCount(), 2);
    manager->savePropertyListBackup();
    EXPECT_EQ(queue->operationCount(), 2);
    queue->setSuspended(false);
    manager->finishPendingOperations();
    manager->savePropertyListBackup();
    EXPECT_EQ(queue->operationCount() % 2, 0);
    manager->finishPendingOperations();
}

TEST_F(LibraryBackupTest, TheProgressModelTellsHowTheRestoreEnded) {
    ASSERT_TRUE(createFixtureLibrary());
    testsupport::ScriptedAlertPrompter prompter;
    TDImportProgress progress(*manager, prompter);
    EXPECT_FALSE(progress.restoreLibraryFromBackupAtPath(backupPath(QStringLiteral("in-x.txt"))));
    EXPECT_FALSE(progress.isShown());

    const QString bad = backupPath(QStringLiteral("in-bad.odlbackup"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("nope");
    file.close();
    ASSERT_TRUE(progress.restoreLibraryFromBackupAtPath(bad));
    EXPECT_TRUE(progress.isShown());
    EXPECT_EQ(progress.headerText(), QStringLiteral("Restoring from backup..."));
    ASSERT_TRUE(testsupport::spinUntil([&] { return !progress.isShown(); }));
    ASSERT_EQ(delegate.errors.size(), 1);
    EXPECT_EQ(delegate.errors.first().first.code, 200);
    EXPECT_TRUE(prompter.shown.isEmpty());

    const QString good = backupPath(QStringLiteral("in-good.odlbackup"));
    exportedBackup(good);
    ASSERT_TRUE(progress.restoreLibraryFromBackupAtPath(good));
    ASSERT_TRUE(testsupport::spinUntil([&] { return !prompter.shown.isEmpty(); }));
    EXPECT_EQ(prompter.shown.first().messageText, QStringLiteral("Finished restoring library"));
    EXPECT_EQ(prompter.shown.first().informativeText,
              QStringLiteral("Your old library was moved to the Trash."));
    EXPECT_FALSE(progress.isShown());
}

}  // namespace
}  // namespace storetest
