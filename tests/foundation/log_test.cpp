#include "platform/base/log.h"
#include "foundation/log_files.h"
#include "foundation/timing.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <unistd.h>

namespace {

class LogTest : public testsupport::TempFoldersTest {
protected:
    void TearDown() override {
        setLogLevel(TDLogInfo);
        TempFoldersTest::TearDown();
    }
};

struct NameCase {
    int h, m, s;
    const char* expected;
};

TEST(LogFileName, IsExecutableDateAndSecondsSinceMidnight) {
    const NameCase cases[] = {
        {12, 34, 56, "Ordello 2026-12-07-045296.log"},
        {0, 0, 7, "Ordello 2026-12-07-000007.log"},
        {0, 1, 40, "Ordello 2026-12-07-000100.log"},
        {23, 59, 59, "Ordello 2026-12-07-086399.log"},
    };
    for (const auto& c : cases) {
        const QDateTime moment(QDate(2026, 12, 7), QTime(c.h, c.m, c.s));
        EXPECT_EQ(logFileNameForMoment(QStringLiteral("Ordello "), moment), QString::fromLatin1(c.expected));
    }
}

TEST_F(LogTest, PruningKeepsNineOfOursAndNeverTouchesOthers) {
    const QString folder = tempPath() + QStringLiteral("/Logs");
    QDir().mkpath(folder);
    for (int i = 0; i < 12; ++i) {
        QFile f(folder +
                QStringLiteral("/Ordello 2026-12-%1-000000.log").arg(i + 1, 2, 10, QLatin1Char('0')));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QFile other(folder + QStringLiteral("/Other 2026-01-01-000000.log"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));

    pruneLogFiles(QStringLiteral("Ordello "), folder);

    const QStringList left = logFilesWithPrefix(QStringLiteral("Ordello "), folder);
    ASSERT_EQ(left.size(), 9);
    EXPECT_TRUE(left.first().endsWith(QStringLiteral("2026-12-04-000000.log")));
    EXPECT_TRUE(QFile::exists(other.fileName()));

    pruneLogFiles(QStringLiteral("Ordello "), folder);
    EXPECT_EQ(logFilesWithPrefix(QStringLiteral("Ordello "), folder).size(), 9);
}

TEST_F(LogTest, RunsStartedInOneSecondEachGetAFileOfTheirOwnSortedByStart) {
    const QString folder = tempPath() + QStringLiteral("/Logs");
    const QDateTime moment(QDate(2026, 12, 7), QTime(0, 0, 7));
    const QString prefix = QStringLiteral("Ordello ");
    const QString first = claimLogFileForMoment(folder, prefix, moment);
    QFile running(first);
    ASSERT_TRUE(running.open(QIODevice::Append));
    running.write("running\n");
    running.close();

    const QString second = claimLogFileForMoment(folder, prefix, moment);
    const QString third = claimLogFileForMoment(folder, prefix, moment);

    EXPECT_TRUE(first.endsWith(QStringLiteral("/Ordello 2026-12-07-000007.log")));
    EXPECT_TRUE(second.endsWith(QStringLiteral("/Ordello 2026-12-07-000007_2.log")));
    EXPECT_TRUE(third.endsWith(QStringLiteral("/Ordello 2026-12-07-000007_3.log")));
    EXPECT_EQ(logFilesWithPrefix(prefix, folder), (QStringList{first, second, third}));
    ASSERT_TRUE(running.open(QIODevice::ReadOnly));
    EXPECT_EQ(running.readAll(), QByteArray("running\n"));
}

// Runs a child that redirects standard error to the file and logs at the given levels.
QString logInChild(const QString& path, const QString& storedLevel) {
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({QStringLiteral("--gtest_filter=LogChild.*")});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ORDELLO_LOG_CHILD_PATH"), path);
    env.insert(QStringLiteral("ORDELLO_LOG_CHILD_LEVEL"), storedLevel);
    child.setProcessEnvironment(env);
    child.start();
    child.waitForFinished(60000);
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

// Not a test of its own: the body of logInChild's child process.
TEST(LogChild, WritesLines) {
    const QString path = qEnvironmentVariable("ORDELLO_LOG_CHILD_PATH");
    if (path.isEmpty()) GTEST_SKIP() << "runs only as the child of a log test";
    platform::UserDefaults defaults(path + QStringLiteral(".conf"));
    const QString level = qEnvironmentVariable("ORDELLO_LOG_CHILD_LEVEL");
    if (!level.isEmpty()) defaults.setValue(QStringLiteral("logLevel"), level.toInt());
    platform::UserDefaults::setStandard(&defaults);
    ASSERT_TRUE(redirectStandardErrorToFile(path));
    readLogLevelDefault();
    logWithLevel(TDLogError, "ERROR", "error %d", 1);
    logWithLevel(TDLogWarning, "WARNING", "warning %@", QStringLiteral("two"));
    logWithLevel(TDLogInfo, "INFO", "Starting");
    logWithLevel(TDLogDebug, "DEBUG", "debug %.1f", 4.0);
    platform::UserDefaults::setStandard(nullptr);
}

TEST_F(LogTest, LevelsFilterLinesAndTwoRunsAppendToOneFile) {
    struct Case {
        const char* stored;
        std::vector<const char*> kept;
        std::vector<const char*> dropped;
    };
    const Case cases[] = {
        {"", {"ERROR: error 1", "WARNING: warning two", "INFO: Starting"}, {"DEBUG"}},
        {"4", {"ERROR: error 1", "INFO: Starting", "DEBUG: debug 4.0"}, {}},
        {"1", {"ERROR: error 1"}, {"WARNING", "INFO", "DEBUG"}},
        {"0", {}, {"ERROR", "WARNING", "INFO", "DEBUG"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString path = tempPath() + QStringLiteral("/Logs/run%1.log").arg(n++);
        const QString text = logInChild(path, QString::fromLatin1(c.stored));
        for (const char* k : c.kept)
            EXPECT_TRUE(text.contains(QLatin1String(k))) << k << " in " << text.toStdString();
        for (const char* d : c.dropped) EXPECT_FALSE(text.contains(QLatin1String(d))) << d;
    }
    // A second run in the same second appends instead of truncating.
    const QString shared = tempPath() + QStringLiteral("/Logs/shared.log");
    logInChild(shared, QString());
    const QString twice = logInChild(shared, QString());
    EXPECT_EQ(twice.count(QStringLiteral("INFO: Starting")), 2);
}

TEST(Timing, StackIsPerThreadAndEmptyPopIsZero) {
    EXPECT_EQ(popElapsedSeconds(), 0.0);
    pushTimestamp();
    usleep(2000);
    EXPECT_GT(popElapsedSeconds(), 0.001);
    EXPECT_EQ(popElapsedSeconds(), 0.0);
}

TEST(FormatString, ProgramFormats) {
    EXPECT_EQ(formatString("%@%04ld-%02ld-%02ld-%06ld.log", QStringLiteral("Ordello "), 2026, 1, 5, 100),
              QStringLiteral("Ordello 2026-01-05-000100.log"));
    EXPECT_EQ(formatString("took %lf seconds", 1.5), QStringLiteral("took 1.500000 seconds"));
    EXPECT_EQ(formatString("100%% of %@", 3), QStringLiteral("100% of 3"));
    EXPECT_EQ(formatString("missing %@"), QStringLiteral("missing (null)"));
    EXPECT_EQ(formatString("%02X", 171), QStringLiteral("AB"));
}

}  // namespace
