// The cards in the main window: Ctrl+Alt+C switches between the outline and the cards, the toolbar strip
// stays over them, the card's keys, menu and fields act as a person expects, and a picture of a card
// over its stack for a person to look at.
#include "app/gui/main_window.h"
#include "app/gui/toolbar_controls.h"
#include "app/gui/toolbar_view_controller.h"
#include "controls/gui/balloon_panel.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "taskviews/card_deck.h"
#include "taskviews/gui/card_view.h"
#include "taskviews/gui/cards_view.h"
#include "taskviews/gui/recurrence_edit_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/task_menus.h"
#include "taskviews/tasks_controller.h"
#include "tests/app/groups_controller_fixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTextDocument>

namespace apptest {
namespace {

class CardsMainWindowTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        groups.reset();
        tasks.reset();
        defaults().setValue(QStringLiteral("cardAnimationEnabled"), false);
        home = list(QStringLiteral("Household"));
        plumber = addTask(home, QStringLiteral("Call the plumber about the boiler"));
        plumber->setNotesString(QStringLiteral(
            "Ask about the leaking tap in the kitchen and book the yearly service before winter."));
        plumber->setDueDate(QDateTime(QDate(2026, 12, 11), QTime(0, 0)));
        plumber->setPriority(2);
        for (const char* title : {"Find the service record", "Clear the cupboard"}) {
            TDTask* step = library()->createOrphanTask();
            step->setTitle(QString::fromLatin1(title));
            EXPECT_TRUE(plumber->orderedTasks()->addObject(step).ok());
        }
        // The first task without subtasks: its estimate is its own.
        plants = addTask(home, QStringLiteral("Water the plants"));
        for (const char* title : {"Take the bins out", "Fix the garden gate", "Buy light bulbs"})
            addTask(home, QString::fromLatin1(title));
        plants->setDueDate(QDateTime(QDate(2026, 12, 14), QTime(0, 0)));
        plants->setEstimatedTime(1800);
        processChanges();
        mainWindow = TDMakeMainWindow(*manager);
        mainWindow->showMainWindow();
        mainWindow->resize(1000, 680);
        QApplication::setActiveWindow(mainWindow.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mainWindow.get()));
        mainWindow->groupsController().selectGroup(home);
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        mainWindow.reset();
        GroupsControllerTest::TearDown();
    }

    TDTasksController& tasksController() const { return mainWindow->tasksViewController().tasksController(); }
    TDCardsView& switchToCards() {
        QTest::keyClick(mainWindow.get(), Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
        QCoreApplication::processEvents();
        EXPECT_EQ(tasksController().mode(), 1);
        return *mainWindow->tasksViewController().cardsView();
    }
    TDTask* cardTask() const { return tasksController().cardDeck()->task(); }

    std::unique_ptr<TDMainWindow> mainWindow;
    TDList* home = nullptr;
    TDTask* plumber = nullptr;
    TDTask* plants = nullptr;
};

TEST_F(CardsMainWindowTest, ControlAltCSwitchesBetweenTheOutlineAndTheCards) {
    ASSERT_EQ(tasksController().group(), home);
    EXPECT_EQ(tasksController().mode(), 0);
    QTest::keyClick(mainWindow.get(), Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    QCoreApplication::processEvents();
    ASSERT_EQ(tasksController().mode(), 1);
    TDCardsView* cards = mainWindow->tasksViewController().cardsView();
    ASSERT_NE(cards, nullptr);
    EXPECT_TRUE(cards->isVisible());
    EXPECT_FALSE(mainWindow->tasksViewController().tasksView().isVisible());
    ASSERT_NE(tasksController().cardDeck()->task(), nullptr);
    EXPECT_EQ(tasksController().cardDeck()->task()->title(),
              QStringLiteral("Call the plumber about the boiler"));

    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(
        mainWindow->grab().toImage().save(QDir(folder).filePath(QStringLiteral("cards_main_window.png"))));

    QTest::keyClick(mainWindow.get(), Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(tasksController().mode(), 0);
    EXPECT_TRUE(mainWindow->tasksViewController().tasksView().isVisible());
}

// The strip keeps its place over the cards: its controls take the clicks there, and the card lies below it.
TEST_F(CardsMainWindowTest, TheToolbarStripStaysAboveTheCards) {
    TDCardsView& cards = switchToCards();
    TDToolbarViewController& toolbar = mainWindow->toolbarController();
    QWidget& container = mainWindow->tasksViewController();
    ASSERT_TRUE(toolbar.view()->isVisible());
    for (TDToolbarSegmentedControl* control :
         {toolbar.backAndForwardSegmentedControl(), toolbar.viewModeSegmentedControl()}) {
        const QPoint centre = control->mapTo(&container, control->rect().center());
        EXPECT_EQ(container.childAt(centre), control);
    }
    EXPECT_EQ(toolbar.viewModeSegmentedControl()->selectedSegment(), 1);
    const int stripBottom = toolbar.view()->mapTo(&container, QPoint(0, toolbar.view()->height())).y();
    EXPECT_GE(cards.frontCardView()->mapTo(&container, QPoint(0, 0)).y(), stripBottom);

    TDToolbarSegmentedControl* modes = toolbar.viewModeSegmentedControl();
    QTest::mouseClick(modes, Qt::LeftButton, {}, modes->segmentRect(0).center());
    EXPECT_EQ(tasksController().mode(), 0);
}

TEST_F(CardsMainWindowTest, ARightClickOnTheCardShowsTheTaskMenu) {
    TDCardView* card = switchToCards().frontCardView();
    const QPoint margin(3, card->height() / 2);
    ASSERT_EQ(card->childAt(margin), nullptr);
    QTest::mouseClick(card, Qt::RightButton, {}, margin);
    QContextMenuEvent click(QContextMenuEvent::Mouse, margin, card->mapToGlobal(margin));
    QApplication::sendEvent(card, &click);
    QMenu* menu = card->taskMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(QApplication::activePopupWidget(), menu);
    EXPECT_EQ(menu->title(), TDTaskMenuTemplate().title);
    EXPECT_FALSE(menu->actions().isEmpty());
    menu->close();
}

// Escape drops what was typed into a date or the estimate: the stored value stays and shows again.
TEST_F(CardsMainWindowTest, EscapeInACardFieldKeepsTheStoredValue) {
    TDCardView* card = switchToCards().frontCardView();
    tasksController().cardDeck()->setTask(plants);
    ASSERT_EQ(cardTask(), plants);
    const QDateTime due = plants->dueDate();
    const struct {
        TDCardView::Field field;
        const char* typed;
    } cases[] = {{TDCardView::DueField, "next friday"}, {TDCardView::EstimateField, "3 hours"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        QLineEdit* field = card->field(c.field);
        const QString shown = field->text();
        QTest::mouseClick(field, Qt::LeftButton);
        ASSERT_TRUE(field->hasFocus());
        field->selectAll();
        QTest::keyClicks(field, QString::fromLatin1(c.typed));
        QTest::keyClick(field, Qt::Key_Escape);
        QCoreApplication::processEvents();
        EXPECT_FALSE(field->hasFocus());
        EXPECT_EQ(field->text(), shown);
        EXPECT_EQ(plants->dueDate(), due);
        EXPECT_EQ(plants->estimatedTime(), 1800);
    }
}

// j and k step through every task of the list at once; Shift+h goes on up as Shift+Left.
TEST_F(CardsMainWindowTest, LetterKeysStandForTheArrowKeys) {
    TDCardsView& cards = switchToCards();
    cards.setFocus();
    ASSERT_EQ(cardTask(), plumber);
    QTest::keyClick(&cards, Qt::Key_J);
    EXPECT_EQ(cardTask()->title(), QStringLiteral("Find the service record"));
    QTest::keyClick(&cards, Qt::Key_K);
    EXPECT_EQ(cardTask(), plumber);

    struct Recorder : QObject {
        QList<QKeyCombination> keys;
        bool eventFilter(QObject*, QEvent* event) override {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool modifierKey = key->key() == Qt::Key_Shift || key->key() == Qt::Key_Control ||
                                     key->key() == Qt::Key_Alt || key->key() == Qt::Key_Meta;
            if (event->type() == QEvent::KeyPress && !modifierKey) keys << key->keyCombination();
            return false;
        }
    } recorder;
    mainWindow->tasksViewController().installEventFilter(&recorder);
    QTest::keyClick(&cards, Qt::Key_H, Qt::ShiftModifier);
    mainWindow->tasksViewController().removeEventFilter(&recorder);
    EXPECT_EQ(recorder.keys, QList<QKeyCombination>{Qt::ShiftModifier | Qt::Key_Left});
    EXPECT_EQ(cardTask(), plumber);
}

TEST_F(CardsMainWindowTest, TheRecurrenceEditorHangsFromTheCardsTitle) {
    TDCardsView& cards = switchToCards();
    tasksController().editRecurrence();
    TDRecurrenceEditView* editor = cards.recurrenceEditView();
    ASSERT_NE(editor, nullptr);
    auto* balloon = qobject_cast<TDBalloonPanel*>(editor->parentWidget());
    ASSERT_NE(balloon, nullptr);
    const QRect title = cards.titleFrame();
    EXPECT_EQ(balloon->targetFrame(), QRect(cards.mapToGlobal(title.topLeft()), title.size()));
    EXPECT_EQ(mainWindow->tasksViewController().tasksView().recurrenceEditView(), nullptr);
    balloon->orderOut();
}

}  // namespace
}  // namespace apptest
