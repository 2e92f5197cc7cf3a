#include "tests/store/library_manager_fixture.h"

#include "platform/files/file_lock.h"
#include "store/library_opening_errors.h"

#include <QFileInfo>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

namespace storetest {
namespace {

using LibraryLockTest = LibraryManagerTest;

// A forked process that opens the package and reports the outcome (0, or the error's code). When
// the open succeeded and `hold` is set it keeps the library open until it is killed; otherwise it ends.
struct OpeningProcess {
    pid_t pid = -1;
    int report = -1;

    static OpeningProcess start(const QString& package, bool hold) {
        int fds[2];
        if (pipe(fds) != 0) return {};
        const pid_t child = fork();
        if (child == 0) {
            close(fds[0]);
            TDLibraryManager manager(package);
            TDLibraryManager::setSharedManager(&manager);
            const auto opened = manager.loadLibrary();
            const int code = opened.ok() ? 0 : opened.error().code;
            if (write(fds[1], &code, sizeof code) != sizeof code) _exit(4);
            if (opened.ok() && hold)
                for (;;) pause();
            _exit(0);
        }
        close(fds[1]);
        return {child, fds[0]};
    }
    // The code the child reported, or -1 when it reported nothing.
    int outcome() const {
        int code = -1;
        return read(report, &code, sizeof code) == sizeof code ? code : -1;
    }
    void kill() const { ::kill(pid, SIGKILL); }
    // True when it ended by the signal given, or normally when that is 0.
    bool endedBy(int signal) const {
        int status = 0;
        if (waitpid(pid, &status, 0) != pid) return false;
        return signal ? WIFSIGNALED(status) && WTERMSIG(status) == signal : WIFEXITED(status);
    }
    ~OpeningProcess() {
        if (report >= 0) close(report);
    }
};

TEST_F(LibraryLockTest, ASecondProcessIsRefusedAndAKilledHoldersLockIsRecovered) {
    createLibrary();
    ASSERT_TRUE(manager->close().ok());
    manager.reset();

    const OpeningProcess holder = OpeningProcess::start(packagePath(), true);
    ASSERT_GT(holder.pid, 0);
    ASSERT_EQ(holder.outcome(), 0);

    // Given the library open in another process, this one is refused and the store left alone.
    const auto refused = newManager().loadLibrary();
    ASSERT_FALSE(refused.ok());
    EXPECT_TRUE(refused.error().isInDomain(TDErrorLibraryInUse));
    EXPECT_TRUE(refused.error().recoverySuggestion.contains(QString::number(holder.pid)))
        << refused.error().recoverySuggestion.toStdString();
    EXPECT_TRUE(refused.error().recoverySuggestion.contains(packagePath()));
    EXPECT_EQ(manager->managedObjectContext(), nullptr);

    // When the holder is killed, its lock file stays behind but no longer holds the library.
    holder.kill();
    ASSERT_TRUE(holder.endedBy(SIGKILL));
    ASSERT_TRUE(QFileInfo::exists(manager->lockFilePath()));
    ASSERT_EQ(platform::FileLock::recordedHolder(manager->lockFilePath()), holder.pid);
    const auto opened = newManager().loadLibrary();
    ASSERT_TRUE(opened.ok()) << opened.error().detailedDescription().toStdString();

    // And the other way round: while this process holds it, another is refused, and one started after
    // it closes gets in.
    const OpeningProcess second = OpeningProcess::start(packagePath(), false);
    EXPECT_EQ(second.outcome(), TDErrorLibraryInUse);
    EXPECT_TRUE(second.endedBy(0));
    ASSERT_TRUE(manager->close().ok());
    const OpeningProcess third = OpeningProcess::start(packagePath(), false);
    EXPECT_EQ(third.outcome(), 0);
    EXPECT_TRUE(third.endedBy(0));
}

TEST_F(LibraryLockTest, TwoManagersInOneProcessDoNotShareALibrary) {
    createLibrary();
    TDLibraryManager second(packagePath());
    const auto refused = second.loadLibrary();
    ASSERT_FALSE(refused.ok());
    EXPECT_TRUE(refused.error().isInDomain(TDErrorLibraryInUse));
    // Nor may a second manager make a library beside the open one.
    EXPECT_FALSE(second.createLibrary().ok());

    ASSERT_TRUE(manager->close().ok());
    EXPECT_TRUE(second.loadLibrary().ok());
}

}  // namespace
}  // namespace storetest
