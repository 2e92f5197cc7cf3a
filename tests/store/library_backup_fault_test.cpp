#include "tests/store/library_manager_fixture.h"
#include "tests/store/migration_fixture.h"

#include "model/library.h"
#include "model/library_model.h"
#include "model/list.h"
#include "model/task.h"
#include "store/library_backup.h"
#include "store/library_backup_check.h"
#include "store/library_backup_organize_operation.h"
#include "store/property_list_export_operation.h"
#include "store/property_list_library_restore_operation.h"
#include "tests/support/fault_random.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

namespace storetest {
namespace {

// Kills forked children in the middle of a backup or a restore and checks what they leave on disk.
class LibraryBackupFaultTest : public LibraryManagerTest {
protected:
    // A library holding the list titled `marker` with `count` tasks, saved and closed.
    void writeLibrary(const QString& marker, int count) {
        TDLibrary* library = createLibrary();
        ASSERT_TRUE(library);
        TDList* list = library->createList(marker, library->groupWithUID(TDLibrary::FoldersGroupUID));
        for (int i = 0; i < count; ++i) {
            TDTask* task = library->createTask();
            task->setTitle(QStringLiteral("item %1").arg(i));
            task->setObject(QStringLiteral("parentList"), list);
            clock->advanceSeconds(1);
        }
        ASSERT_TRUE(manager->saveLibrary());
        manager->finishPendingOperations();
    }

    // The marker list's title and its number of tasks in the package as it opens now.
    QPair<QString, int> openedContent(int round) {
        auto opened = newManager().loadLibrary();
        EXPECT_TRUE(opened.ok()) << "round " << round << ": "
                                 << (opened.ok() ? "" : opened.error().detailedDescription().toStdString());
        QPair<QString, int> content;
        if (!opened.ok()) return content;
        const auto lists = manager->library()->fetch(QStringLiteral("List"));
        for (platform::ManagedObject* list : *lists) {
            const QString title = list->value(QStringLiteral("title")).toString();
            if (title.startsWith(QLatin1String("Marker"))) {
                EXPECT_TRUE(content.first.isEmpty()) << "round " << round << ": two marker lists";
                content = {title, static_cast<int>(list->objects(QStringLiteral("tasks")).size())};
            }
        }
        manager->closeDiscardingChanges();
        manager.reset();
        return content;
    }

    // Waits for a child, killing it after `delay` microseconds unless it ended before.
    static void killAfter(pid_t child, qint64 delay) {
        ::usleep(static_cast<useconds_t>(delay));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
    }

    static qint64 runToEnd(const std::function<pid_t()>& start) {
        QElapsedTimer timer;
        timer.start();
        int status = 0;
        ::waitpid(start(), &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "an undisturbed child failed";
        return std::max<qint64>(timer.nsecsElapsed() / 1000, 1000);
    }
};

// A child backs the library up again and again into its Backup folder and is killed at random: the
// library opens untouched and every backup under its final name is whole.
TEST_F(LibraryBackupFaultTest, ABackupKilledAtAnyMomentLeavesTheLibraryAndOnlyWholeBackups) {
    writeLibrary(QStringLiteral("Marker"), 40);
    const QString folder = QDir(packagePath()).filePath(TDBackupFolderName);
    ASSERT_TRUE(manager->close().ok());
    manager.reset();

    auto runChild = [this, folder]() -> pid_t {
        const pid_t pid = ::fork();
        if (pid == 0) {
            TDLibraryManager child(packagePath());
            TDLibraryManager::setSharedManager(&child);
            QDir().mkpath(folder);
            for (int round = 0; round < 3; ++round) {
                clock->advanceSeconds(3600);
                const QString path = QDir(folder).filePath(TDBackupFileName(TDClock::currentDateTime()));
                std::make_shared<TDPropertyListExportOperation>(packagePath(), path + QStringLiteral(".gz"),
                                                                TDBackupCompression::Gzip)
                    ->start();
                std::make_shared<TDLibraryBackupOrganizeOperation>(packagePath())->start();
            }
            ::_exit(0);
        }
        return pid;
    };
    const qint64 duration = runToEnd(runChild);

    const auto model = TDLibraryObjectModel();
    testsupport::FaultRandom random;
    QElapsedTimer budget;
    budget.start();
    int backupsChecked = 0;
    for (int round = 0; round < 100 && budget.elapsed() < 8000; ++round) {
        killAfter(runChild(), random.bounded(duration));
        const QPair<QString, int> content = openedContent(round);
        ASSERT_EQ(content, qMakePair(QStringLiteral("Marker"), 40)) << "round " << round;
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) {
            // Half-written temporary files keep a name of their own.
            if (!file.fileName().endsWith(QLatin1String(".odlbackup")) &&
                !file.fileName().endsWith(QLatin1String(".odlbackup.gz")))
                continue;
            const Status backup = TDReadLibraryBackupSummary(file.absoluteFilePath(), **model).problem;
            ASSERT_TRUE(backup.ok()) << "round " << round << ": " << file.fileName().toStdString() << ": "
                                     << backup.error().detailedDescription().toStdString();
            ++backupsChecked;
        }
        // The link is replaced in one step and only ever points at a backup that reads back.
        const QFileInfo latest(QDir(folder).filePath(TDLatestBackupLinkName));
        ASSERT_TRUE(latest.isSymLink()) << "round " << round;
        EXPECT_TRUE(TDBackupFileReadsBack(latest.symLinkTarget())) << "round " << round;
    }
    RecordProperty("backupsChecked", backupsChecked);
}

// A child restores a backup over the open library and is killed at random, half the time near the
// end where the packages are swapped: the package opens with the old library or the restored one.
TEST_F(LibraryBackupFaultTest, ARestoreKilledAtAnyMomentLeavesTheOldOrTheRestoredLibrary) {
    writeLibrary(QStringLiteral("Marker new"), 5);
    const QString backup = QDir(tempPath()).filePath(QStringLiteral("saved/restore.odlbackup"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(backup).absolutePath()));
    std::make_shared<TDPropertyListExportOperation>(packagePath(), backup)->start();
    ASSERT_TRUE(QFileInfo::exists(backup));
    // The old library: the marker renamed and three more tasks.
    TDLibrary* library = manager->library();
    TDList* marker = nullptr;
    const auto lists = library->fetch(QStringLiteral("List"));
    ASSERT_TRUE(lists.ok());
    for (platform::ManagedObject* list : *lists)
        if (list->value(QStringLiteral("title")).toString() == QLatin1String("Marker new"))
            marker = static_cast<TDList*>(list);
    ASSERT_TRUE(marker);
    marker->setValue(QStringLiteral("title"), QStringLiteral("Marker old"));
    for (int i = 5; i < 8; ++i) {
        TDTask* task = library->createTask();
        task->setTitle(QStringLiteral("item %1").arg(i));
        task->setObject(QStringLiteral("parentList"), marker);
    }
    ASSERT_TRUE(manager->saveLibrary());
    manager->finishPendingOperations();
    ASSERT_TRUE(manager->close().ok());
    manager.reset();
    const QString pristine = QDir(tempPath()).filePath(QStringLiteral("saved/pristine"));
    copyFolder(packagePath(), pristine);

    auto runChild = [this, backup]() -> pid_t {
        const pid_t pid = ::fork();
        if (pid == 0) {
            TDLibraryManager child(packagePath());
            TDLibraryManager::setSharedManager(&child);
            if (!child.loadLibrary().ok()) ::_exit(2);
            auto restore = std::make_shared<TDPropertyListLibraryRestoreOperation>(backup, packagePath());
            restore->setLibraryManager(&child);
            restore->start();
            ::_exit(QFileInfo::exists(packagePath()) ? 0 : 3);
        }
        return pid;
    };
    auto resetFolder = [this, pristine] {
        for (const QFileInfo& item :
             QDir(tempPath()).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            if (item.fileName().startsWith(QLatin1String("Ordello Library")) ||
                item.fileName().startsWith(QLatin1String(".Ordello Library")))
                QDir(item.absoluteFilePath()).removeRecursively();
        copyFolder(pristine, packagePath());
    };
    resetFolder();
    const qint64 duration = runToEnd(runChild);
    ASSERT_EQ(openedContent(-1), qMakePair(QStringLiteral("Marker new"), 5));

    testsupport::FaultRandom random;
    QElapsedTimer budget;
    budget.start();
    int oldSeen = 0, newSeen = 0;
    for (int round = 0; round < 100 && budget.elapsed() < 8000; ++round) {
        resetFolder();
        killAfter(runChild(), round % 2 == 0 ? random.bounded(duration * 11 / 10)
                                             : duration * 7 / 10 + random.bounded(duration * 4 / 10));
        const QPair<QString, int> content = openedContent(round);
        if (content.first == QLatin1String("Marker new")) {
            ASSERT_EQ(content.second, 5) << "round " << round;
            ++newSeen;
        } else {
            ASSERT_EQ(content, qMakePair(QStringLiteral("Marker old"), 8)) << "round " << round;
            ++oldSeen;
        }
    }
    RecordProperty("killedBeforeTheSwap", oldSeen);
    RecordProperty("killedAfterTheSwap", newSeen);
}

}  // namespace
}  // namespace storetest
