#include "store/property_list_library_restore_operation.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>

namespace {

// What a restore stopped by a kill can leave beside "Library.odllibrary", as plain folders with a
// marker file telling them apart.
class RestoreRecoveryTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        m_home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(tempPath()));
        ASSERT_TRUE(QDir().mkpath(parent()));
    }
    void TearDown() override {
        qputenv("HOME", m_home);
        TempFoldersTest::TearDown();
    }
    QString parent() const { return tempPath() + QStringLiteral("/data"); }
    QString package() const { return parent() + QStringLiteral("/Library.odllibrary"); }
    void makeFolder(const QString& name, const QByteArray& marker) {
        ASSERT_TRUE(QDir().mkpath(parent() + QLatin1Char('/') + name));
        QFile file(parent() + QLatin1Char('/') + name + QStringLiteral("/marker"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(marker);
    }
    QByteArray markerOf(const QString& path) const {
        QFile file(path + QStringLiteral("/marker"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList itemsBesideThePackage() const {
        return QDir(parent()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    QStringList trashed() const {
        return QDir(tempPath() + QStringLiteral("/xdg_data_home/Trash/files"))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

private:
    QByteArray m_home;
};

// Killed between moving the old package aside and moving the new one in: the old one comes back.
TEST_F(RestoreRecoveryTest, AMissingPackageGetsTheNewestOldOneBack) {
    makeFolder(QStringLiteral("Library (before restore 2026-12-01-100000.000).odllibrary"), "older");
    makeFolder(QStringLiteral("Library (before restore 2026-12-09-100000.000).odllibrary"), "old");
    makeFolder(QStringLiteral(".Library.odllibrary.restore-2026-12-09-100000.000"), "new");
    TDRecoverFromInterruptedRestore(package());
    EXPECT_EQ(markerOf(package()), QByteArray("old"));
    EXPECT_EQ(itemsBesideThePackage(), QStringList{QStringLiteral("Library.odllibrary")});
    EXPECT_EQ(trashed().size(), 2);
}

// Killed before the old package or the half-built new one was put away: both go to the Trash.
TEST_F(RestoreRecoveryTest, LeftoversBesideAPackageGoToTheTrashAndOthersStay) {
    makeFolder(QStringLiteral("Library.odllibrary"), "current");
    makeFolder(QStringLiteral(".Library.odllibrary.restore-2026-12-09-100000.000"), "half");
    makeFolder(QStringLiteral("Library (before restore 2026-12-09-100000.000).odllibrary"), "old");
    makeFolder(QStringLiteral(".Other.odllibrary.restore-2026-12-09-100000.000"), "another library's");
    makeFolder(QStringLiteral("Library copy.odllibrary"), "the user's");
    TDRecoverFromInterruptedRestore(package());
    EXPECT_EQ(markerOf(package()), QByteArray("current"));
    EXPECT_EQ(itemsBesideThePackage(),
              (QStringList{QStringLiteral(".Other.odllibrary.restore-2026-12-09-100000.000"),
                           QStringLiteral("Library copy.odllibrary"), QStringLiteral("Library.odllibrary")}));
    EXPECT_EQ(trashed().size(), 2);
}

TEST_F(RestoreRecoveryTest, NothingLeftOverChangesNothing) {
    TDRecoverFromInterruptedRestore(package());
    EXPECT_TRUE(itemsBesideThePackage().isEmpty());
    makeFolder(QStringLiteral("Library.odllibrary"), "current");
    TDRecoverFromInterruptedRestore(package());
    EXPECT_EQ(itemsBesideThePackage(), QStringList{QStringLiteral("Library.odllibrary")});
    EXPECT_TRUE(trashed().isEmpty());
}

}  // namespace
