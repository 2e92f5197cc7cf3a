#include "tests/store/library_manager_fixture.h"

#include "model/library.h"
#include "model/managed_object_context.h"
#include "tests/support/fault_random.h"

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

namespace storetest {
namespace {

using LibraryCrashTest = LibraryManagerTest;

constexpr int kLists = 5;

// The test's own lists: ordinary ones, not the special lists every library starts with.
QList<platform::ManagedObject*> lists(TDLibraryManager& manager) {
    const auto found = manager.managedObjectContext()->execute(
        platform::FetchRequest(QStringLiteral("List"), [](const platform::ManagedObject* list) {
            return !list->value(QStringLiteral("special")).toBool() &&
                   !QStringList{QStringLiteral("Learn Ordello"), QStringLiteral("Someday")}.contains(
                       list->value(QStringLiteral("title")).toString());
        }));
    return found.ok() ? *found : QList<platform::ManagedObject*>();
}

// In the child: saves rounds in which every list takes the round's number as its title and a task is
// added, and reports each round once its save has returned. Never returns.
[[noreturn]] void saveBurstsUntilKilled(const QString& package, int reportFd) {
    TDLibraryManager manager(package);
    TDLibraryManager::setSharedManager(&manager);
    if (!manager.loadLibrary().ok()) _exit(2);
    const QList<platform::ManagedObject*> all = lists(manager);
    int round = all.first()->value(QStringLiteral("title")).toInt();
    for (;;) {
        ++round;
        for (platform::ManagedObject* list : all)
            list->setValue(QStringLiteral("title"), QString::number(round));
        platform::ManagedObject* task = manager.managedObjectContext()->insertObject(QStringLiteral("Task"));
        task->setValue(QStringLiteral("title"), QStringLiteral("round %1").arg(round));
        task->setObject(QStringLiteral("parentList"), all.first());
        manager.managedObjectContext()->processPendingChanges();
        if (!manager.saveLibrary()) _exit(3);
        if (write(reportFd, &round, sizeof round) != sizeof round) _exit(4);
    }
}

TEST_F(LibraryCrashTest, AProcessKilledWhileSavingLeavesTheLastCommittedLibrary) {
    createLibrary();
    for (int i = 0; i < kLists; ++i) {
        platform::ManagedObject* list = manager->managedObjectContext()->insertObject(QStringLiteral("List"));
        list->setValue(QStringLiteral("title"), QStringLiteral("0"));
    }
    ASSERT_TRUE(manager->close().ok());
    manager.reset();

    testsupport::FaultRandom random;
    int committed = 0;  // the round the library is known to hold
    int progress = 0;
    for (int run = 0; run < 30; ++run) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            saveBurstsUntilKilled(packagePath(), fds[1]);
        }
        close(fds[1]);
        usleep(static_cast<useconds_t>(random.bounded(5000, 120000)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended by itself with " << WEXITSTATUS(status);
        int reported = committed;
        int round = 0;
        while (read(fds[0], &round, sizeof round) == sizeof round) reported = round;
        close(fds[0]);

        // The round of the save that was running may have reached the disk before its report.
        auto opened = newManager().loadLibrary();
        ASSERT_TRUE(opened.ok()) << "run " << run << ": "
                                 << opened.error().detailedDescription().toStdString();
        const QList<platform::ManagedObject*> all = lists(*manager);
        ASSERT_EQ(all.size(), kLists);
        const int onDisk = all.first()->value(QStringLiteral("title")).toInt();
        for (platform::ManagedObject* list : all)
            ASSERT_EQ(list->value(QStringLiteral("title")).toInt(), onDisk)
                << "run " << run << ": a torn save";
        ASSERT_GE(onDisk, reported) << "run " << run;
        ASSERT_LE(onDisk, reported + 1) << "run " << run;
        const auto tasks = manager->managedObjectContext()->execute(
            platform::FetchRequest(QStringLiteral("Task"), [](const platform::ManagedObject* task) {
                return task->value(QStringLiteral("title")).toString().startsWith(QLatin1String("round "));
            }));
        ASSERT_EQ(tasks->size(), onDisk) << "run " << run;
        progress += onDisk - committed;
        committed = onDisk;
        manager->closeDiscardingChanges();
        manager.reset();
    }
    RecordProperty("committedRounds", progress);
    EXPECT_GT(progress, 0);
}

}  // namespace
}  // namespace storetest
