#include "app/desktop_requests.h"
#include "app/gui/ordello_composition.h"
#include "model/task.h"
#include "tests/scenarios/scenario_test.h"

namespace scenario {
namespace {

void seedWork(LibrarySeed& seed) {
    TDGroup* work = seed.folder(QStringLiteral("Work"));
    TDGroup* reports = seed.list(QStringLiteral("Reports"), work);
    seed.task(reports, QStringLiteral("Draft"));
    TDGroup* errands = seed.list(QStringLiteral("Errands"));
    seed.task(errands, QStringLiteral("Buy stamps"))
        ->setNotesString(QStringLiteral("Ask about ordello:///Work/Reports"));
}

class LinkScenario : public ScenarioTest {};

TEST_F(LinkScenario, ALinkFromAnotherProgramShowsItsListAndAPostLinkAddsATaskThatUndoes) {
    seedLibrary(seedWork);
    launch();
    // As a link handed over by a later `xdg-open` process arrives.
    ordello().requests().open({QStringLiteral("ordello:///work/REPORTS")});
    settle();
    EXPECT_EQ(shownGroup(), QStringLiteral("Reports"));
    EXPECT_EQ(shownTasks(), QStringList{QStringLiteral("Draft")});

    ordello().requests().open(
        {QStringLiteral("ordello:///Work/Reports/tasks?method=post&title=Call+Ann&priority=3")});
    settle();
    waitForSave();
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Reports")),
              (QStringList{QStringLiteral("Call Ann"), QStringLiteral("Draft")}));
    EXPECT_EQ(shownTasks(), (QStringList{QStringLiteral("Call Ann"), QStringLiteral("Draft")}));

    press(Qt::Key_Z, Qt::ControlModifier);
    waitForSave();
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Reports")), QStringList{QStringLiteral("Draft")});
}

TEST_F(LinkScenario, AnOrdelloLinkInANoteOpensInsideOrdello) {
    seedLibrary(seedWork);
    launch();
    chooseGroupFromKeyboard(QStringLiteral("Errands"));
    click(QStringLiteral("Buy stamps"));
    press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(shownGroup(), QStringLiteral("Reports"));
    EXPECT_TRUE(workspace.opened.isEmpty()) << "nothing went to the desktop";
}

}  // namespace
}  // namespace scenario
