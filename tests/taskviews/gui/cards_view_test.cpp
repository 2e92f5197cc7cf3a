// The cards over a list, driven by keys and clicks as a person would, with the flips switched off; and
// a picture of the message of an empty list.
#include "taskviews/gui/cards_view.h"
#include "controls/gui/balloon_panel.h"
#include "language/natural_language_value_transformers.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/card_deck.h"
#include "taskviews/gui/card_print_job.h"
#include "taskviews/gui/card_stack.h"
#include "taskviews/gui/card_view.h"
#include "taskviews/gui/card_view_controller.h"
#include "taskviews/gui/notes_editor.h"
#include "taskviews/gui/priority_box_cell.h"
#include "taskviews/gui/task_info_text_field.h"
#include "taskviews/gui/title_editor.h"
#include "tests/support/gui/touchpad.h"
#include "tests/taskviews/tasks_controller_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

namespace {

using taskviewstest::TasksControllerTest;

// A list "Jobs": A (with A1), B and C, shown as cards in a window.
class CardsViewTest : public TasksControllerTest {
protected:
    void SetUp() override {
        TasksControllerTest::SetUp();
        registerNaturalLanguageValueTransformers();
        defaults().setValue(QStringLiteral("cardAnimationEnabled"), false);
        jobs = newList(QStringLiteral("Jobs"));
        TDTask* a = addTask(jobs, QStringLiteral("A"));
        addSubtask(a, QStringLiteral("A1"));
        addTask(jobs, QStringLiteral("B"));
        addTask(jobs, QStringLiteral("C"));
        processChanges();
        manager->undoManager()->removeAllActions();
        controller->setGroup(jobs);
        controller->setMode(1);
        view = std::make_unique<TDCardsView>(*controller, *controller->cardDeck());
        view->resize(600, 500);
        view->show();
        QApplication::setActiveWindow(view.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->setFocus();
    }
    void TearDown() override {
        view.reset();
        TasksControllerTest::TearDown();
    }

    TDCardDeck& deck() const { return *controller->cardDeck(); }
    TDCardView& card() const { return *view->frontCardView(); }
    QString shown() const { return deck().task() ? deck().task()->title() : QStringLiteral("<none>"); }
    TDTask* find(const QString& title) {
        for (TDTask* task : library()->allTasks())
            if (!task->isDeleted() && task->title() == title) return task;
        return nullptr;
    }
    void undo() {
        manager->undoManager()->undo();
        processChanges();
        QCoreApplication::processEvents();
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
        processChanges();
        QCoreApplication::processEvents();
    }

    TDList* jobs = nullptr;
    std::unique_ptr<TDCardsView> view;
};

TEST_F(CardsViewTest, TheCardShowsTheTaskOverTheStack) {
    EXPECT_EQ(shown(), QStringLiteral("A"));
    EXPECT_EQ(card().titleField()->editedText(), QStringLiteral("A"));
    EXPECT_EQ(card().subtaskCountLabel()->text(), QStringLiteral("1 subtask"));
    EXPECT_EQ(view->stackView()->numberOfCards(), 3);
    EXPECT_TRUE(view->leftButton()->isVisible());
    EXPECT_EQ(view->messageField(), nullptr);
    // Below the toolbar's band; three rear cards: the card sits 2 points lower than over a full stack.
    EXPECT_EQ(card().geometry(), QRect(70, TDCardsView::kToolbarBandHeight + 22, 460, 380));
}

TEST_F(CardsViewTest, KeysMoveCompleteAndDelete) {
    key(Qt::Key_L);
    EXPECT_EQ(shown(), QStringLiteral("A1"));
    key(Qt::Key_Right);
    EXPECT_EQ(shown(), QStringLiteral("B"));
    key(Qt::Key_H);
    EXPECT_EQ(shown(), QStringLiteral("A1"));
    QTest::mouseClick(view->rightButton(), Qt::LeftButton);
    EXPECT_EQ(shown(), QStringLiteral("B"));

    key(Qt::Key_Space);
    EXPECT_TRUE(find(QStringLiteral("B"))->isCompleted());
    EXPECT_EQ(shown(), QStringLiteral("C"));
    undo();
    EXPECT_TRUE(find(QStringLiteral("B"))->isIncomplete());

    deck().setTask(find(QStringLiteral("B")));
    key(Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(find(QStringLiteral("B")), nullptr);
    EXPECT_EQ(shown(), QStringLiteral("C"));
    EXPECT_EQ(undoName(), QStringLiteral("Delete"));
    undo();
    EXPECT_NE(find(QStringLiteral("B")), nullptr);
}

TEST_F(CardsViewTest, ASidewaysSwipeTurnsToTheNextOrThePreviousCard) {
    // Swiped over the card, the gesture reaches the cards view.
    testsupport::touchpadScroll(&card(), -80);
    EXPECT_EQ(shown(), QStringLiteral("A1"));
    testsupport::touchpadScroll(&card(), -80);
    EXPECT_EQ(shown(), QStringLiteral("B"));
    testsupport::touchpadScroll(view.get(), 80);
    EXPECT_EQ(shown(), QStringLiteral("A1"));
    testsupport::mouseWheelSideways(view.get(), -2);
    EXPECT_EQ(shown(), QStringLiteral("A1"));
}

TEST_F(CardsViewTest, TheCheckboxCompletesTheCardsTask) {
    deck().setTask(find(QStringLiteral("C")));
    QTest::mouseClick(card().checkboxButton(), Qt::LeftButton);
    processChanges();
    EXPECT_TRUE(find(QStringLiteral("C"))->isCompleted());
    EXPECT_TRUE(find(QStringLiteral("B"))->isIncomplete());
}

TEST_F(CardsViewTest, EditsOnTheCardReachTheLibraryWithUndo) {
    TDTask* b = find(QStringLiteral("B"));
    deck().setTask(b);

    view->editTitle();
    QTest::keyClicks(card().titleField(), QStringLiteral("Buy milk"));
    key(Qt::Key_Return);
    EXPECT_EQ(b->title(), QStringLiteral("Buy milk"));
    EXPECT_TRUE(view->hasFocus());
    undo();
    EXPECT_EQ(b->title(), QStringLiteral("B"));
    EXPECT_EQ(card().titleField()->editedText(), QStringLiteral("B"));

    view->editNote();
    QTest::keyClicks(card().notesTextView(), QStringLiteral("Semi-skimmed"));
    key(Qt::Key_Escape);
    ASSERT_TRUE(b->attributedNotes());
    EXPECT_EQ(b->attributedNotes()->toPlainText(), QStringLiteral("Semi-skimmed"));
    EXPECT_EQ(undoName(), QStringLiteral("Edit Note"));
    undo();
    EXPECT_FALSE(b->attributedNotes() && !b->attributedNotes()->isEmpty());

    QLineEdit* due = card().field(TDCardView::DueField);
    due->setFocus();
    QTest::keyClicks(due, QStringLiteral("tomorrow"));
    key(Qt::Key_Return);
    EXPECT_EQ(b->dueDate().date(), QDate(2026, 12, 10));
    undo();
    EXPECT_FALSE(b->dueDate().isValid());

    ASSERT_EQ(shown(), QStringLiteral("B"));
    Q_EMIT card().priorityPopUpButton()->priorityChosen(1);
    processChanges();
    EXPECT_EQ(b->priority(), 1);
    EXPECT_EQ(undoName(), QStringLiteral("Change Priority"));
    undo();
    EXPECT_EQ(b->priority(), 0);
}

// The pointer over the priority box lights it up: a task without a priority shows a grey "!" there, so
// a person finds where to click; the look goes when the pointer leaves.
TEST_F(CardsViewTest, ThePriorityBoxLightsUpUnderThePointer) {
    TDPriorityButton* button = card().priorityPopUpButton();
    for (qint64 priority : {0, 4}) {
        SCOPED_TRACE(priority);
        deck().task()->setPriority(priority);
        processChanges();
        ASSERT_EQ(button->priority(), priority);
        QTest::mouseMove(view.get(), QPoint(4, 4));
        EXPECT_FALSE(button->containsMousePointer());
        const QImage away = button->grab().toImage();
        QTest::mouseMove(button, button->rect().center());
        EXPECT_TRUE(button->containsMousePointer());
        const QImage over = button->grab().toImage();
        EXPECT_NE(over, away);
        if (priority == 0) {
            bool plain = true;
            for (int y = 0; y < away.height(); ++y)
                for (int x = 0; x < away.width(); ++x) plain = plain && away.pixel(x, y) == away.pixel(0, 0);
            EXPECT_TRUE(plain) << "no box without a priority";
            const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
            QDir().mkpath(folder);
            EXPECT_TRUE(card().grab().toImage().save(
                QDir(folder).filePath(QStringLiteral("card_priority_hover.png"))));
        }
        QTest::mouseMove(view.get(), QPoint(4, 4));
        EXPECT_FALSE(button->containsMousePointer());
        EXPECT_EQ(button->grab().toImage(), away);
    }
}

TEST_F(CardsViewTest, TheDateAndEstimateFieldsOpenTheirBalloonsAndTheSliderSetsTheEstimate) {
    // A task without subtasks: its estimate is its own.
    key(Qt::Key_L);
    key(Qt::Key_L);
    ASSERT_EQ(shown(), QStringLiteral("B"));
    auto* estimate = qobject_cast<TDInspectorTextField*>(card().field(TDCardView::EstimateField));
    ASSERT_TRUE(estimate);
    estimate->setFocus();
    estimate->firePopUpTimer();
    ASSERT_TRUE(estimate->estimatePanel() && estimate->estimatePanel()->isVisible());
    // What the slider picks is stored as it is, one step.
    estimate->completionViewController(nullptr, 2700.0, true);
    processChanges();
    EXPECT_EQ(deck().task()->estimatedTime(), 2700.0);
    EXPECT_FALSE(estimate->hasFocus());
    EXPECT_EQ(undoName(), QStringLiteral("Change Estimated Time"));

    auto* due = qobject_cast<TDInspectorTextField*>(card().field(TDCardView::DueField));
    ASSERT_TRUE(due);
    QApplication::setActiveWindow(view.get());
    due->setFocus();
    QTest::keyClicks(due, QStringLiteral("tomorrow"));
    due->firePopUpTimer();
    ASSERT_TRUE(due->datePanel() && due->datePanel()->isVisible()) << "the calendar follows the typing";
}

TEST_F(CardsViewTest, ALongTitleGrowsUpToThreeLines) {
    TDCardController& cards = view->cardController();
    const int oneLine = card().titleHeight();
    TDTask* b = find(QStringLiteral("B"));
    b->setTitle(QStringLiteral("Write a long title ").repeated(3));
    deck().setTask(b);
    processChanges();
    const int twoLines = card().titleHeight();
    EXPECT_GT(twoLines, oneLine);
    b->setTitle(QStringLiteral("Write a very long title that goes on ").repeated(12));
    cards.setTask(b);
    processChanges();
    EXPECT_LE(card().titleHeight(), 3 * oneLine);
    EXPECT_GT(card().titleHeight(), twoLines);
}

TEST_F(CardsViewTest, AnEmptyListShowsItsMessageInPlaceOfTheCards) {
    controller->setGroup(newList(QStringLiteral("Empty")));
    controller->setMode(1);
    QCoreApplication::processEvents();
    ASSERT_NE(view->messageField(), nullptr);
    EXPECT_EQ(view->messageField()->text(),
              QStringLiteral("You don't have any tasks here. Hit \u201creturn\u201d to create one."));
    EXPECT_FALSE(card().isVisible());
    EXPECT_FALSE(view->stackView()->isVisible());
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(view->grab().toImage().save(QDir(folder).filePath(QStringLiteral("cards_empty_list.png"))));
}

TEST_F(CardsViewTest, TheOverlaySwallowsClicks) {
    controller->setDrawOverlayForGoto(true);
    ASSERT_TRUE(view->drawsOverlay());
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, view->rightButton()->geometry().center());
    EXPECT_EQ(shown(), QStringLiteral("A"));
    controller->setDrawOverlayForGoto(false);
    EXPECT_FALSE(view->drawsOverlay());
}

TEST_F(CardsViewTest, PrintingInCardModePrintsTheFrontCardOnOnePage) {
    TDCardPrintJob job(*view, *controller, defaults());
    EXPECT_EQ(job.jobTitle(), QStringLiteral("Jobs"));
    EXPECT_FALSE(job.hasOptions());
    QTemporaryDir folder;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath(QStringLiteral("card.pdf")));
    EXPECT_EQ(job.print(printer), 1);
    EXPECT_GT(QFileInfo(printer.outputFileName()).size(), 0);
}

}  // namespace
