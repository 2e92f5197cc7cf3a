#include "tests/scenarios/scenario_test.h"

namespace scenario {
namespace {

using SourceListScenario = ScenarioTest;

void seedTwoLists(LibrarySeed& seed) {
    TDGroup* clients = seed.folder(QStringLiteral("Clients"));
    TDGroup* website = seed.list(QStringLiteral("Website"), clients);
    seed.task(website, QStringLiteral("Draft the home page"));
    seed.task(website, QStringLiteral("Pick the colours"));
    TDGroup* household = seed.list(QStringLiteral("Household"));
    seed.task(household, QStringLiteral("Water the plants"));
}

TEST_F(SourceListScenario, ASeededLibraryShowsItsFoldersAndListsAndEachListItsTasks) {
    seedLibrary(seedTwoLists);
    launch();
    const QStringList rows = sourceListRows();
    const qsizetype folders = rows.indexOf(QStringLiteral("FOLDERS"));
    ASSERT_GE(folders, 0) << rows.join(QLatin1Char('\n')).toStdString();
    // The starter folders, then the person's own; a folder stays closed until opened.
    EXPECT_EQ(rows.mid(folders), (QStringList{QStringLiteral("FOLDERS"), QStringLiteral("  Projects"),
                                              QStringLiteral("  On Hold"), QStringLiteral("  Clients"),
                                              QStringLiteral("  Household")}));

    clickGroup(QStringLiteral("Household"));
    EXPECT_EQ(shownGroup(), QStringLiteral("Household"));
    EXPECT_EQ(shownTasks(), QStringList{QStringLiteral("Water the plants")});
}

TEST_F(SourceListScenario, ANewListFromTheSourceListsMenuTakesTheTypedNameAndIsShown) {
    seedLibrary(seedTwoLists);
    launch();
    clickGroup(QStringLiteral("Household"));
    chooseFromGroupMenu(QStringLiteral("Household"), QStringLiteral("New List"));
    type(QStringLiteral("Garden"));
    screenshot(QStringLiteral("scenario_new_list_named"));
    press(Qt::Key_Return);
    waitForSave();

    const QStringList rows = sourceListRows();
    EXPECT_EQ(rows.mid(rows.indexOf(QStringLiteral("FOLDERS"))),
              (QStringList{QStringLiteral("FOLDERS"), QStringLiteral("  Projects"),
                           QStringLiteral("  On Hold"), QStringLiteral("  Clients"),
                           QStringLiteral("  Household"), QStringLiteral("  Garden [x]")}));
    EXPECT_EQ(shownGroup(), QStringLiteral("Garden"));
    EXPECT_TRUE(shownTasks().isEmpty());
    const StoredLibrary stored = storedLibrary();
    EXPECT_EQ(stored.groupTitles(QStringLiteral("list")).filter(QStringLiteral("Garden")),
              QStringList{QStringLiteral("Garden")});

    // Undo takes back the name first, then the list.
    const auto listsBelowFolders = [this] {
        QStringList rows = sourceListRows();
        rows.replaceInStrings(QStringLiteral(" [x]"), QString());
        return rows.mid(rows.indexOf(QStringLiteral("FOLDERS")) + 1);
    };
    const QStringList before{QStringLiteral("  Projects"), QStringLiteral("  On Hold"),
                             QStringLiteral("  Clients"), QStringLiteral("  Household")};
    press(Qt::Key_Z, Qt::ControlModifier);
    waitForSave();
    EXPECT_EQ(listsBelowFolders(), before + QStringList{QStringLiteral("  New List")});
    EXPECT_TRUE(storedLibrary().groupTitles(QStringLiteral("list")).contains(QStringLiteral("New List")));
    press(Qt::Key_Z, Qt::ControlModifier);
    waitForSave();
    EXPECT_EQ(listsBelowFolders(), before);
    EXPECT_FALSE(storedLibrary().groupTitles(QStringLiteral("list")).contains(QStringLiteral("New List")));
}

}  // namespace
}  // namespace scenario
