#include "foundation/paths.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFileInfo>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using PathsTest = testsupport::TempFoldersTest;

TEST_F(PathsTest, SandboxedOnlyWhenTheDataFolderIsAPerApplicationOne) {
    EXPECT_FALSE(isSandboxed());
    const QString flatpakData = tempPath() + QStringLiteral("/.var/app/com.vantorel.Ordello/data");
    QDir().mkpath(flatpakData);
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(flatpakData));
    EXPECT_TRUE(isSandboxed());
    EXPECT_TRUE(applicationSupportPath().startsWith(flatpakData));
    qputenv("XDG_DATA_HOME", dataHome);
}

TEST_F(PathsTest, TemporaryFolderForAtomicWritesIsOnTheTargetsVolume) {
    EXPECT_EQ(temporaryDirectoryForAtomicWriteToDirectory(tempPath() + QStringLiteral("/missing")),
              QString());

    const QString folder = applicationSupportPath();
    const QString temporary = temporaryDirectoryForAtomicWriteToDirectory(folder);
    ASSERT_TRUE(QFileInfo(temporary).isDir());
    struct stat a {
    }, b{};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &a), 0);
    ASSERT_EQ(::stat(QFile::encodeName(temporary).constData(), &b), 0);
    EXPECT_EQ(a.st_dev, b.st_dev);
}

QFileDevice::Permissions ownerOnly() {
    return QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadUser |
           QFileDevice::WriteUser | QFileDevice::ExeUser;
}

TEST_F(PathsTest, TheTemporaryFolderIsPrivateToTheUser) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    ASSERT_TRUE(runtime.startsWith(tempPath()));
    const Result<QString> inRuntime = temporaryDirectoryPath();
    ASSERT_TRUE(inRuntime.ok()) << inRuntime.error().description.toStdString();
    EXPECT_EQ(*inRuntime, runtime + QStringLiteral("/com.vantorel.Ordello"));
    EXPECT_TRUE(QFileInfo(*inRuntime).isDir());
    EXPECT_EQ(QFile::permissions(*inRuntime), ownerOnly());
    EXPECT_EQ(temporaryDirectoryPath().value(), *inRuntime);  // the second time it is there already

    const QByteArray temporary = qgetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(tempPath()));
    const Result<QString> inTemporary = temporaryDirectoryPath();
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("TMPDIR", temporary);
    ASSERT_TRUE(inTemporary.ok()) << inTemporary.error().description.toStdString();
    EXPECT_EQ(*inTemporary,
              tempPath() + QStringLiteral("/com.vantorel.Ordello-") + QString::number(::geteuid()));
    EXPECT_EQ(QFile::permissions(*inTemporary), ownerOnly());
}

// Whatever someone else left at the folder's name is refused, and left as it was.
TEST_F(PathsTest, AnUnsafeTemporaryFolderIsRefused) {
    const QString path = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/com.vantorel.Ordello");
    const QString elsewhere = tempPath() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(QFile::setPermissions(elsewhere, ownerOnly()));
    const struct {
        const char* what;
        std::function<bool()> arrange;
        const char* why;
        bool needsSuperuser = false;
    } cases[] = {
        {"a symbolic link to a private folder", [&] { return QFile::link(elsewhere, path); },
         "is a symbolic link"},
        {"a file",
         [&] {
             QFile file(path);
             return file.open(QIODevice::WriteOnly);
         },
         "is not a folder"},
        {"a folder others may enter", [&] { return ::mkdir(QFile::encodeName(path).constData(), 0755) == 0; },
         "is open to other users (mode 755)"},
        {"a folder anyone may write into",
         [&] {
             return ::mkdir(QFile::encodeName(path).constData(), 0700) == 0 &&
                    ::chmod(QFile::encodeName(path).constData(), 0777) == 0;
         },
         "is open to other users (mode 777)"},
        {"another user's folder",
         [&] {
             // Only the superuser can give a folder away.
             return ::geteuid() == 0 && ::mkdir(QFile::encodeName(path).constData(), 0700) == 0 &&
                    ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0;
         },
         "belongs to another user", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.arrange()) {
            QDir().rmdir(path);
            EXPECT_TRUE(c.needsSuperuser) << "could not arrange the case";
            continue;
        }
        struct stat before {};
        ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &before), 0);
        const Result<QString> refused = temporaryDirectoryPath();
        ASSERT_FALSE(refused.ok());
        EXPECT_TRUE(refused.error().isInDomain(TDErrorUnsafeTemporaryFolder));
        EXPECT_EQ(refused.error().description,
                  QStringLiteral("The temporary folder \"%1\" %2.").arg(path, QString::fromLatin1(c.why)));
        EXPECT_FALSE(refused.error().recoverySuggestion.isEmpty());
        struct stat after {};
        ASSERT_EQ(::lstat(QFile::encodeName(path).constData(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_uid, before.st_uid);
        ASSERT_TRUE(QFile::remove(path) || QDir().rmdir(path));
    }
    EXPECT_TRUE(QFileInfo(elsewhere).isDir());
}

// With the temporary folder refused, atomic writes go beside their target, and nowhere when that place
// is unsafe as well.
TEST_F(PathsTest, AtomicWritesNeverUseARefusedTemporaryFolder) {
    const QString refused = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/com.vantorel.Ordello");
    ASSERT_TRUE(QFile::link(tempPath(), refused));
    const QString folder = tempPath() + QStringLiteral("/target");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString beside = folder + QStringLiteral("/.com.vantorel.Ordello.temporary");
    EXPECT_EQ(temporaryDirectoryForAtomicWriteToDirectory(folder), beside);
    EXPECT_EQ(QFile::permissions(beside), ownerOnly());

    ASSERT_TRUE(QDir().rmdir(beside));
    ASSERT_TRUE(QFile::link(tempPath(), beside));
    testing::internal::CaptureStderr();
    EXPECT_EQ(temporaryDirectoryForAtomicWriteToDirectory(folder), QString());
    const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR: No temporary folder for writing into")))
        << log.toStdString();
}

TEST(ApplicationName, IsTheApplicationsName) {
    EXPECT_EQ(applicationName(), QStringLiteral("Ordello"));
}

}  // namespace
