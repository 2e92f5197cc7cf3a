#include "tests/support/test_environment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// Generous: it only ends a run that hangs.
constexpr int kHangMilliseconds = 120000;

// The real program under a virtual X server with a home of its own.
class ProgramRun {
public:
    explicit ProgramRun(const QString& home) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"ORDELLO_TESTING", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                 "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QDir(home).filePath(QStringLiteral("run")));
        QDir().mkpath(QDir(home).filePath(QStringLiteral("run")));
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        // -a picks a free display; the shell tells the program's own id, for the signal.
        m_process.start(QStringLiteral("xvfb-run"),
                        {QStringLiteral("-a"), QStringLiteral("sh"), QStringLiteral("-c"),
                         QStringLiteral("\"$0\" & child=$!; echo \"pid $child\"; wait $child"),
                         QStringLiteral(ORDELLO_EXECUTABLE)});
    }
    ~ProgramRun() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(kHangMilliseconds);
        }
    }

    bool started() { return m_process.waitForStarted(kHangMilliseconds); }
    qint64 programPid() {
        testsupport::spinUntil(
            [this] {
                m_output += m_process.readAll();
                return m_output.contains("pid ") && m_output.indexOf('\n', m_output.indexOf("pid ")) > 0;
            },
            kHangMilliseconds);
        const qsizetype at = m_output.indexOf("pid ") + 4;
        return m_output.mid(at, m_output.indexOf('\n', at) - at).trimmed().toLongLong();
    }
    void terminate(qint64 pid) { ::kill(static_cast<pid_t>(pid), SIGTERM); }
    // The program's exit status, or -1 when it hung.
    int waitForExit() {
        if (!m_process.waitForFinished(kHangMilliseconds)) return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    QByteArray output() { return m_output + m_process.readAll(); }

private:
    QProcess m_process;
    QByteArray m_output;
};

QString newestLog(const QString& home) {
    const QDir logs(QDir(home).filePath(QStringLiteral(".local/share/Ordello/Logs")));
    const QStringList names = logs.entryList({QStringLiteral("ordello *")}, QDir::Files, QDir::Name);
    return names.isEmpty() ? QString() : logs.filePath(names.last());
}

QString contents(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

// Waits until the log of the newest run says the window stands with the library open.
bool waitForLaunch(const QString& home) {
    return testsupport::spinUntil(
        [&home] { return contents(newestLog(home)).contains(QStringLiteral("Launching the app took")); },
        kHangMilliseconds);
}

TEST(ProgramRunTest, CreatesTheLibraryQuitsCleanlyOnSigtermAndOpensItAgain) {
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty())
        GTEST_SKIP() << "xvfb-run is not installed";
    QTemporaryDir home;
    const QString package =
        QDir(home.path()).filePath(QStringLiteral(".local/share/Ordello/Ordello Library.odllibrary"));

    {
        ProgramRun run(home.path());
        ASSERT_TRUE(run.started());
        const qint64 pid = run.programPid();
        ASSERT_GT(pid, 0) << run.output().toStdString();
        ASSERT_TRUE(waitForLaunch(home.path())) << contents(newestLog(home.path())).toStdString();
        const QString log = contents(newestLog(home.path()));
        EXPECT_TRUE(log.contains(QStringLiteral("Creating new library at '%1'").arg(package)))
            << log.toStdString();
        EXPECT_TRUE(QFileInfo::exists(QDir(package).filePath(QStringLiteral("library.sqlite3"))));
        run.terminate(pid);
        EXPECT_EQ(run.waitForExit(), 0) << contents(newestLog(home.path())).toStdString();
    }
    const QString firstLog = newestLog(home.path());
    EXPECT_TRUE(contents(firstLog).contains(QStringLiteral("Quitting with status 0")));
    // Two runs in the same second would share one log: the first one's is moved out of the way.
    ASSERT_TRUE(QFile::rename(firstLog, QFileInfo(firstLog).dir().filePath(QStringLiteral("first-run.txt"))));

    ProgramRun again(home.path());
    ASSERT_TRUE(again.started());
    const qint64 pid = again.programPid();
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(waitForLaunch(home.path()));
    const QString log = contents(newestLog(home.path()));
    EXPECT_TRUE(log.contains(QStringLiteral("Opened library at '%1'").arg(package))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("Creating new library")));
    EXPECT_FALSE(log.contains(QStringLiteral("ended unexpectedly"))) << "the first run quit cleanly";
    again.terminate(pid);
    EXPECT_EQ(again.waitForExit(), 0);
}

}  // namespace
