#include "app/crash_marker.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

namespace {

class CrashMarkerTest : public testsupport::TempFoldersTest {};

TEST_F(CrashMarkerTest, ARunThatEndedWithoutQuittingIsFoundAtTheNextStart) {
    const QString path = QDir(tempPath()).filePath(QStringLiteral("Logs/running"));
    TDCrashMarker marker(path);
    EXPECT_FALSE(marker.noteStart(QStringLiteral("ordello 1.log"))) << "nothing before the first run";
    EXPECT_TRUE(QFileInfo::exists(path));
    // The run is killed: no clean quit removes the marker.
    EXPECT_TRUE(marker.noteStart(QStringLiteral("ordello 1.log")));
    marker.noteCleanQuit();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(marker.noteStart(QStringLiteral("ordello 2.log")));
}

TEST_F(CrashMarkerTest, AMarkerOfARunningProcessIsLeftAloneByALaterOne) {
    const QString path = QDir(tempPath()).filePath(QStringLiteral("Logs/running"));
    // Another process of this same program, running until it is ended.
    const pid_t running = fork();
    ASSERT_GE(running, 0);
    if (running == 0) {
        pause();
        _exit(0);
    }
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::number(running) + '\n');
    file.close();

    TDCrashMarker later(path);
    EXPECT_FALSE(later.noteStart(QStringLiteral("ordello 1.log"))) << "the other run has not ended";
    later.noteCleanQuit();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().trimmed().toLongLong(), running);
    file.close();

    // Once that process is gone without quitting, its marker tells of it.
    kill(running, SIGKILL);
    waitpid(running, nullptr, 0);
    TDCrashMarker next(path);
    EXPECT_TRUE(next.noteStart(QStringLiteral("ordello 1.log")));
    next.noteCleanQuit();
    EXPECT_FALSE(QFileInfo::exists(path));
}

}  // namespace
