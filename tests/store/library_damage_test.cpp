#include "tests/store/library_manager_fixture.h"

#include "model/managed_object_context.h"
#include "platform/files/file_error.h"
#include "platform/objectstore/object_store_error.h"
#include "platform/plist/property_list.h"
#include "store/library_opening_errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>

#include <fcntl.h>
#include <linux/fs.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <cerrno>
#include <functional>

namespace storetest {
namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class LibraryDamageTest : public LibraryManagerTest {
protected:
    QString store() const { return QDir(packagePath()).filePath(QStringLiteral("library.sqlite3")); }
    QString wal() const { return store() + QStringLiteral("-wal"); }

    // A library whose last saves are still in the store's journal, as a killed process leaves it,
    // with its backups written.
    void makeLibraryLeftByAKilledProcess() {
        createLibrary();
        for (int round = 1; round <= 3; ++round) {
            platform::ManagedObject* list =
                manager->managedObjectContext()->insertObject(QStringLiteral("List"));
            list->setValue(QStringLiteral("title"), QStringLiteral("List %1").arg(round));
            ASSERT_TRUE(manager->saveLibrary());
        }
        manager->finishPendingOperations();
        // Nothing writes now, so the two files read as one moment of the store.
        const QByteArray storeBytes = bytesOf(store());
        const QByteArray journalBytes = bytesOf(wal());
        ASSERT_FALSE(journalBytes.isEmpty());
        manager->closeDiscardingChanges();
        manager.reset();
        writeBytes(store(), storeBytes);
        writeBytes(wal(), journalBytes);
        QFile::remove(store() + QStringLiteral("-shm"));
    }

    // The store and its journal are byte for byte as before, and the error's copies hold those bytes.
    void expectKeptAsideAndUntouched(const TDError& error, const QByteArray& storeBytes,
                                     const QByteArray& journalBytes) {
        EXPECT_EQ(bytesOf(store()), storeBytes);
        EXPECT_EQ(bytesOf(wal()), journalBytes);
        const QStringList kept = error.userInfo.value(TDKeptAsideFilesKey).toStringList();
        ASSERT_GE(kept.size(), 2) << error.recoverySuggestion.toStdString();
        EXPECT_EQ(QFileInfo(kept[0]).absolutePath(), QFileInfo(packagePath()).absoluteFilePath());
        EXPECT_EQ(bytesOf(kept[0]), storeBytes);
        EXPECT_EQ(kept[1], kept[0] + QStringLiteral("-wal"));
        EXPECT_EQ(bytesOf(kept[1]), journalBytes);
        EXPECT_TRUE(error.recoverySuggestion.contains(kept[0])) << error.recoverySuggestion.toStdString();
        const QString backup = error.userInfo.value(TDNewestBackupKey).toString();
        EXPECT_TRUE(backup.startsWith(QDir(packagePath()).filePath(QStringLiteral("Backup/backup-"))))
            << backup.toStdString();
        EXPECT_TRUE(QFileInfo::exists(backup));
    }
};

// The pages the journal holds a newer version of.
QSet<quint32> pagesInJournal(const QByteArray& journal, int pageSize) {
    QSet<quint32> pages;
    for (qsizetype frame = 32; frame + 24 + pageSize <= journal.size(); frame += 24 + pageSize)
        pages.insert(qFromBigEndian<quint32>(journal.constData() + frame));
    return pages;
}

int pageSizeOf(const QByteArray& store) {
    const int size = qFromBigEndian<quint16>(store.constData() + 16);
    return size == 1 ? 65536 : size;
}

// Runs SQL on the store and leaves what it wrote in the journal.
void writeIntoJournal(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// Root pages of the object tables.
QMap<QString, quint32> tableRootPages(const QString& path) {
    QMap<QString, quint32> roots;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(
            db,
            "SELECT name, rootpage FROM sqlite_master WHERE type = 'table' AND name LIKE 't\\_%' ESCAPE '\\'",
            -1, &statement, nullptr);
        while (statement && sqlite3_step(statement) == SQLITE_ROW)
            roots.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))),
                         static_cast<quint32>(sqlite3_column_int(statement, 1)));
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return roots;
}

TEST_F(LibraryDamageTest, AStoreThatFailsToOpenIsCopiedAsideAndNotChanged) {
    struct Damage {
        const char* name;
        std::function<void(const QString& store, const QString& wal)> apply;
    };
    const QList<Damage> damages{
        {"its metadata names another model",
         [](const QString& store, const QString&) {
             writeIntoJournal(store,
                              "PRAGMA wal_autocheckpoint = 0; UPDATE metadata SET value = 'other' "
                              "WHERE key = 'modelHash'");
         }},
        {"a table page the journal does not cover is garbage",
         [](const QString& store, const QString& wal) {
             QByteArray bytes = bytesOf(store);
             const int pageSize = pageSizeOf(bytes);
             const QSet<quint32> covered = pagesInJournal(bytesOf(wal), pageSize);
             const QMap<QString, quint32> roots = tableRootPages(store);
             quint32 victim = 0;
             for (quint32 root : roots)
                 if (!covered.contains(root) && root > 1) victim = root;
             ASSERT_GT(victim, 0u) << "every table is in the journal";
             bytes.replace(qsizetype(victim - 1) * pageSize, pageSize, QByteArray(pageSize, '\xff'));
             writeBytes(store, bytes);
         }},
        {"its header is not a database's",
         [](const QString& store, const QString&) {
             QByteArray bytes = bytesOf(store);
             bytes.replace(0, 16, QByteArray(16, 'x'));
             writeBytes(store, bytes);
         }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        ASSERT_TRUE(QDir(packagePath()).removeRecursively());
        makeLibraryLeftByAKilledProcess();
        damage.apply(store(), wal());
        const QByteArray storeBytes = bytesOf(store());
        const QByteArray journalBytes = bytesOf(wal());
        ASSERT_FALSE(journalBytes.isEmpty());

        const auto opened = newManager().loadLibrary();
        ASSERT_FALSE(opened.ok());
        EXPECT_TRUE(opened.error().isInDomain(TDErrorLibraryCannotOpen));
        EXPECT_TRUE(opened.error().recoverySuggestion.contains(QStringLiteral("corrupted or invalid")));
        expectKeptAsideAndUntouched(opened.error(), storeBytes, journalBytes);

        // A library that fails at every start is kept aside once.
        const auto again = newManager().loadLibrary();
        ASSERT_FALSE(again.ok());
        EXPECT_EQ(again.error().userInfo.value(TDKeptAsideFilesKey),
                  opened.error().userInfo.value(TDKeptAsideFilesKey));
        EXPECT_EQ(QDir(packagePath()).entryList({QStringLiteral("library-*.sqlite3")}).size(), 1);
        manager.reset();
    }
}

TEST_F(LibraryDamageTest, ACutJournalIsReportedAsLostSaves) {
    makeLibraryLeftByAKilledProcess();
    // The last save's last page is cut short, so SQLite drops that save without a word.
    QByteArray journalBytes = bytesOf(wal());
    journalBytes.chop(100);
    writeBytes(wal(), journalBytes);
    const QByteArray storeBytes = bytesOf(store());

    const auto opened = newManager().loadLibrary();
    ASSERT_FALSE(opened.ok());
    EXPECT_TRUE(opened.error().isInDomain(TDErrorLibraryLostSaves))
        << opened.error().detailedDescription().toStdString();
    EXPECT_EQ(opened.error().recoveryOptions, QStringList{QStringLiteral("Quit")});
    expectKeptAsideAndUntouched(opened.error(), storeBytes, journalBytes);

    // A library whose Info.plist has no count yet (an older build wrote it) opens as it always did.
    const QString infoPath = QDir(packagePath()).filePath(QStringLiteral("Info.plist"));
    QVariantMap info = platform::readPropertyListFile(infoPath)->toMap();
    info.remove(QStringLiteral("TDSaveCount"));
    info.remove(QStringLiteral("TDStoreUUID"));
    ASSERT_TRUE(platform::writePropertyListFile(infoPath, info).ok());
    const auto older = newManager().loadLibrary();
    EXPECT_TRUE(older.ok()) << older.error().detailedDescription().toStdString();
}

TEST_F(LibraryDamageTest, AnIntactJournalOpensWithEverySave) {
    makeLibraryLeftByAKilledProcess();
    const auto opened = newManager().loadLibrary();
    ASSERT_TRUE(opened.ok()) << opened.error().detailedDescription().toStdString();
    const auto lists = manager->managedObjectContext()->execute(
        platform::FetchRequest(QStringLiteral("List"), [](const platform::ManagedObject* list) {
            return list->value(QStringLiteral("title")).toString() == QStringLiteral("List 3");
        }));
    EXPECT_EQ(lists->size(), 1);
}

TEST_F(LibraryDamageTest, UnreadableInfoAndOptionsFilesAreKeptAsideBeforeDefaultsReplaceThem) {
    createLibrary();
    ASSERT_TRUE(manager->close().ok());
    manager.reset();
    const QByteArray garbage("<plist><dict><key>broken");
    const QString infoPath = QDir(packagePath()).filePath(QStringLiteral("Info.plist"));
    const QString optionsPath = QDir(packagePath()).filePath(QStringLiteral("options.plist"));
    writeBytes(infoPath, garbage);
    writeBytes(optionsPath, garbage);

    EXPECT_TRUE(newManager().optionsDictionary().isEmpty());
    const auto opened = manager->loadLibrary();
    ASSERT_TRUE(opened.ok()) << opened.error().detailedDescription().toStdString();
    for (const QString& pattern : {QStringLiteral("Info-*.plist"), QStringLiteral("options-*.plist")}) {
        const QStringList kept = QDir(packagePath()).entryList({pattern});
        ASSERT_EQ(kept.size(), 1) << pattern.toStdString();
        EXPECT_EQ(bytesOf(QDir(packagePath()).filePath(kept.first())), garbage);
    }
    // The library's own facts replace the damaged Info.plist at once.
    const auto info = platform::readPropertyListFile(infoPath);
    ASSERT_TRUE(info.ok());
    EXPECT_DOUBLE_EQ(info->toMap().value(QStringLiteral("TDLibraryVersion")).toDouble(), 1.0);
}

// Makes a folder unwritable for this process, the super-user included, for the object's life.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path) : m_path(path) {
        if (geteuid() != 0) {
            m_done = QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            return;
        }
        // Permissions do not bind the super-user; the immutable flag does, where the file system has it.
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (m_fd >= 0 && ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0) {
            m_flags = flags;
            flags |= FS_IMMUTABLE_FL;
            m_done = ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~ReadOnlyFolder() {
        if (m_fd >= 0) {
            if (m_done) ::ioctl(m_fd, FS_IOC_SETFLAGS, &m_flags);
            ::close(m_fd);
        } else if (m_done) {
            QFile::setPermissions(m_path,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
    }
    bool made() const { return m_done; }

private:
    QString m_path;
    int m_fd = -1;
    int m_flags = 0;
    bool m_done = false;
};

TEST_F(LibraryDamageTest, AReadOnlyFolderIsNamedAsTheCause) {
    createLibrary();
    ASSERT_TRUE(manager->close().ok());
    manager.reset();
    {
        const ReadOnlyFolder readOnly(packagePath());
        if (!readOnly.made()) GTEST_SKIP() << "no way to make a folder read-only here";
        const auto opened = newManager().loadLibrary();
        ASSERT_FALSE(opened.ok());
        EXPECT_TRUE(opened.error().isInDomain(TDErrorLibraryFolderReadOnly))
            << opened.error().detailedDescription().toStdString();
        EXPECT_TRUE(opened.error().recoverySuggestion.contains(packagePath()));
        EXPECT_FALSE(opened.error().recoverySuggestion.contains(QStringLiteral("corrupted")));
        manager.reset();
    }
    EXPECT_TRUE(newManager().loadLibrary().ok());
    manager.reset();

    // A new library in a folder that cannot take one.
    const QString parent = QDir(tempPath()).filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(parent));
    const ReadOnlyFolder readOnly(parent);
    TDLibraryManager creator(QDir(parent).filePath(QStringLiteral("New.odllibrary")));
    const auto created = creator.createLibrary();
    ASSERT_FALSE(created.ok());
    EXPECT_TRUE(created.error().isInDomain(TDErrorLibraryFolderReadOnly))
        << created.error().detailedDescription().toStdString();
    EXPECT_TRUE(created.error().recoverySuggestion.contains(parent));
}

TEST_F(LibraryDamageTest, FailuresOfTheDiskAreToldApartFromDamage) {
    const auto sqliteError = [](int code) {
        return platform::makeObjectStoreError(platform::ObjectStoreErrorStoreIO, QStringLiteral("failed"),
                                              {{platform::ObjectStoreSQLiteCodeKey, code}});
    };
    struct Case {
        const char* name;
        TDError underlying;
        int expected;  // 0: not the folder's or the disk's doing
    };
    const QList<Case> cases{
        {"SQLite: disk full", sqliteError(SQLITE_FULL), TDErrorLibraryDiskFull},
        {"no space", platform::posixError(ENOSPC, QStringLiteral("write")), TDErrorLibraryDiskFull},
        {"quota", platform::posixError(EDQUOT, QStringLiteral("write")), TDErrorLibraryDiskFull},
        {"SQLite: corrupt", sqliteError(SQLITE_CORRUPT), 0},
        {"no library object", TDError::make(TDErrorLibraryCannotOpen, QStringLiteral("none")), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto error = TDLibraryEnvironmentError(packagePath(), c.underlying);
        ASSERT_EQ(error.has_value(), c.expected != 0);
        if (!error) continue;
        EXPECT_TRUE(error->isInDomain(c.expected));
        // The package is not made yet: its nearest existing folder is named.
        EXPECT_TRUE(error->recoverySuggestion.contains(tempPath()))
            << error->recoverySuggestion.toStdString();
    }
}

}  // namespace
}  // namespace storetest
