#include "tests/scenarios/scenario_test.h"

#include <QLineEdit>

namespace scenario {
namespace {

using SmartFolderScenario = ScenarioTest;

TEST_F(SmartFolderScenario, ANewSmartFolderFromTheSheetShowsTheMatchingTasksUnderTheTypedName) {
    seedLibrary([](LibrarySeed& seed) {
        TDGroup* errands = seed.list(QStringLiteral("Errands"));
        seed.task(errands, QStringLiteral("Buy milk"));
        seed.task(errands, QStringLiteral("Post the letter"));
    });
    launch();
    clickGroup(QStringLiteral("Errands"));
    chooseFromGroupMenu(QStringLiteral("Errands"), QStringLiteral("New Smart Folder"));
    // The sheet starts on "All" with one "Title contains" rule: Tab to its text field.
    for (int tabs = 0; tabs < 8 && !qobject_cast<QLineEdit*>(focusedWidget()); ++tabs) press(Qt::Key_Tab);
    ASSERT_TRUE(qobject_cast<QLineEdit*>(focusedWidget())) << focusedWidgetName().toStdString();
    type(QStringLiteral("milk"));
    screenshot(QStringLiteral("scenario_smart_folder_sheet"));
    press(Qt::Key_Return);

    // OK made the folder, shows it and opens its title for the name.
    EXPECT_EQ(shownTasks(), QStringList{QStringLiteral("Buy milk")});
    type(QStringLiteral("Dairy"));
    press(Qt::Key_Return);
    waitForSave();
    EXPECT_TRUE(storedLibrary().groupTitles(QStringLiteral("smart")).contains(QStringLiteral("Dairy")));
    EXPECT_EQ(shownGroup(), QStringLiteral("Dairy"));
}

}  // namespace
}  // namespace scenario
