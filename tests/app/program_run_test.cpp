#include "foundation/application_delegate.h"
#include "model/group.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "store/library_manager.h"
#include "tests/support/core/recording_app_delegate.h"
#include "tests/support/test_environment.h"

#include <QDateTime>
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

// A session bus address where no bus listens.
QString noBus(const QString& home) {
    return QStringLiteral("unix:path=%1").arg(QDir(home).filePath(QStringLiteral("no-bus")));
}

// The program's environment: a home of its own and the given session bus, nothing of the test's.
QProcessEnvironment programEnvironment(const QString& home, const QString& busAddress) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"ORDELLO_TESTING", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QDir(home).filePath(QStringLiteral("run")));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    QDir().mkpath(QDir(home).filePath(QStringLiteral("run")));
    return environment;
}

// A session bus of the test's own, so that the program never meets the desktop's.
class PrivateSessionBus {
public:
    PrivateSessionBus() {
        m_daemon.start(
            QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!m_daemon.waitForStarted(kHangMilliseconds)) return;
        testsupport::spinUntil(
            [this] { return m_daemon.canReadLine() || m_daemon.state() == QProcess::NotRunning; },
            kHangMilliseconds);
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateSessionBus() {
        m_daemon.terminate();
        m_daemon.waitForFinished(kHangMilliseconds);
    }
    QString address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

// The real program under a virtual X server with a home of its own.
class ProgramRun {
public:
    explicit ProgramRun(const QString& home, const QString& busAddress = {}) {
        m_process.setProcessEnvironment(
            programEnvironment(home, busAddress.isEmpty() ? noBus(home) : busAddress));
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
    int waitForExit(int milliseconds = kHangMilliseconds) {
        if (!m_process.waitForFinished(milliseconds)) return -1;
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
    if (path.isEmpty()) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

// A later process, started while a first one runs: it needs no screen to hand over or to be refused.
struct LaterRun {
    int status = -1;  // -1: it hung or crashed
    QByteArray output;
};
LaterRun runLater(const QString& home, const QString& busAddress, const QString& folder,
                  const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = programEnvironment(home, busAddress);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(ORDELLO_EXECUTABLE), arguments);
    LaterRun run;
    if (process.waitForFinished(kHangMilliseconds) && process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    run.output = process.readAll();
    return run;
}

QString defaultPackage(const QString& home) {
    return QDir(home).filePath(QStringLiteral(".local/share/Ordello/Ordello Library.odllibrary"));
}

// The titles at the top of the library's Inbox, read by the test itself once the program has quit.
QStringList inboxTitles(const QString& package) {
    testsupport::RecordingAppDelegate delegate;
    TDSetAppDelegate(&delegate);
    QStringList titles;
    {
        TDLibraryManager manager(package);
        TDLibraryManager::setSharedManager(&manager);
        const Result<TDLibrary*> loaded = manager.loadLibrary();
        if (loaded) {
            for (TDTask* task : loaded.value()->inboxGroup()->orderedTasks()->objectsAs<TDTask>())
                titles << task->title();
        } else {
            titles << QStringLiteral("not loaded: ") + loaded.error().description;
        }
        manager.closeDiscardingChanges();
        TDLibraryManager::setSharedManager(nullptr);
    }
    TDSetAppDelegate(nullptr);
    return titles;
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
    const QString package = defaultPackage(home.path());

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

void writeFile(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Every file under the folder with its bytes, to show that nothing was written; the lock holds whichever
// process last opened the library.
QMap<QString, QByteArray> filesUnder(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileName() == QStringLiteral("library.lock")) continue;
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) files.insert(QDir(folder).relativeFilePath(path), file.readAll());
    }
    return files;
}

TEST(ProgramRunTest, SigtermWhileALaunchAlertIsUpEndsTheProgramAndWritesNothing) {
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty())
        GTEST_SKIP() << "xvfb-run is not installed";
    struct Case {
        const char* name;
        bool damagedLibrary;  // a library whose store is damaged, with a backup to offer
        QString alertLine;    // what the log says just before the alert
    };
    const Case cases[] = {
        // A folder of the person's own where the library would go: the program asks where it is.
        {"library question", false, QStringLiteral("holds no library")},
        {"restore offer", true, QStringLiteral("Application presenting error")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir home;
        const QString package = defaultPackage(home.path());
        if (c.damagedLibrary) {
            ProgramRun first(home.path());
            ASSERT_TRUE(first.started());
            const qint64 pid = first.programPid();
            ASSERT_TRUE(waitForLaunch(home.path())) << contents(newestLog(home.path())).toStdString();
            first.terminate(pid);
            ASSERT_EQ(first.waitForExit(), 0);
            const QString firstLog = newestLog(home.path());
            ASSERT_TRUE(
                QFile::rename(firstLog, QFileInfo(firstLog).dir().filePath(QStringLiteral("first-run.txt"))));
            writeFile(QDir(package).filePath(QStringLiteral("library.sqlite3")), QByteArray(4096, 'x'));
            writeFile(QDir(package).filePath(QStringLiteral("Backup/backup-2026-01-01-000000.odlbackup")),
                      QByteArray("<plist/>"));
        } else {
            writeFile(QDir(package).filePath(QStringLiteral("notes.txt")), QByteArray("mine"));
        }
        ProgramRun run(home.path());
        ASSERT_TRUE(run.started());
        const qint64 pid = run.programPid();
        ASSERT_GT(pid, 0) << run.output().toStdString();
        ASSERT_TRUE(testsupport::spinUntil(
            [&] { return contents(newestLog(home.path())).contains(c.alertLine); }, kHangMilliseconds))
            << contents(newestLog(home.path())).toStdString();
        // As the alert stands: the opening may have set damaged files aside before asking.
        const QMap<QString, QByteArray> asked = filesUnder(package);
        run.terminate(pid);
        // Far more than the moment it takes: only a program that ignores the signal fails here.
        EXPECT_EQ(run.waitForExit(10000), 0) << contents(newestLog(home.path())).toStdString();
        EXPECT_TRUE(contents(newestLog(home.path())).contains(QStringLiteral("Quitting with status 0")));
        const QMap<QString, QByteArray> after = filesUnder(package);
        EXPECT_EQ(after.keys(), asked.keys());
        for (const QString& name : asked.keys())
            EXPECT_EQ(after.value(name), asked.value(name)) << name.toStdString();
    }
}

TEST(ProgramRunTest, AFirstStartKilledBeforeItsStoreMovedInIsFinishedByTheNextStart) {
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty())
        GTEST_SKIP() << "xvfb-run is not installed";
    QTemporaryDir home;
    const QString package = defaultPackage(home.path());
    // What a first start killed before its store moved in leaves.
    ASSERT_TRUE(QDir().mkpath(QDir(package).filePath(QStringLiteral(".new-library-Qx81Za"))));
    QFile lock(QDir(package).filePath(QStringLiteral("library.lock")));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.close();

    ProgramRun run(home.path());
    ASSERT_TRUE(run.started());
    const qint64 pid = run.programPid();
    ASSERT_GT(pid, 0) << run.output().toStdString();
    ASSERT_TRUE(waitForLaunch(home.path())) << contents(newestLog(home.path())).toStdString();
    const QString log = contents(newestLog(home.path()));
    EXPECT_TRUE(log.contains(QStringLiteral("holds only what an interrupted first start left")))
        << log.toStdString();
    EXPECT_FALSE(QFileInfo::exists(QDir(package).filePath(QStringLiteral(".new-library-Qx81Za"))));
    run.terminate(pid);
    EXPECT_EQ(run.waitForExit(), 0) << contents(newestLog(home.path())).toStdString();
    EXPECT_FALSE(inboxTitles(package).value(0).startsWith(QStringLiteral("not loaded")));
}

TEST(ProgramRunTest, LaterProcessHandsItsFileToTheRunningOneOverTheSessionBusAndEnds) {
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
        GTEST_SKIP() << "xvfb-run or dbus-daemon is not installed";
    QTemporaryDir home;
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    const QString folder = QDir(home.path()).filePath(QStringLiteral("notes"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile file(QDir(folder).filePath(QStringLiteral("Handed over.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("from the later process");
    file.close();

    ProgramRun run(home.path(), bus.address());
    ASSERT_TRUE(run.started());
    const qint64 pid = run.programPid();
    ASSERT_GT(pid, 0) << run.output().toStdString();
    ASSERT_TRUE(waitForLaunch(home.path())) << contents(newestLog(home.path())).toStdString();

    // A path relative to the later process's own folder.
    const LaterRun later = runLater(home.path(), bus.address(), folder, {QStringLiteral("Handed over.txt")});
    EXPECT_EQ(later.status, 0) << later.output.toStdString();
    run.terminate(pid);
    EXPECT_EQ(run.waitForExit(), 0) << contents(newestLog(home.path())).toStdString();

    const QString log = contents(newestLog(home.path()));
    EXPECT_EQ(log.count(QStringLiteral("Starting")), 1) << "the later process writes no log\n"
                                                        << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("No session bus"))) << log.toStdString();
    EXPECT_EQ(inboxTitles(defaultPackage(home.path())).value(0),
              QStringLiteral("Look at \"Handed over.txt\""));
}

// A script's call with the desktop's own command-line tool; its printed answer, empty when it failed.
QString scriptCall(const QString& busAddress, const QStringList& arguments) {
    QProcess gdbus;
    gdbus.start(QStringLiteral("gdbus"),
                QStringList{QStringLiteral("call"), QStringLiteral("--address"), busAddress,
                            QStringLiteral("--dest"), QStringLiteral("com.vantorel.Ordello")} +
                    arguments);
    if (!gdbus.waitForFinished(kHangMilliseconds) || gdbus.exitCode() != 0) return {};
    return QString::fromUtf8(gdbus.readAllStandardOutput()).trimmed();
}

TEST(ProgramRunTest, ALinkHandedOverAndAScriptOnTheSessionBusAddTasksToTheRunningOne) {
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("gdbus")).isEmpty())
        GTEST_SKIP() << "xvfb-run, dbus-daemon or gdbus is not installed";
    QTemporaryDir home;
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address().isEmpty());
    ProgramRun run(home.path(), bus.address());
    ASSERT_TRUE(run.started());
    const qint64 pid = run.programPid();
    ASSERT_GT(pid, 0) << run.output().toStdString();
    ASSERT_TRUE(waitForLaunch(home.path())) << contents(newestLog(home.path())).toStdString();

    // As `xdg-open` starts a later process with the link.
    const LaterRun later = runLater(home.path(), bus.address(), home.path(),
                                    {QStringLiteral("ordello:///inbox/tasks?method=POST&title=From+a+link")});
    EXPECT_EQ(later.status, 0) << later.output.toStdString();

    const QString inbox = scriptCall(
        bus.address(), {QStringLiteral("--object-path"), QStringLiteral("/com/vantorel/Ordello"),
                        QStringLiteral("--method"), QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                        QStringLiteral("com.vantorel.Ordello.Application"), QStringLiteral("Inbox")});
    const QString path = inbox.section(QLatin1Char('\''), 1, 1);
    ASSERT_TRUE(path.startsWith(QStringLiteral("/com/vantorel/Ordello/groups/"))) << inbox.toStdString();
    const QString made =
        scriptCall(bus.address(), {QStringLiteral("--object-path"), path, QStringLiteral("--method"),
                                   QStringLiteral("com.vantorel.Ordello.Group.MakeTask"),
                                   QStringLiteral("{'Title': <'From a script'>}"), QStringLiteral("0")});
    EXPECT_TRUE(made.contains(QStringLiteral("/com/vantorel/Ordello/tasks/"))) << made.toStdString();

    run.terminate(pid);
    EXPECT_EQ(run.waitForExit(), 0) << contents(newestLog(home.path())).toStdString();
    EXPECT_EQ(inboxTitles(defaultPackage(home.path())).mid(0, 2),
              (QStringList{QStringLiteral("From a script"), QStringLiteral("From a link")}));
}

TEST(ProgramRunTest, WithoutSessionBusLaterProcessIsRefusedByTheLibraryLock) {
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty())
        GTEST_SKIP() << "xvfb-run is not installed";
    QTemporaryDir home;
    ProgramRun run(home.path());
    ASSERT_TRUE(run.started());
    const qint64 pid = run.programPid();
    ASSERT_GT(pid, 0) << run.output().toStdString();
    ASSERT_TRUE(waitForLaunch(home.path())) << contents(newestLog(home.path())).toStdString();
    const QString log = contents(newestLog(home.path()));
    EXPECT_EQ(log.count(QStringLiteral("No session bus")), 1) << log.toStdString();

    const QString marker = QDir(home.path()).filePath(QStringLiteral(".local/share/Ordello/Logs/running"));
    const QString runningMarker = contents(marker);
    ASSERT_FALSE(runningMarker.isEmpty());
    const QFileInfo settings(QDir(home.path()).filePath(QStringLiteral(".config/Ordello/Ordello.conf")));
    const QString runningSettings = contents(settings.filePath());
    const QDateTime settingsWritten = settings.lastModified();

    const LaterRun later = runLater(home.path(), noBus(home.path()), home.path(), {});
    EXPECT_NE(later.status, 0) << later.output.toStdString();
    EXPECT_NE(later.status, -1) << "the later process hung";
    EXPECT_TRUE(later.output.contains("Ordello is already running with this library"))
        << later.output.toStdString();
    // The refused process leaves the running one's crash marker as it found it.
    EXPECT_EQ(contents(marker), runningMarker);
    EXPECT_EQ(contents(settings.filePath()), runningSettings);
    EXPECT_EQ(QFileInfo(settings.filePath()).lastModified(), settingsWritten);

    // The first one runs on undisturbed, and its clean quit is known as one.
    run.terminate(pid);
    EXPECT_EQ(run.waitForExit(), 0) << contents(newestLog(home.path())).toStdString();
    EXPECT_FALSE(QFileInfo::exists(marker));
}

}  // namespace
