#include "platform/base/local_zone.h"
#include "platform/base/local_day.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <ctime>
#include <thread>

namespace {

class LocalZoneTest : public testsupport::TempFoldersTest {
protected:
    ~LocalZoneTest() override {
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
    }
    // Hours east of UTC at midsummer noon of 2027, as the C library and Qt see local time now.
    static int offsetHours() {
        const QDateTime noon(QDate(2027, 6, 21), QTime(12, 0));
        return noon.offsetFromUtc() / 3600;
    }
    // Puts a zone's rules at the path in one rename, as a system's settings do.
    bool installZone(const QString& path, const char* zone) {
        const QString staged = path + QStringLiteral(".new");
        QFile::remove(staged);
        return QFile::copy(QStringLiteral("/usr/share/zoneinfo/") + QLatin1String(zone), staged) &&
               std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(path).constData()) == 0;
    }
};

// The adopted file is read once, and read again after it changes: local days follow the new zone.
TEST_F(LocalZoneTest, AnAdoptedZoneFileIsFollowedWhenItChanges) {
    const QString zoneFile = QDir(tempPath()).filePath(QStringLiteral("localtime"));
    ASSERT_TRUE(installZone(zoneFile, "Asia/Tokyo"));
    unsetenv("TZ");
    TDAdoptSystemTimeZone(QFile::encodeName(zoneFile));
    EXPECT_EQ(qgetenv("TZ"), ':' + QFile::encodeName(zoneFile));
    const quint64 before = TDLocalTimeZoneGeneration();
    EXPECT_EQ(offsetHours(), 9);
    const QDate day(2027, 6, 21);
    EXPECT_EQ(TDStartOfLocalDay(day).toUTC(), QDateTime(day.addDays(-1), QTime(15, 0), Qt::UTC));

    ASSERT_TRUE(installZone(zoneFile, "America/New_York"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_NE(TDLocalTimeZoneGeneration(), before);
    EXPECT_EQ(offsetHours(), -4);
    EXPECT_EQ(TDStartOfLocalDay(day).toUTC(), QDateTime(day, QTime(4, 0), Qt::UTC));
    EXPECT_EQ(qgetenv("TZ"), ':' + QFile::encodeName(zoneFile));
}

TEST_F(LocalZoneTest, AZoneTheUserSetIsLeftAloneAndItsChangesCount) {
    setenv("TZ", "Asia/Kolkata", 1);
    tzset();
    TDAdoptSystemTimeZone(QFile::encodeName(QDir(tempPath()).filePath(QStringLiteral("unused"))));
    EXPECT_EQ(qgetenv("TZ"), QByteArray("Asia/Kolkata"));
    const quint64 first = TDLocalTimeZoneGeneration();
    EXPECT_EQ(TDLocalTimeZoneGeneration(), first);
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    EXPECT_NE(TDLocalTimeZoneGeneration(), first);
}

}  // namespace
