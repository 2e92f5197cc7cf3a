// The outline's keys in the running program: tasks reordered, indented, completed and deleted from the
// keyboard, and a note typed after moving into it from its title, each judged by what was saved.

#include "model/task.h"
#include "tests/scenarios/scenario_test.h"

namespace scenario {
namespace {

using KeysScenario = ScenarioTest;

QString parentOf(const StoredLibrary& stored, const QString& title) {
    const std::optional<StoredTask> task = stored.task(title);
    return task ? task->parent : QStringLiteral("(missing)");
}

QString statusOf(const StoredLibrary& stored, const QString& title) {
    const std::optional<StoredTask> task = stored.task(title);
    return task ? task->status : QStringLiteral("(missing)");
}

TEST_F(KeysScenario, WMovesATaskUpAndTabIndentsTwoUnderTheTaskAbove) {
    seedLibrary([](LibrarySeed& seed) {
        TDGroup* errands = seed.list(QStringLiteral("Errands"));
        for (const QString& title : {QStringLiteral("Post letter"), QStringLiteral("Bank"),
                                     QStringLiteral("Buy stamps"), QStringLiteral("Water plants")})
            seed.task(errands, title);
    });
    launch();
    clickGroup(QStringLiteral("Errands"));
    click(QStringLiteral("Buy stamps"));

    // w moves it up a row; Shift+j takes the row below into the selection; Tab indents both.
    press(Qt::Key_W);
    press(Qt::Key_J, Qt::ShiftModifier);
    press(Qt::Key_Tab);
    waitForSave();
    StoredLibrary stored = storedLibrary();
    EXPECT_EQ(stored.titlesIn(QStringLiteral("Errands")),
              (QStringList{QStringLiteral("Post letter"), QStringLiteral("Buy stamps"),
                           QStringLiteral("Bank"), QStringLiteral("Water plants")}));
    EXPECT_EQ(parentOf(stored, QStringLiteral("Buy stamps")), QStringLiteral("Post letter"));
    EXPECT_EQ(parentOf(stored, QStringLiteral("Bank")), QStringLiteral("Post letter"));
    EXPECT_EQ(shownTasks(), (QStringList{QStringLiteral("Post letter"), QStringLiteral("  Buy stamps"),
                                         QStringLiteral("  Bank"), QStringLiteral("Water plants")}));
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));

    // Shift+Tab outdents both again; Alt+s takes them to the bottom of the list.
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    press(Qt::Key_S, Qt::AltModifier);
    waitForSave();
    stored = storedLibrary();
    EXPECT_EQ(stored.titlesIn(QStringLiteral("Errands")),
              (QStringList{QStringLiteral("Post letter"), QStringLiteral("Water plants"),
                           QStringLiteral("Buy stamps"), QStringLiteral("Bank")}));
    EXPECT_EQ(parentOf(stored, QStringLiteral("Buy stamps")), QString());
    EXPECT_EQ(parentOf(stored, QStringLiteral("Bank")), QString());
}

TEST_F(KeysScenario, SpaceCompletesAndDeleteRemovesATaskAndSelectsTheOneBelow) {
    seedLibrary([](LibrarySeed& seed) {
        TDGroup* errands = seed.list(QStringLiteral("Errands"));
        for (const QString& title :
             {QStringLiteral("Post letter"), QStringLiteral("Bank"), QStringLiteral("Buy stamps")})
            seed.task(errands, title);
    });
    launch();
    clickGroup(QStringLiteral("Errands"));
    click(QStringLiteral("Post letter"));
    press(Qt::Key_Space);
    waitForSave();
    EXPECT_EQ(statusOf(storedLibrary(), QStringLiteral("Post letter")), QStringLiteral("C"));

    // Forward Delete takes the task and leaves the row below selected: Space completes that one.
    click(QStringLiteral("Bank"));
    press(Qt::Key_Delete);
    press(Qt::Key_Space);
    waitForSave();
    const StoredLibrary stored = storedLibrary();
    EXPECT_EQ(stored.titlesIn(QStringLiteral("Errands")),
              (QStringList{QStringLiteral("Post letter"), QStringLiteral("Buy stamps")}));
    EXPECT_EQ(statusOf(stored, QStringLiteral("Buy stamps")), QStringLiteral("C"));
}

TEST_F(KeysScenario, DownFromATitleEntersItsNoteAndWhatIsTypedThereIsSaved) {
    seedLibrary([](LibrarySeed& seed) {
        TDGroup* family = seed.list(QStringLiteral("Family"));
        seed.task(family, QStringLiteral("Call mum"))->setNotesString(QStringLiteral("Birthday"));
        seed.task(family, QStringLiteral("Dentist"));
    });
    launch();
    clickGroup(QStringLiteral("Family"));
    click(QStringLiteral("Call mum"));
    press(Qt::Key_Enter);  // edits the title
    press(Qt::Key_Down);
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDNotesTextView"));
    press(Qt::Key_End);
    type(QStringLiteral(", bring cake"));
    press(Qt::Key_Escape);
    waitForSave();
    const std::optional<StoredTask> task = storedLibrary().task(QStringLiteral("Call mum"));
    ASSERT_TRUE(task);
    EXPECT_EQ(task->notes, QStringLiteral("Birthday, bring cake"));
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));
}

}  // namespace
}  // namespace scenario
