#include "app/gui/main_window.h"
#include "tests/scenarios/scenario_test.h"

#include <QDir>
#include <QFileInfo>

namespace scenario {
namespace {

using LaunchScenario = ScenarioTest;

TEST_F(LaunchScenario, AFirstStartCreatesTheLibraryShowsTodayAndQuitsCleanly) {
    launch();
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(QFileInfo::exists(QDir(packagePath()).filePath(QStringLiteral("library.sqlite3"))));
    EXPECT_EQ(shownGroup(), QStringLiteral("Today"));
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));
    EXPECT_TRUE(prompter.shown.isEmpty()) << prompter.shown.first().messageText.toStdString();
    EXPECT_EQ(chooser.asked, 0);

    EXPECT_EQ(quit(), 0);
    const StoredLibrary stored = storedLibrary();
    EXPECT_TRUE(stored.groupTitles(QStringLiteral("list")).contains(QStringLiteral("Inbox")));
    EXPECT_FALSE(stored.tasks.isEmpty()) << "a first library starts with its guide";
}

}  // namespace
}  // namespace scenario
