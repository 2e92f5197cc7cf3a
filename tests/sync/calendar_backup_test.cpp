#include "platform/base/clock.h"
#include "platform/calendarstore/calendar_store.h"
#include "platform/plist/property_list.h"
#include "sync/ical_backup_operation.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace synctest {
namespace {

class CalendarBackupTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        clock = std::make_unique<TDTestClock>(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        TDClock::setShared(clock.get());
        root = QDir(tempPath()).filePath(QStringLiteral("Calendars"));
        store = std::make_unique<platform::CalendarStore>(root);
        platform::CalendarStore::setDefaultStore(store.get());
        calendar = *store->createCalendar(QStringLiteral("Chores"));
        platform::CalendarTask task;
        task.setCalendarUid(calendar.uid());
        task.setTitle(QStringLiteral("Sweep"));
        ASSERT_TRUE(store->saveTask(task).ok());
        for (const char* name :
             {"Calendar Cache", "Calendar Sync Changes", ".DS_Store", "Email Cache", "Incoming", "Old.icbu"})
            write(root + QLatin1Char('/') + QLatin1String(name), "skip");
        ASSERT_TRUE(QFile::link(calendar.uid(), root + QStringLiteral("/alias")));
    }
    void TearDown() override {
        platform::CalendarStore::setDefaultStore(nullptr);
        store.reset();
        TDClock::setShared(nullptr);
        TempFoldersTest::TearDown();
    }
    static void write(const QString& path, const QByteArray& data) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }
    QStringList everything(const QString& folder) const {
        QStringList paths;
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) paths.append(QDir(folder).relativeFilePath(it.next()));
        paths.sort();
        return paths;
    }

    std::unique_ptr<TDTestClock> clock;
    QString root;
    std::unique_ptr<platform::CalendarStore> store;
    platform::Calendar calendar;
};

TEST_F(CalendarBackupTest, ThePackageHoldsTheCalendarsWithoutCachesAndAnInfoPlist) {
    EXPECT_EQ(TDiCalBackupOperation::proposedBackupFilename(false),
              QStringLiteral("Calendars Backup 2026-12-09.icbu"));
    const QString target = QDir(tempPath()).filePath(QStringLiteral("made/with/parents/Backup.icbu"));
    TDiCalBackupOperation backup;
    backup.setBackupPath(target);
    backup.start();
    ASSERT_FALSE(backup.error().has_value()) << backup.error()->description.toStdString();
    EXPECT_EQ(backup.backupPath(), target);
    const QString files = everything(target).join(QLatin1Char(','));
    EXPECT_TRUE(files.contains(QStringLiteral("Calendars/%1/displayname").arg(calendar.uid())));
    for (const char* excluded : {"Cache", "Sync", "DS_Store", "Incoming", "Old.icbu"})
        EXPECT_FALSE(files.contains(QLatin1String(excluded))) << excluded;
    EXPECT_EQ(QFileInfo(target + QStringLiteral("/Calendars/alias")).symLinkTarget(),
              QFileInfo(target + QStringLiteral("/Calendars/") + calendar.uid()).absoluteFilePath())
        << "a link stays a link";
    const Result<QVariant> info = platform::readPropertyListFile(target + QStringLiteral("/Info.plist"));
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->toMap().value(QStringLiteral("version")).toString(), QStringLiteral("2.0"));
    EXPECT_TRUE(info->toMap().value(QStringLiteral("date")).toDateTime().isValid());
    // Nothing of the temporary build is left beside it.
    EXPECT_EQ(QDir(QFileInfo(target).absolutePath())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Backup.icbu")});
}

TEST_F(CalendarBackupTest, ABackupInsideTheCalendarFolderIsRefusedAndLeavesNothing) {
    const QStringList before = everything(root);
    for (const QString& target :
         {root + QStringLiteral("/new/Backup.icbu"), root + QStringLiteral("/alias/Backup.icbu")}) {
        TDiCalBackupOperation backup;
        backup.setBackupPath(target);
        backup.start();
        EXPECT_TRUE(backup.error().has_value()) << target.toStdString();
        EXPECT_EQ(everything(root), before);
    }
}

TEST_F(CalendarBackupTest, AFailedCopyLeavesNothingBehind) {
    // A file where the backup's parent folder must go: making the folder fails.
    write(QDir(tempPath()).filePath(QStringLiteral("blocker")), "file");
    TDiCalBackupOperation backup;
    backup.setBackupPath(QDir(tempPath()).filePath(QStringLiteral("blocker/inside/Backup.icbu")));
    backup.start();
    EXPECT_TRUE(backup.error().has_value());
    EXPECT_FALSE(QFileInfo::exists(QDir(tempPath()).filePath(QStringLiteral("blocker/inside"))));
}

}  // namespace
}  // namespace synctest
