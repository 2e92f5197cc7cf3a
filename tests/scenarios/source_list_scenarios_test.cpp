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

}  // namespace
}  // namespace scenario
