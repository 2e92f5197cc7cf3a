#include "foundation/private_folders.h"
#include "foundation/paths.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace {

using PrivateFoldersTest = testsupport::TempFoldersTest;

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : mode_t(-1);
}

TEST_F(PrivateFoldersTest, AFolderOpenToAnyoneElseIsMadeTheOwnersAlone) {
    const struct {
        mode_t before;
        mode_t after;
    } cases[] = {{0755, 0700}, {0777, 0700}, {0750, 0700}, {0701, 0700}, {0700, 0700}, {0500, 0500}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::oct << c.before);
        const QString folder = QDir(tempPath()).filePath(QStringLiteral("folder"));
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), c.before), 0);
        const Result<bool> restricted = TDRestrictFolderToOwner(folder);
        ASSERT_TRUE(restricted.ok());
        EXPECT_EQ(*restricted, c.before != c.after);
        EXPECT_EQ(modeOf(folder), c.after);
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    }
    // Nothing is made where nothing is, and a file is not a folder to restrict.
    const QString missing = QDir(tempPath()).filePath(QStringLiteral("missing"));
    ASSERT_TRUE(TDRestrictFolderToOwner(missing).ok());
    EXPECT_FALSE(QFile::exists(missing));
    const QString file = QDir(tempPath()).filePath(QStringLiteral("file"));
    QFile(file).open(QIODevice::WriteOnly);
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0644), 0);
    EXPECT_FALSE(*TDRestrictFolderToOwner(file));
    EXPECT_EQ(modeOf(file), 0644u);
}

// An earlier version left the data folder and the package open to every local user (umask 022).
TEST_F(PrivateFoldersTest, EveryStartTightensTheDataFolderAndThePackage) {
    const QString data = applicationSupportPath();
    const QString package = QDir(data).filePath(QStringLiteral("Ordello Library.odllibrary"));
    ASSERT_TRUE(QDir().mkpath(package));
    for (const QString& folder : {data, package})
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0755), 0);

    TDMakeDataFoldersPrivate(package);
    EXPECT_EQ(modeOf(data), 0700u);
    EXPECT_EQ(modeOf(package), 0700u);

    // A package that is not there yet is left for the library to create.
    const QString elsewhere = QDir(tempPath()).filePath(QStringLiteral("New.odllibrary"));
    TDMakeDataFoldersPrivate(elsewhere);
    EXPECT_FALSE(QFile::exists(elsewhere));
}

}  // namespace
