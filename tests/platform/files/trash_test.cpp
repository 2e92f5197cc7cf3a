#include "platform/files/trash.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Home and data folders inside the test's own folder, so the Trash used is one the test can look into.
class TrashTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        m_home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(tempPath()));
    }
    void TearDown() override {
        qputenv("HOME", m_home);
        TempFoldersTest::TearDown();
    }

private:
    QByteArray m_home;
};

TEST_F(TrashTest, ItemsGoToTheTrashWithTheirContents) {
    const QString file = tempPath() + QStringLiteral("/backup-1.odlbackup.gz");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("contents");
    }
    const QString folder = tempPath() + QStringLiteral("/Old Library.odllibrary");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/Backups")));

    for (const QString& item : {file, folder}) {
        const Result<QString> trashed = platform::trashItem(item);
        ASSERT_TRUE(trashed) << trashed.error().description.toStdString();
        EXPECT_FALSE(QFileInfo::exists(item));
        EXPECT_TRUE(QFileInfo::exists(*trashed));
        EXPECT_TRUE(trashed->contains(QStringLiteral("/Trash/files/")));
        const QString info = QFileInfo(*trashed).absoluteDir().filePath(QStringLiteral("../info/")) +
                             QFileInfo(*trashed).fileName() + QStringLiteral(".trashinfo");
        EXPECT_TRUE(QFileInfo::exists(info));
    }
    QFile trashed(tempPath() + QStringLiteral("/xdg_data_home/Trash/files/backup-1.odlbackup.gz"));
    ASSERT_TRUE(trashed.open(QIODevice::ReadOnly));
    EXPECT_EQ(trashed.readAll(), QByteArray("contents"));
}

TEST_F(TrashTest, NothingAtThePathIsAnError) {
    const Result<QString> trashed = platform::trashItem(tempPath() + QStringLiteral("/nothing"));
    ASSERT_FALSE(trashed);
    EXPECT_TRUE(trashed.error().description.contains(QStringLiteral("nothing")));
}

}  // namespace
