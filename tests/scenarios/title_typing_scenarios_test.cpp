// Typing in a task's title: Undo takes back one burst of typing at a time, and a word selected in the
// title can be searched for in the other titles.

#include "taskviews/gui/title_editor.h"
#include "tests/scenarios/scenario_test.h"

namespace {

class TitleTypingScenario : public scenario::ScenarioTest {
protected:
    void seedErrands(const QStringList& titles) {
        seedLibrary([&titles](scenario::LibrarySeed& seed) {
            TDGroup* errands = seed.list(QStringLiteral("Errands"));
            for (const QString& title : titles) seed.task(errands, title);
        });
        launch();
        chooseGroupFromKeyboard(QStringLiteral("Errands"));
    }
    // Edit Task (Ctrl+E) on the clicked task, the caret at the end of its title.
    void editTitleOf(const QString& title) {
        click(title);
        press(Qt::Key_E, Qt::ControlModifier);
        ASSERT_TRUE(qobject_cast<TDTaskTitleTextView*>(focusedWidget())) << focusedWidgetName().toStdString();
        press(Qt::Key_End);
    }
    QString editedTitle() const {
        const auto* editor = qobject_cast<TDTaskTitleTextView*>(focusedWidget());
        return editor ? editor->editedText() : QStringLiteral("<no title editor>");
    }
};

TEST_F(TitleTypingScenario, UndoTakesBackTheTypingSinceTheLastPause) {
    seedErrands({QStringLiteral("Buy stamps"), QStringLiteral("Water plants")});
    editTitleOf(QStringLiteral("Buy stamps"));
    type(QStringLiteral(" and envelopes"));
    advanceClock(2);
    type(QStringLiteral(" today"));
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editedTitle(), QStringLiteral("Buy stamps and envelopes"));
    press(Qt::Key_Return);
    waitForSave();
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Errands")),
              (QStringList{QStringLiteral("Buy stamps and envelopes"), QStringLiteral("Water plants")}));

    // Typing without a pause is one step, spaces and all.
    editTitleOf(QStringLiteral("Water plants"));
    type(QStringLiteral(" in the hall"));
    type(QStringLiteral(" and the porch"));
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editedTitle(), QStringLiteral("Water plants"));
    press(Qt::Key_Escape);
}

TEST_F(TitleTypingScenario, AWordSelectedInATitleIsFoundInTheNextTitleThatHoldsIt) {
    seedErrands({QStringLiteral("Buy stamps"), QStringLiteral("Water plants"),
                 QStringLiteral("Post the stamps to Anna")});
    editTitleOf(QStringLiteral("Buy stamps"));
    press(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    // Use Selection for Find, then Find Next.
    press(Qt::Key_E, Qt::ControlModifier | Qt::AltModifier);
    press(Qt::Key_F3);
    ASSERT_EQ(editedTitle(), QStringLiteral("Post the stamps to Anna"));
    // The match is selected: typing replaces it.
    type(QStringLiteral("letters"));
    press(Qt::Key_Return);
    waitForSave();
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Errands")),
              (QStringList{QStringLiteral("Buy stamps"), QStringLiteral("Water plants"),
                           QStringLiteral("Post the letters to Anna")}));
}

}  // namespace
