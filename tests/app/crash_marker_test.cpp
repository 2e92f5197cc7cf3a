#include "app/crash_marker.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFileInfo>

namespace {

class CrashMarkerTest : public testsupport::TempFoldersTest {};

TEST_F(CrashMarkerTest, ARunThatEndedWithoutQuittingIsFoundAtTheNextStart) {
    const QString path = QDir(tempPath()).filePath(QStringLiteral("Logs/running"));
    TDCrashMarker marker(path);
    EXPECT_FALSE(marker.noteStart(QStringLiteral("ordello 1.log"))) << "nothing before the first run";
    EXPECT_TRUE(QFileInfo::exists(path));
    // The run is killed: no clean quit removes the marker.
    EXPECT_TRUE(marker.noteStart(QStringLiteral("ordello 1.log")));
    marker.noteCleanQuit();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(marker.noteStart(QStringLiteral("ordello 2.log")));
}

}  // namespace
