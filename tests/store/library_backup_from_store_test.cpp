#include "tests/store/library_manager_fixture.h"

#include "model/comparison_rule.h"
#include "model/library.h"
#include "model/library_model.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/recurrence.h"
#include "model/smart_folder.h"
#include "model/tag.h"
#include "model/task.h"
#include "model/task_notes.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "store/library_backup.h"
#include "store/library_backup_from_store.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>

namespace storetest {
namespace {

QVariantMap fixedHeader(double libraryVersion) {
    return QVariantMap{
        {TDBackupApplicationShortVersionKey, QStringLiteral("9.1")},
        {TDBackupApplicationVersionKey, QStringLiteral("901")},
        {TDBackupLibraryVersionKey, libraryVersion},
        {TDBackupSavedDateKey, QDateTime(QDate(2026, 12, 11), QTime(10, 30), QTimeZone::utc())},
        {TDBackupSaveIdentifierKey, QStringLiteral("00000000000000AB")},
    };
}

class LibraryBackupFromStoreTest : public LibraryManagerTest {
protected:
    // Every kind of object with every kind of value: folders, lists, tags, a smart folder with its rule,
    // tasks with sub-tasks, notes with an attachment's data, a recurrence, far dates, text to escape,
    // values equal to their defaults and values left empty.
    TDLibrary* createEveryKindOfObject() {
        TDLibrary* library = createLibrary();
        if (!library) return nullptr;
        platform::ManagedObjectContext* context = library->managedObjectContext();
        TDList* list = library->createList(QStringLiteral("Errands & <Odds>"),
                                           library->groupWithUID(TDLibrary::FoldersGroupUID));
        TDTag* home = library->createTagWithTitle(QStringLiteral("home"));
        TDTag* phone = library->createTagWithTitle(QStringLiteral("☎ phone"));
        auto* smart = TDSmartFolder::from(library->createSmartFolder());
        auto rule = std::make_shared<TRComparisonRule>(TRRuleTypeString);
        rule->setKeyPath(QStringLiteral("title"));
        rule->setConditionType(TRConditionEqualTo);
        rule->setValue(QStringLiteral("Call \"Mum\""));
        smart->setRule(rule);
        const QStringList titles{QStringLiteral("plain"), QString(), QStringLiteral("a<b>&c \"q\" 'x'"),
                                 QStringLiteral("ünïcode 😀 漢字"), QStringLiteral("tab\tline\nreturn\r")};
        addTasksAndSave(*library, list, 10, [&](TDTask& task, int i) {
            task.setTitle(titles.at(i % titles.size()));
            task.setValue(QStringLiteral("priority"), qint64(i % 4));
            task.setValue(QStringLiteral("estimatedTime"), i % 3 ? 0.1 * i : 0.0);
            task.setValue(QStringLiteral("archived"), i == 7);
            if (i == 1)
                task.setDueDate(QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), QTimeZone::utc()));
            if (i == 2) task.setStartDate(QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc()));
            if (i == 3)
                task.setStartDate(QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 500), QTimeZone::utc()));
            if (i == 4) task.setValue(QStringLiteral("calendarStoreUID"), QStringLiteral("cal-4"));
            if (i % 2) task.addObjects(QStringLiteral("tags"), {home, phone});
            if (i == 5) {
                auto* notes = static_cast<TDTaskNotes*>(context->insertObject(QStringLiteral("TaskNotes")));
                task.setObject(QStringLiteral("notes"), notes);
                task.setValue(QStringLiteral("notesUID"), notes->uid());
                notes->setString(QStringLiteral("Read the plan & call"));
                notes->setWebArchiveData(QByteArray("<html>attachment \x01\xff</html>", 28));
            }
            if (i == 6) {
                auto* recurrence =
                    static_cast<TDRecurrence*>(context->insertObject(QStringLiteral("Recurrence")));
                const auto weekly = TDRecurrenceRule::initWeeklyRecurrenceWithInterval(
                    1, {2, 5}, TDRecurrenceEnd::recurrenceEndWithOccurrenceCount(4).value());
                EXPECT_TRUE(recurrence->setRule(weekly.value()).ok());
                task.setObject(QStringLiteral("recurrence"), recurrence);
            }
        });
        return library;
    }

    QString storePath() const { return QDir(packagePath()).filePath(QStringLiteral("library.sqlite3")); }

    // The backup as the export wrote it from objects fetched into a context of its own.
    QByteArray backupFromObjects() {
        platform::PersistentStoreCoordinator coordinator(*TDLibraryObjectModel());
        EXPECT_TRUE(coordinator.openStore(storePath()).ok());
        TDManagedObjectContext context(&coordinator);
        context.setSetupTransientProperties(false);
        const Result<TDLibraryBackupObjects> objects = TDLibraryBackupObjectsOf(context, {});
        EXPECT_TRUE(objects.ok());
        const auto libraries = context.execute(platform::FetchRequest(QStringLiteral("Library")));
        const double version =
            libraries->isEmpty() ? 1.0 : libraries->first()->value(QStringLiteral("version")).toDouble();
        const QString path = QDir(tempPath()).filePath(QStringLiteral("objects.odlbackup"));
        EXPECT_TRUE(TDWriteLibraryBackup(fixedHeader(version), *objects, path, {}).ok());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    Result<QByteArray> backupFromRows(const std::function<bool()>& cancelled = {}) {
        platform::PersistentStoreCoordinator coordinator(*TDLibraryObjectModel());
        EXPECT_TRUE(coordinator.openStore(storePath()).ok());
        return TDLibraryBackupTextFromStore(coordinator, fixedHeader, cancelled);
    }
};

TEST_F(LibraryBackupFromStoreTest, TheBackupFromRowsIsTheBackupFromObjectsByteForByte) {
    ASSERT_TRUE(createEveryKindOfObject());
    const QByteArray fromObjects = backupFromObjects();
    const Result<QByteArray> fromRows = backupFromRows();
    ASSERT_TRUE(fromRows.ok()) << fromRows.error().description.toStdString();
    for (const char* entity :
         {"<key>Recurrence</key>", "<key>SmartFolder</key>", "<key>SmartFolderRule</key>", "<key>Tag</key>",
          "<key>TaskNotes</key>", "<key>List</key>", "<key>Folder</key>"})
        EXPECT_TRUE(fromObjects.contains(entity)) << entity;
    EXPECT_EQ(*fromRows, fromObjects);
}

TEST_F(LibraryBackupFromStoreTest, AnEmptyStoreAndALibraryOfNewTasksMatchToo) {
    TDLibrary* library = createLibrary();
    ASSERT_TRUE(library);
    EXPECT_EQ(*backupFromRows(), backupFromObjects());
    for (int i = 0; i < 3; ++i) library->createTask()->setTitle(QStringLiteral("new %1").arg(i));
    ASSERT_TRUE(manager->saveLibrary());
    manager->finishPendingOperations();
    EXPECT_EQ(*backupFromRows(), backupFromObjects());
}

// Objects are read in the order of their UIDs as QString orders them, UTF-16 code unit by code unit:
// a character above U+FFFF comes before U+E000, text that is no UID of the usual form and objects
// without a UID have their places, and of two objects claiming one UID both are written in the
// order of their rows.
TEST_F(LibraryBackupFromStoreTest, UIDsOfAnyTextAreOrderedAsTheBackupFromObjectsOrdersThem) {
    TDLibrary* library = createLibrary();
    ASSERT_TRUE(library);
    const QStringList uids{QString::fromUtf8("\xF0\x9F\x98\x80 smile"),
                           QString::fromUtf8("\xEE\x80\x80 private"),
                           QString::fromUtf8("\xEF\xBF\xBD replacement"),
                           QStringLiteral("00000000000000FF"),
                           QStringLiteral("00000000000000ff"),
                           QStringLiteral("0000000000000100"),
                           QStringLiteral("same"),
                           QStringLiteral("a < b & c"),
                           QStringLiteral("same"),
                           QString(),
                           QStringLiteral("")};
    for (int i = 0; i < uids.size(); ++i) {
        TDTag* tag = library->createTagWithTitle(QStringLiteral("tag %1").arg(i));
        tag->setValue(QStringLiteral("uid"), uids.at(i));
    }
    ASSERT_TRUE(manager->saveLibrary());
    manager->finishPendingOperations();
    const QByteArray fromObjects = backupFromObjects();
    EXPECT_TRUE(fromObjects.contains("<key>a &lt; b &amp; c</key>"));
    EXPECT_EQ(*backupFromRows(), fromObjects);
}

// A save by the open library between two tables of the backup must not reach it: the backup holds the
// state it began with, and the next one holds the save.
TEST_F(LibraryBackupFromStoreTest, ASaveWhileTheRowsAreReadDoesNotTearTheBackup) {
    TDLibrary* library = createEveryKindOfObject();
    ASSERT_TRUE(library);
    const QByteArray before = backupFromObjects();
    int tablesBegun = 0;
    const Result<QByteArray> during = backupFromRows([&] {
        if (++tablesBegun == 3) {
            TDTask* task = library->createTask();
            task->setTitle(QStringLiteral("saved meanwhile"));
            task->setObject(QStringLiteral("parentList"), library->groupWithUID(TDLibrary::FoldersGroupUID));
            library->createTagWithTitle(QStringLiteral("new tag"));
            EXPECT_TRUE(manager->saveLibrary());
        }
        return false;
    });
    manager->finishPendingOperations();
    ASSERT_GT(tablesBegun, 3);
    ASSERT_TRUE(during.ok());
    EXPECT_EQ(*during, before);
    const QByteArray after = backupFromObjects();
    EXPECT_TRUE(after.contains("saved meanwhile"));
    EXPECT_EQ(*backupFromRows(), after);
}

TEST_F(LibraryBackupFromStoreTest, ACancelledBackupIsAnErrorAndTextXmlCannotHoldIsRefused) {
    TDLibrary* library = createEveryKindOfObject();
    ASSERT_TRUE(library);
    const Result<QByteArray> cancelled = backupFromRows([] { return true; });
    ASSERT_FALSE(cancelled.ok());
    EXPECT_EQ(cancelled.error().code, TDErrorBackupCancelled);
    library->createTask()->setTitle(QStringLiteral("bell \a"));
    ASSERT_TRUE(manager->saveLibrary());
    manager->finishPendingOperations();
    EXPECT_FALSE(backupFromRows().ok());
}

}  // namespace
}  // namespace storetest
