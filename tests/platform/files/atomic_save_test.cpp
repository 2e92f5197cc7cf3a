#include "platform/files/atomic_save.h"
#include "platform/lsm/semantic_map.h"
#include "platform/plist/property_list.h"
#include "tests/support/small_file_system.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QVariantMap>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <functional>

namespace {

using platform::atomicallySaveTempFile;
using platform::AtomicWriteFailure;
using platform::AtomicWriteStep;
using platform::replaceItemThroughBackup;
using platform::writeFileAtomically;

class AtomicSaveTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    static void write(const QString& file, const QByteArray& contents) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(contents);
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // A package: a folder with a data file and a nested folder.
    static void makePackage(const QString& package, const QByteArray& tag) {
        write(package + QStringLiteral("/library.sqlite3"), tag + "-data");
        write(package + QStringLiteral("/Backups/Latest"), tag + "-backup");
    }
    QStringList names() const {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir tempDir;
    QDir dir{tempDir.path()};
};

// Writes without looking at what the device answers, as a streamed writer may: a failure must show anyway.
std::function<bool(QIODevice&)> carelessly(const QByteArray& contents) {
    return [contents](QIODevice& device) {
        device.write(contents);
        return true;
    };
}

// The writers of whole files that go through the checked writer, each replacing `file` with new contents.
struct WholeFileWriter {
    const char* name;
    std::function<Status(const QString& file)> write;
};
const WholeFileWriter kWholeFileWriters[] = {
    {"bytes", [](const QString& file) { return writeFileAtomically(file, QByteArray(100, 'n')); }},
    {"large bytes", [](const QString& file) { return writeFileAtomically(file, QByteArray(40000, 'n')); }},
    {"careless stream", [](const QString& file) { return writeFileAtomically(file, carelessly("new")); }},
    {"empty", [](const QString& file) { return writeFileAtomically(file, QByteArray()); }},
    {"property list",
     [](const QString& file) {
         return platform::writePropertyListFile(file,
                                                QVariantMap{{QStringLiteral("key"), QStringLiteral("new")}});
     }},
    {"semantic map",
     [](const QString& file) {
         platform::SemanticMap map;
         (void)map.addCategory();
         return map.writeToFile(file);
     }},
};

TEST_F(AtomicSaveTest, WritingAFileReplacesItWholeOrNotAtAll) {
    const QString file = path(QStringLiteral("Info.plist"));
    ASSERT_TRUE(writeFileAtomically(file, QByteArray("old contents")));

    // The writer fails after writing half: the old file stays whole and no temporary is left behind.
    const Status failed = writeFileAtomically(file, [](QIODevice& device) {
        device.write("new con");
        return false;
    });
    EXPECT_FALSE(failed);
    EXPECT_EQ(read(file), QByteArray("old contents"));
    EXPECT_EQ(names(), QStringList{QStringLiteral("Info.plist")});

    ASSERT_TRUE(writeFileAtomically(file, QByteArray("new contents")));
    EXPECT_EQ(read(file), QByteArray("new contents"));
    EXPECT_EQ(names(), QStringList{QStringLiteral("Info.plist")});

    // A file that cannot be made (its folder is missing) is an error, not a crash.
    EXPECT_FALSE(writeFileAtomically(path(QStringLiteral("missing/x")), QByteArray("x")));
}

TEST_F(AtomicSaveTest, AFailureArmedAtAnyStepLeavesTheOldFileWholeAndIsAnError) {
    const QString file = path(QStringLiteral("Info.plist"));
    ASSERT_TRUE(writeFileAtomically(file, QByteArray("old contents")));
    for (const AtomicWriteStep step :
         {AtomicWriteStep::Write, AtomicWriteStep::Sync, AtomicWriteStep::Rename}) {
        for (const WholeFileWriter& writer : kWholeFileWriters) {
            SCOPED_TRACE(testing::Message() << "step " << static_cast<int>(step) << ", " << writer.name);
            AtomicWriteFailure failure(step);
            EXPECT_FALSE(writer.write(file));
            EXPECT_EQ(failure.failures(), 1);
            EXPECT_EQ(read(file), QByteArray("old contents"));
            EXPECT_EQ(names(), QStringList{QStringLiteral("Info.plist")});
        }
    }
    // The failure keeps to the paths it was armed for, and ends with its scope.
    {
        AtomicWriteFailure failure(AtomicWriteStep::Write, QStringLiteral("tag_autosuggest"));
        EXPECT_TRUE(writeFileAtomically(file, QByteArray("other contents")));
        const Status failed =
            writeFileAtomically(path(QStringLiteral("tag_autosuggest.data")), QByteArray("x"));
        ASSERT_FALSE(failed);
        EXPECT_EQ(failed.error().code, ENOSPC);
    }
    EXPECT_TRUE(writeFileAtomically(path(QStringLiteral("tag_autosuggest.data")), QByteArray("x")));
    EXPECT_EQ(read(file), QByteArray("other contents"));
}

TEST_F(AtomicSaveTest, OnAFullFileSystemEveryWriteFailsAndEveryFileStaysWhole) {
    SmallFileSystem disk(64 * 1024);
    if (!disk.isMounted()) GTEST_SKIP() << disk.skipReason().toStdString();
    const QString file = disk.filePath(QStringLiteral("Info.plist"));
    const QByteArray old(20000, 'o');
    ASSERT_TRUE(writeFileAtomically(file, old));
    const QString package = disk.filePath(QStringLiteral("L"));
    const QString temporary = disk.filePath(QStringLiteral("T"));
    makePackage(package, "old");
    makePackage(temporary, QByteArray(8000, 'n'));
    disk.fill();

    for (const WholeFileWriter& writer : kWholeFileWriters) {
        // Empty contents need no room, so they may well be written.
        if (QByteArray(writer.name) == "empty") continue;
        SCOPED_TRACE(writer.name);
        ASSERT_FALSE(writer.write(file));
        EXPECT_EQ(read(file), old);
    }
    // A package that does not fit is not copied in its place: the old one comes back whole.
    EXPECT_FALSE(replaceItemThroughBackup(temporary, package));
    EXPECT_EQ(read(package + QStringLiteral("/library.sqlite3")), QByteArray("old-data"));
    EXPECT_EQ(read(package + QStringLiteral("/Backups/Latest")), QByteArray("old-backup"));
    // No temporary file is left behind.
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
              (QStringList{QStringLiteral("Info.plist"), QStringLiteral("L"), QStringLiteral("T")}));

    disk.drain();
    EXPECT_TRUE(writeFileAtomically(file, QByteArray("new")));
    EXPECT_EQ(read(file), QByteArray("new"));
}

TEST_F(AtomicSaveTest, ANewFileIsItsOwnersAloneWhateverTheUmaskAndTheOldMode) {
    const QString file = path(QStringLiteral("options.plist"));
    write(file, "old");
    ASSERT_TRUE(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const mode_t previous = ::umask(022);
    const Status replaced = writeFileAtomically(file, QByteArray("new"));
    const Status made = writeFileAtomically(path(QStringLiteral("new.plist")), QByteArray("new"));
    ::umask(previous);
    ASSERT_TRUE(replaced);
    ASSERT_TRUE(made);
    for (const QString& name : {QStringLiteral("options.plist"), QStringLiteral("new.plist")}) {
        struct stat info {};
        ASSERT_EQ(::stat(QFile::encodeName(path(name)).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0600u) << name.toStdString();
    }
}

TEST_F(AtomicSaveTest, TemporaryFileReplacesTargetOrBecomesIt) {
    write(path(QStringLiteral("new")), "first");
    ASSERT_TRUE(atomicallySaveTempFile(path(QStringLiteral("new")), path(QStringLiteral("target"))));
    EXPECT_EQ(read(path(QStringLiteral("target"))), QByteArray("first"));

    write(path(QStringLiteral("new")), "second");
    ASSERT_TRUE(atomicallySaveTempFile(path(QStringLiteral("new")), path(QStringLiteral("target"))));
    EXPECT_EQ(read(path(QStringLiteral("target"))), QByteArray("second"));
    EXPECT_EQ(names(), QStringList{QStringLiteral("target")});

    // Without a temporary item nothing happens to the target.
    const Status missing =
        atomicallySaveTempFile(path(QStringLiteral("new")), path(QStringLiteral("target")));
    EXPECT_FALSE(missing);
    EXPECT_EQ(read(path(QStringLiteral("target"))), QByteArray("second"));
}

TEST_F(AtomicSaveTest, PackagesAreSwappedAndTheOldOneRemoved) {
    const QString package = path(QStringLiteral("Ordello Library.odllibrary"));
    const QString temporary = path(QStringLiteral("restore-1"));
    makePackage(package, "old");
    makePackage(temporary, "new");

    ASSERT_TRUE(atomicallySaveTempFile(temporary, package));
    EXPECT_EQ(read(package + QStringLiteral("/library.sqlite3")), QByteArray("new-data"));
    EXPECT_EQ(read(package + QStringLiteral("/Backups/Latest")), QByteArray("new-backup"));
    EXPECT_EQ(names(), QStringList{QStringLiteral("Ordello Library.odllibrary")});
}

TEST_F(AtomicSaveTest, BackupPathUsesAFreeBackupNameAndLeavesOlderOnesAlone) {
    const QString package = path(QStringLiteral("L"));
    makePackage(package, "old");
    makePackage(path(QStringLiteral("T")), "new");
    write(path(QStringLiteral("L.old")), "older");
    write(path(QStringLiteral("L.old1")), "oldest");

    ASSERT_TRUE(replaceItemThroughBackup(path(QStringLiteral("T")), package));
    EXPECT_EQ(read(package + QStringLiteral("/library.sqlite3")), QByteArray("new-data"));
    EXPECT_EQ(read(path(QStringLiteral("L.old"))), QByteArray("older"));
    EXPECT_EQ(read(path(QStringLiteral("L.old1"))), QByteArray("oldest"));
    EXPECT_EQ(names(), (QStringList{QStringLiteral("L"), QStringLiteral("L.old"), QStringLiteral("L.old1")}));
}

TEST_F(AtomicSaveTest, BackupPathFailingMidwayPutsTheOldPackageBackWhole) {
    const QString package = path(QStringLiteral("L"));
    const QString temporary = path(QStringLiteral("T"));
    makePackage(package, "old");
    makePackage(temporary, "new");
    // A socket inside the new package cannot be copied: the copy fails after part of it was written.
    const QByteArray socketPath = QFile::encodeName(temporary + QStringLiteral("/zz.socket"));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<size_t>(socketPath.size()), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const Status result = replaceItemThroughBackup(temporary, package);
    ::close(fd);

    EXPECT_FALSE(result);
    EXPECT_EQ(read(package + QStringLiteral("/library.sqlite3")), QByteArray("old-data"));
    EXPECT_EQ(read(package + QStringLiteral("/Backups/Latest")), QByteArray("old-backup"));
    EXPECT_EQ(read(temporary + QStringLiteral("/library.sqlite3")), QByteArray("new-data"));
    EXPECT_EQ(names(), (QStringList{QStringLiteral("L"), QStringLiteral("T")}));
}

TEST_F(AtomicSaveTest, BackupPathCopiesLinksAsLinks) {
    const QString package = path(QStringLiteral("L"));
    makePackage(package, "old");
    makePackage(path(QStringLiteral("T")), "new");
    ASSERT_TRUE(QFile::link(QStringLiteral("library.sqlite3"), path(QStringLiteral("T/Latest"))));

    ASSERT_TRUE(replaceItemThroughBackup(path(QStringLiteral("T")), package));
    const QFileInfo link(package + QStringLiteral("/Latest"));
    EXPECT_TRUE(link.isSymLink());
    EXPECT_EQ(read(link.filePath()), QByteArray("new-data"));
}

}  // namespace
