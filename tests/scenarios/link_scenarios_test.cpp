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
    TDTask* stamps = seed.task(seed.list(QStringLiteral("Errands")), QStringLiteral("Buy stamps"));
    TDTask* server = seed.task(seed.list(QStringLiteral("Servers")), QStringLiteral("Check the server"));
    stamps->setNotesString(QStringLiteral("Ask about ordello:///Work/Reports"));
    server->setNotesString(QStringLiteral("ssh://host.example"));
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
    EXPECT_TRUE(prompter.shown.isEmpty()) << "Ordello's own link needs no question";
}

TEST_F(LinkScenario, ALinkThatCouldRunSomethingOpensOnlyAfterTheQuestion) {
    seedLibrary(seedWork);
    launch();
    chooseGroupFromKeyboard(QStringLiteral("Servers"));
    click(QStringLiteral("Check the server"));
    press(Qt::Key_Return, Qt::ControlModifier);  // answered with the default, Cancel
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown.first().informativeText.contains(QStringLiteral("ssh://host.example")));
    EXPECT_TRUE(workspace.opened.isEmpty());

    prompter.answers = {1};  // Open
    press(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(workspace.opened, QList<QUrl>{QUrl(QStringLiteral("ssh://host.example"))});
}

}  // namespace
}  // namespace scenario
