#include "auxiliary/get_foreground_application_context_operation.h"
#include "tests/support/recording_sound_sink.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryFile>

#include <unistd.h>
#include <cstdio>

namespace {

using Operation = TDGetForegroundApplicationContextOperation;

// What the program writes to standard error while it lives.
class StandardErrorCapture {
public:
    StandardErrorCapture() {
        m_file.open();
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StandardErrorCapture() { restore(); }
    QString text() {
        restore();
        m_file.seek(0);
        return QString::fromUtf8(m_file.readAll());
    }

private:
    void restore() {
        if (m_saved < 0) return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

class ImportScriptTest : public testsupport::TempFoldersTest {
protected:
    QString folder(const QString& name) {
        QDir(tempPath()).mkpath(name);
        return QDir(tempPath()).filePath(name);
    }
    QString writeScript(const QString& folderPath, const QString& name, const QByteArray& body,
                        bool executable = true) {
        const QString path = QDir(folderPath).filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + body + "\n");
        file.close();
        file.setPermissions(executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                       : QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

    struct Outcome {
        bool called = false;
        QList<QVariantMap> dictionaries;
        QString log;
        QStringList sounds;
    };
    // Runs the operation for the window until it is done.
    Outcome run(const TDForegroundWindow& window, const QStringList& folders, int timeLimit = 20000,
                qint64 outputLimit = Operation::DefaultOutputLimitBytes) {
        testsupport::RecordingSoundSink sounds;
        StandardErrorCapture errors;
        Outcome outcome;
        QPointer<Operation> operation = new Operation(window, folders);
        operation->setTimeLimit(timeLimit);
        operation->setOutputLimit(outputLimit);
        operation->setDidGetContextBlock([&outcome](const QList<QVariantMap>& dictionaries) {
            outcome.called = true;
            outcome.dictionaries = dictionaries;
        });
        operation->start();
        EXPECT_FALSE(outcome.called) << "the block is never called from inside start";
        EXPECT_TRUE(testsupport::spinUntil([&operation] { return operation.isNull(); }));
        outcome.log = errors.text();
        outcome.sounds = sounds.played;
        return outcome;
    }
};

TEST_F(ImportScriptTest, TheFirstFolderWithTheClassScriptOrADefaultWins) {
    const QString user = folder(QStringLiteral("user"));
    const QString installed = folder(QStringLiteral("installed"));
    const QString browser = QStringLiteral("firefox");
    struct Case {
        const char* what;
        QStringList userScripts;
        QStringList installedScripts;
        QString windowClass;
        QString expected;  // "user/..." or "installed/..." or empty
    } cases[] = {
        {"the class's own first",
         {browser, QStringLiteral("Default")},
         {},
         browser,
         QStringLiteral("user/firefox")},
        {"a default in an earlier folder wins",
         {QStringLiteral("Default")},
         {browser},
         browser,
         QStringLiteral("user/Default")},
        {"the installed class script",
         {},
         {browser, QStringLiteral("Default")},
         browser,
         QStringLiteral("installed/firefox")},
        {"no class: the default",
         {browser},
         {QStringLiteral("Default")},
         QString(),
         QStringLiteral("installed/Default")},
        {"a class naming a path is never run",
         {},
         {QStringLiteral("Default")},
         QStringLiteral("../user/firefox"),
         QStringLiteral("installed/Default")},
        {"nothing at all", {}, {}, browser, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString& path : {user, installed}) {
            QDir dir(path);
            for (const QString& name : dir.entryList(QDir::Files)) dir.remove(name);
        }
        for (const QString& name : c.userScripts) writeScript(user, name, "echo '[]'");
        for (const QString& name : c.installedScripts) writeScript(installed, name, "echo '[]'");
        const QString found = Operation::scriptPath({user, installed}, c.windowClass);
        EXPECT_EQ(found, c.expected.isEmpty() ? QString() : QDir(tempPath()).filePath(c.expected));
    }
    // A file that cannot be run is passed over, with a warning.
    writeScript(user, browser, "echo '[]'", false);
    writeScript(installed, QStringLiteral("Default"), "echo '[]'");
    StandardErrorCapture errors;
    EXPECT_EQ(Operation::scriptPath({user, installed}, browser),
              QDir(installed).filePath(QStringLiteral("Default")));
    EXPECT_TRUE(errors.text().contains(QStringLiteral("is not an executable file")));
}

TEST_F(ImportScriptTest, ScriptsGetTheWindowWithoutAShellAndAnswerImportDictionaries) {
    const QString scripts = folder(QStringLiteral("scripts"));
    // Each prints its arguments back as the titles of two tasks.
    writeScript(
        scripts, QStringLiteral("firefox"),
        "printf '[{\"title\": \"%s\", \"url\": \"https://example.org\"}, {\"notes\": \"n\"}]' \"$1\"");
    writeScript(scripts, QStringLiteral("Default"), "printf '[{\"title\": \"%s|%s\"}]' \"$1\" \"$2\"");
    const QString trap = QDir(tempPath()).filePath(QStringLiteral("pwned"));
    const QString hostile = QStringLiteral("$(touch %1); `touch %1`").arg(trap);

    Outcome own = run({QStringLiteral("firefox"), hostile}, {scripts});
    ASSERT_TRUE(own.called) << own.log.toStdString();
    ASSERT_EQ(own.dictionaries.size(), 2);
    EXPECT_EQ(own.dictionaries[0].value(QStringLiteral("title")).toString(), hostile);
    EXPECT_EQ(own.dictionaries[0].value(QStringLiteral("url")).toString(),
              QStringLiteral("https://example.org"));
    EXPECT_EQ(own.dictionaries[1].value(QStringLiteral("notes")).toString(), QStringLiteral("n"));
    EXPECT_FALSE(QFile::exists(trap)) << "the title reached a shell";
    EXPECT_TRUE(own.sounds.isEmpty());

    Outcome fallback = run({QStringLiteral("gedit"), QStringLiteral("notes.txt")}, {scripts});
    ASSERT_TRUE(fallback.called);
    EXPECT_EQ(fallback.dictionaries.value(0).value(QStringLiteral("title")).toString(),
              QStringLiteral("gedit|notes.txt"));

    // Wayland tells no window: the default gets empty arguments.
    Outcome unknown = run({}, {scripts});
    ASSERT_TRUE(unknown.called);
    EXPECT_EQ(unknown.dictionaries.value(0).value(QStringLiteral("title")).toString(), QStringLiteral("|"));
}

TEST_F(ImportScriptTest, AFailedRunBeepsLogsAndGivesNoTasks) {
    const QString scripts = folder(QStringLiteral("scripts"));
    struct Case {
        const char* what;
        QByteArray body;
        const char* logged;
        int timeLimit;
        qint64 outputLimit;
    } cases[] = {
        {"a non-zero exit", "echo '[{\"title\": \"x\"}]'; exit 3", "Error running script", 20000, 1 << 20},
        {"a time-out", "exec sleep 30", "no answer within", 300, 1 << 20},
        {"too much output", "head -c 100000 /dev/zero | tr '\\0' ' '; echo '[]'", "bytes of output", 20000,
         1000},
        {"malformed JSON", "echo '[{\"title\": '", "is incorrect", 20000, 1 << 20},
        {"not an array", "echo '{\"title\": \"x\"}'", "is incorrect", 20000, 1 << 20},
        {"an array of strings", "echo '[\"x\"]'", "is incorrect", 20000, 1 << 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeScript(scripts, QStringLiteral("Default"), c.body);
        const Outcome outcome = run({}, {scripts}, c.timeLimit, c.outputLimit);
        EXPECT_FALSE(outcome.called);
        EXPECT_TRUE(outcome.log.contains(QLatin1String(c.logged))) << outcome.log.toStdString();
        EXPECT_EQ(outcome.sounds, QStringList{QStringLiteral("beep")});
    }

    // No script at all: nothing happens, not even a beep.
    QFile::remove(QDir(scripts).filePath(QStringLiteral("Default")));
    const Outcome none = run({QStringLiteral("firefox"), QString()}, {scripts});
    EXPECT_FALSE(none.called);
    EXPECT_TRUE(none.sounds.isEmpty());
    EXPECT_FALSE(none.log.contains(QStringLiteral("ERROR")));
}

}  // namespace
