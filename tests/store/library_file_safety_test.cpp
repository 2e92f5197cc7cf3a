#include "tests/store/library_manager_fixture.h"
#include "tests/support/small_file_system.h"

#include "foundation/private_folders.h"
#include "model/library.h"
#include "model/tag.h"
#include "model/task.h"
#include "model/task_classifier.h"
#include "platform/files/atomic_save.h"
#include "store/library_backup.h"
#include "store/library_backup_check.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <functional>
#include <map>
#include <string>

namespace storetest {
namespace {

using platform::AtomicWriteFailure;
using platform::AtomicWriteStep;

// What a full or failing disk does to the files of a package, and who may read them.
class LibraryFileSafetyTest : public LibraryManagerTest {
protected:
    // Every file of the package but the store, by path inside the package: a file's size and checksum,
    // a link's destination.
    using Files = std::map<std::string, std::string>;
    static Files packageFiles(const QString& package) {
        Files files;
        QDirIterator it(package, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            const QString name = QDir(package).relativeFilePath(info.filePath());
            if (name.startsWith(QLatin1String("library.sqlite3"))) continue;
            QString description;
            if (info.isSymLink()) {
                description = QStringLiteral("-> ") + QFileInfo(info.symLinkTarget()).fileName();
            } else {
                QFile file(info.filePath());
                const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
                description = QStringLiteral("%1 bytes, sha1 %2")
                                  .arg(bytes.size())
                                  .arg(QString::fromLatin1(
                                      QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex()));
            }
            files[name.toStdString()] = description.toStdString();
        }
        return files;
    }
    static Files matching(const Files& files, const QString& part) {
        Files found;
        for (const auto& [name, description] : files)
            if (QString::fromStdString(name).contains(part)) found[name] = description;
        return found;
    }

    // A change that every whole file of the package records: a task with a new tag (the store, the
    // backups, the tag prediction after retraining), an option, and the time of saving (Info.plist).
    void change(TDLibraryManager& libraryManager, int n) {
        clock->advanceSeconds(3600);
        TDLibrary* library = libraryManager.library();
        TDTask* task = library->createTask();
        task->setTitle(QStringLiteral("Call the plumber %1").arg(n));
        task->addObjects(QStringLiteral("tags"),
                         {library->createTagWithTitle(QStringLiteral("home %1").arg(n))});
        libraryManager.setOption(n, QStringLiteral("testRound"));
        library->taskClassifier()->retrain();
    }
};

// Runs everywhere: the writer's armed failure stands for the full disk.
TEST_F(LibraryFileSafetyTest, AFileOfThePackageThatCannotBeWrittenKeepsItsOldContents) {
    ASSERT_TRUE(createLibrary());
    change(*manager, 0);
    ASSERT_TRUE(manager->saveLibrary());
    manager->finishPendingOperations();

    const struct {
        const char* armedFor;              // the part of the path the failure is armed for
        const char* files;                 // the files that must stay as they were
        std::function<Status()> reported;  // the writer's own answer, where it gives one
    } cases[] = {
        {"Info.plist", "Info.plist", [this] { return manager->saveInfoDictionary(); }},
        {"options.plist", "options.plist", nullptr},
        {"tag_autosuggest.data", "tag_autosuggest.data",
         [this] { return manager->library()->taskClassifier()->save(); }},
        {"backup-", "Backup/", nullptr},
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.armedFor);
        const QString files = QString::fromLatin1(c.files);
        const auto before = matching(packageFiles(packagePath()), files);
        ASSERT_FALSE(before.empty());
        change(*manager, ++round);
        {
            AtomicWriteFailure failure(AtomicWriteStep::Write, QString::fromLatin1(c.armedFor));
            // The store itself is saved; what could not be written is logged.
            EXPECT_TRUE(manager->saveLibrary());
            manager->finishPendingOperations();
            if (c.reported) {
                EXPECT_FALSE(c.reported());
            }
            EXPECT_GE(failure.failures(), 1);
        }
        EXPECT_EQ(matching(packageFiles(packagePath()), files), before);

        // The next save writes what was missed.
        change(*manager, ++round);
        ASSERT_TRUE(manager->saveLibrary());
        manager->finishPendingOperations();
        EXPECT_NE(matching(packageFiles(packagePath()), files), before);
    }
}

TEST_F(LibraryFileSafetyTest, SavesOnAFullDiskLeaveEveryFileWholeAndSayTheyFailed) {
    SmallFileSystem disk(16 * 1024 * 1024);
    if (!disk.isMounted()) GTEST_SKIP() << disk.skipReason().toStdString();
    const QString package = disk.filePath(QStringLiteral("Ordello Library.odllibrary"));
    auto full = std::make_unique<TDLibraryManager>(package);
    TDLibraryManager::setSharedManager(full.get());
    ASSERT_TRUE(full->createLibrary().ok());
    change(*full, 0);
    ASSERT_TRUE(full->saveLibrary());
    full->finishPendingOperations();
    const auto before = packageFiles(package);
    for (const char* name :
         {"Info.plist", "options.plist", "tag_autosuggest.data", "Backup/Latest.odlbackup.gz"})
        ASSERT_TRUE(before.count(name)) << name;

    disk.fill();
    change(*full, 1);
    // The store may still find room in its journal; every other file needs new room.
    full->saveLibrary();
    full->finishPendingOperations();
    EXPECT_FALSE(full->saveInfoDictionary());
    EXPECT_FALSE(full->library()->taskClassifier()->save());
    EXPECT_EQ(packageFiles(package), before);
    const QFileInfo latest(QDir(package).filePath(QStringLiteral("Backup/Latest.odlbackup.gz")));
    EXPECT_TRUE(TDBackupFileReadsBack(latest.symLinkTarget()));

    // With room again, the library opens as it was last saved and the files are written.
    disk.drain();
    full->closeDiscardingChanges();
    full = std::make_unique<TDLibraryManager>(package);
    TDLibraryManager::setSharedManager(full.get());
    ASSERT_TRUE(full->loadLibrary().ok());
    change(*full, 2);
    ASSERT_TRUE(full->saveLibrary());
    full->finishPendingOperations();
    EXPECT_TRUE(full->saveInfoDictionary());
    EXPECT_NE(packageFiles(package).at("Info.plist"), before.at("Info.plist"));
    full.reset();
    TDLibraryManager::setSharedManager(nullptr);
}

// With the creation mask of the program's start, nothing in the package is open to other users; under
// the old design's mask the whole files the program writes are still its owner's alone.
TEST_F(LibraryFileSafetyTest, ThePackageIsItsOwnersAlone) {
    const struct {
        mode_t mask;
        bool everything;  // or only the whole files written through the checked writer
    } cases[] = {{TDPrivateCreationMask, true}, {022, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "umask " << std::oct << c.mask);
        const mode_t previous = ::umask(c.mask);
        const bool created = createLibrary() != nullptr;
        if (created) {
            change(*manager, 0);
            EXPECT_TRUE(manager->saveLibrary());
            manager->finishPendingOperations();
        }
        ::umask(previous);
        ASSERT_TRUE(created);

        QStringList open;
        QStringList entries{packagePath()};
        QDirIterator it(packagePath(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) entries.append(it.next());
        for (const QString& entry : entries) {
            struct stat info {};
            ASSERT_EQ(::lstat(QFile::encodeName(entry).constData(), &info), 0);
            if (S_ISLNK(info.st_mode)) continue;
            const bool wholeFile = S_ISREG(info.st_mode) && !entry.contains(QLatin1String("library.sqlite3"));
            if (!c.everything && !wholeFile) continue;
            const mode_t expected = S_ISDIR(info.st_mode) ? 0700 : 0600;
            if ((info.st_mode & 07777) != expected)
                open.append(QStringLiteral("%1 %2").arg(info.st_mode & 07777, 0, 8).arg(entry));
        }
        EXPECT_EQ(open, QStringList());
        EXPECT_TRUE(entries.contains(QDir(packagePath()).filePath(QStringLiteral("tag_autosuggest.data"))));

        manager->closeDiscardingChanges();
        manager.reset();
        ASSERT_TRUE(QDir(packagePath()).removeRecursively());
    }
}

}  // namespace
}  // namespace storetest
