#include "foundation/paths.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

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
    EXPECT_TRUE(QFileInfo(temporaryDirectoryPath()).isDir());
    EXPECT_TRUE(temporaryDirectoryPath().endsWith(QStringLiteral("/com.vantorel.Ordello")));
}

TEST(ApplicationName, IsTheApplicationsName) {
    EXPECT_EQ(applicationName(), QStringLiteral("Ordello"));
}

}  // namespace
