#include "taskviews/card_deck.h"

#include "platform/undo/undo_manager.h"
#include "tests/taskviews/tasks_controller_fixture.h"

namespace taskviewstest {
namespace {

// A list "Jobs": A (with A1 and the completed A2), the completed B, C and D, shown as cards.
class CardDeckTest : public TasksControllerTest {
protected:
    void SetUp() override {
        TasksControllerTest::SetUp();
        jobs = newList(QStringLiteral("Jobs"));
        TDTask* a = addTask(jobs, QStringLiteral("A"));
        addSubtask(a, QStringLiteral("A1"));
        addSubtask(a, QStringLiteral("A2"))->setCompleted(true);
        addTask(jobs, QStringLiteral("B"))->setCompleted(true);
        addTask(jobs, QStringLiteral("C"));
        addTask(jobs, QStringLiteral("D"));
        processChanges();
        manager->undoManager()->removeAllActions();
        setActionsOnly(false);
        controller->setMode(0);
        showCards(jobs);
        deck = controller->cardDeck();
        ASSERT_NE(deck, nullptr);
    }

    // Each group keeps its own presentation; these show their cards.
    void showCards(TDGroup* group) {
        controller->setGroup(group);
        controller->setMode(1);
    }
    void setActionsOnly(bool on) { defaults().setValue(QStringLiteral("showActionsOnlyInCardView"), on); }
    TDTask* find(const QString& title) {
        for (TDTask* task : library()->allTasks())
            if (!task->isDeleted() && task->title() == title) return task;
        return nullptr;
    }
    QString shown() const { return deck->task() ? deck->task()->title() : QStringLiteral("<none>"); }
    void show(const QString& title) {
        deck->setTask(find(title));
        ASSERT_EQ(shown(), title);
    }
    // Undoes the last step as the Edit menu would, with its changes processed.
    void undo() {
        manager->undoManager()->undo();
        processChanges();
    }

    TDList* jobs = nullptr;
    TDCardDeck* deck = nullptr;
};

TEST_F(CardDeckTest, TheFirstCardIsTheFirstTaskRowAndTheOutlineFollowsTheCard) {
    EXPECT_EQ(shown(), QStringLiteral("A"));
    EXPECT_EQ(deck->numberOfCards(), 6);
    EXPECT_EQ(deck->stackCount(), 4);
    deck->nextCard();
    EXPECT_EQ(shown(), QStringLiteral("A1"));
    ASSERT_EQ(outline.selected.size(), 1);
    EXPECT_EQ(outline.selected.first().task(), find(QStringLiteral("A1")));
    EXPECT_EQ(taskTitles(controller->selection()), QStringList{QStringLiteral("A1")});
    // Selecting a row in the outline moves the card.
    select({find(QStringLiteral("C"))});
    EXPECT_EQ(shown(), QStringLiteral("C"));
}

struct WalkCase {
    const char* name;
    bool actionsOnly;
    const char* start;
    bool forward;
    const char* cards;  // the cards shown after each step
};

void PrintTo(const WalkCase& c, std::ostream* os) {
    *os << c.name;
}

class CardWalkTest : public CardDeckTest, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(CardWalkTest, StepsThroughTheRowsAndWrapsAround) {
    const WalkCase& c = GetParam();
    setActionsOnly(c.actionsOnly);
    show(QString::fromLatin1(c.start));
    const QStringList expected = QString::fromLatin1(c.cards).split(QLatin1Char(' '));
    QStringList cards;
    for (qsizetype step = 0; step < expected.size(); ++step) {
        if (c.forward)
            deck->nextCard();
        else
            deck->previousCard();
        cards << shown();
    }
    EXPECT_EQ(cards, expected);
    EXPECT_TRUE(feedback.events.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cards, CardWalkTest,
    ::testing::Values(WalkCase{"AllForward", false, "A", true, "A1 A2 B C D A"},
                      WalkCase{"AllBackward", false, "A", false, "D C B A2 A1 A"},
                      WalkCase{"ActionsOnlyForward", true, "A1", true, "C D A1"},
                      WalkCase{"ActionsOnlyBackward", true, "A1", false, "D C A1"},
                      // A card that is not an action steps on to the next action after it.
                      WalkCase{"ActionsOnlyFromAClosedTask", true, "B", true, "C"}),
    [](const ::testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });

TEST_F(CardDeckTest, OneCardBeepsAndNoneShowsTheMessage) {
    TDList* single = newList(QStringLiteral("Single"));
    addTask(single, QStringLiteral("Only"));
    processChanges();
    showCards(single);
    EXPECT_EQ(shown(), QStringLiteral("Only"));
    EXPECT_EQ(deck->stackCount(), 0);
    deck->nextCard();
    deck->previousCard();
    EXPECT_EQ(feedback.events, QStringList({QStringLiteral("beep"), QStringLiteral("beep")}));
    EXPECT_EQ(shown(), QStringLiteral("Only"));
    EXPECT_TRUE(deck->instructionMessage().isNull());

    showCards(newList(QStringLiteral("Empty")));
    EXPECT_EQ(deck->numberOfCards(), 0);
    EXPECT_EQ(shown(), QStringLiteral("<none>"));
    EXPECT_EQ(deck->instructionMessage(),
              QStringLiteral("You don't have any tasks here. Hit \u201creturn\u201d to create one."));
    showCards(jobs);
    controller->setTitleFilterString(QStringLiteral("zzz"));
    EXPECT_EQ(deck->numberOfCards(), 0);
    EXPECT_EQ(deck->instructionMessage(), QStringLiteral("No matching tasks found."));
}

TEST_F(CardDeckTest, CompletingFlipsOnToTheNextOpenTaskAndUndoReopensIt) {
    show(QStringLiteral("C"));
    deck->toggleCompleted();
    processChanges();
    EXPECT_TRUE(find(QStringLiteral("C"))->isCompleted());
    EXPECT_EQ(shown(), QStringLiteral("D"));
    EXPECT_EQ(undoName(), QStringLiteral("Mark as Completed"));
    undo();
    EXPECT_TRUE(find(QStringLiteral("C"))->isIncomplete());
    // A done task is only reopened; the card stays.
    show(QStringLiteral("B"));
    deck->toggleCompleted();
    processChanges();
    EXPECT_TRUE(find(QStringLiteral("B"))->isIncomplete());
    EXPECT_EQ(shown(), QStringLiteral("B"));
}

TEST_F(CardDeckTest, CompletingTheActionsDropsTheirCardsUntilNoneIsLeft) {
    setActionsOnly(true);
    show(QStringLiteral("C"));
    deck->toggleCompleted();
    processChanges();
    EXPECT_TRUE(find(QStringLiteral("C"))->isCompleted());
    EXPECT_EQ(shown(), QStringLiteral("D"));
    EXPECT_EQ(deck->numberOfCards(), 2);
    deck->toggleCompleted();
    processChanges();
    EXPECT_EQ(shown(), QStringLiteral("A1"));
    deck->toggleCompleted();
    processChanges();
    EXPECT_TRUE(find(QStringLiteral("A1"))->isCompleted());
    EXPECT_EQ(shown(), QStringLiteral("<none>"));
    EXPECT_EQ(deck->numberOfCards(), 0);
}

TEST_F(CardDeckTest, CancellingActsOnTheTaskOfTheDroppedCard) {
    setActionsOnly(true);
    show(QStringLiteral("C"));
    deck->toggleCanceled();
    processChanges();
    EXPECT_TRUE(find(QStringLiteral("C"))->isCanceled());
    EXPECT_TRUE(find(QStringLiteral("D"))->isIncomplete());
    EXPECT_EQ(shown(), QStringLiteral("D"));
    EXPECT_EQ(undoName(), QStringLiteral("Cancel"));
    undo();
    EXPECT_TRUE(find(QStringLiteral("C"))->isIncomplete());
    EXPECT_TRUE(find(QStringLiteral("D"))->isIncomplete());
}

TEST_F(CardDeckTest, CancellingWithoutActionsOnlyFlipsOn) {
    show(QStringLiteral("C"));
    deck->toggleCanceled();
    processChanges();
    EXPECT_TRUE(find(QStringLiteral("C"))->isCanceled());
    EXPECT_EQ(shown(), QStringLiteral("D"));
}

TEST_F(CardDeckTest, DeletingRemovesTheShownTaskAndUndoBringsItBack) {
    show(QStringLiteral("C"));
    deck->deleteCard();
    processChanges();
    EXPECT_EQ(find(QStringLiteral("C")), nullptr);
    ASSERT_NE(find(QStringLiteral("D")), nullptr);
    EXPECT_EQ(shown(), QStringLiteral("D"));
    EXPECT_EQ(undoName(), QStringLiteral("Delete"));
    EXPECT_EQ(deck->numberOfCards(), 5);
    undo();
    EXPECT_NE(find(QStringLiteral("C")), nullptr);
    EXPECT_EQ(deck->numberOfCards(), 6);
    EXPECT_NE(deck->task(), nullptr);
}

TEST_F(CardDeckTest, NothingOnTheCardBeeps) {
    showCards(newList(QStringLiteral("Empty")));
    deck->toggleCompleted();
    deck->toggleCanceled();
    deck->deleteCard();
    EXPECT_EQ(feedback.events, QStringList(3, QStringLiteral("beep")));
}

TEST_F(CardDeckTest, LeavingTheCardsForgetsTheGroup) {
    controller->setMode(0);
    EXPECT_EQ(deck->group(), nullptr);
    EXPECT_EQ(controller->presentation(), &outline);
    controller->setMode(1);
    EXPECT_EQ(deck->group(), jobs);
    EXPECT_EQ(window.modes, QList<int>({0, 1, 0, 1}));
}

TEST(CardKeysTest, KeysMapToTheirActions) {
    using A = TDCardDeck::KeyAction;
    const struct {
        int key;
        const char* text;
        int modifiers;
        A action;
    } cases[] = {
        {Qt::Key_Return, "\r", 0, A::InsertNewline},
        {Qt::Key_Return, "\r", Qt::ControlModifier, A::InsertNewline},
        {Qt::Key_Return, "\r", Qt::ShiftModifier, A::PassOn},
        {Qt::Key_Space, " ", 0, A::ToggleCompleted},
        {Qt::Key_Space, " ", Qt::ShiftModifier, A::PassOn},
        {Qt::Key_H, "h", 0, A::PreviousCard},
        {Qt::Key_L, "l", 0, A::NextCard},
        {Qt::Key_Left, "", 0, A::PreviousCard},
        {Qt::Key_Right, "", 0, A::NextCard},
        {Qt::Key_J, "j", 0, A::Down},
        {Qt::Key_K, "k", 0, A::Up},
        {Qt::Key_Down, "", 0, A::Down},
        {Qt::Key_Up, "", 0, A::Up},
        {Qt::Key_H, "H", Qt::ShiftModifier, A::PassOnAsArrow},
        {Qt::Key_J, "J", Qt::ShiftModifier, A::PassOnAsArrow},
        {Qt::Key_L, "l", Qt::AltModifier, A::PassOnAsArrow},
        {Qt::Key_L, "l", Qt::ControlModifier, A::PassOn},
        {Qt::Key_X, "x", 0, A::PassOn},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TDCardDeck::keyAction(c.key, QString::fromLatin1(c.text), c.modifiers), c.action)
            << c.text << " " << c.modifiers;
    const QStringList letters{QStringLiteral("h"), QStringLiteral("J"), QStringLiteral("k"),
                              QStringLiteral("L"), QStringLiteral("x"), QString()};
    const QList<int> arrows{Qt::Key_Left, Qt::Key_Down, Qt::Key_Up, Qt::Key_Right, 0, 0};
    for (qsizetype i = 0; i < letters.size(); ++i)
        EXPECT_EQ(TDCardDeck::arrowKeyForLetter(letters[i]), arrows[i]) << letters[i].toStdString();
}

}  // namespace
}  // namespace taskviewstest

namespace taskviewstest {
namespace {

// A dropped card leaves the deck one card thinner; the group's view options keep that, and bring it
// back when the group is shown as cards again.
TEST_F(CardDeckTest, TheNumberOfCardsIsKeptInTheViewOptions) {
    deck->dropCard();
    ASSERT_EQ(deck->numberOfCards(), 5);
    const QVariantMap options = controller->viewOptions();
    EXPECT_EQ(options.value(QStringLiteral("numberOfCards")).toLongLong(), 5);

    controller->setViewOptions({{QStringLiteral("displayMode"), 1}});
    EXPECT_EQ(deck->numberOfCards(), 6) << "without the option the deck counts the group's tasks";
    controller->setViewOptions(options);
    EXPECT_EQ(deck->numberOfCards(), 5);
    // In the outline the option has nothing to set.
    QVariantMap outline = options;
    outline.insert(QStringLiteral("displayMode"), 0);
    outline.insert(QStringLiteral("numberOfCards"), 2);
    controller->setViewOptions(outline);
    EXPECT_NE(deck->numberOfCards(), 2);
}

}  // namespace
}  // namespace taskviewstest
