#include "taskviews/gui/tasks_view_editing.h"
#include "controls/gui/balloon_panel.h"
#include "controls/gui/cursor.h"
#include "controls/gui/date_completion_view_controller.h"
#include "controls/gui/date_picker.h"
#include "language/natural_language_value_transformers.h"
#include "model/ordered_collection.h"
#include "model/task_classifier.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/gui/estimate_completion_view_controller.h"
#include "taskviews/gui/task_cell.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/title_editor.h"
#include "taskviews/task_title_styling.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/gui/outline_fixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

using taskviewstest::TasksControllerTest;

constexpr int kTitle = TDTaskTreeModel::TaskColumn;
constexpr int kDue = TDTaskTreeModel::DueColumn;

// Suggests "/errands" for any title that mentions milk.
class MilkClassifier final : public TDTaskClassifier {
public:
    using TDTaskClassifier::TDTaskClassifier;
    QList<TDToken> suggestedTokensFromTitle(const QString& title) override {
        if (!title.contains(QStringLiteral("milk"), Qt::CaseInsensitive)) return {};
        TDToken token(QStringLiteral("/errands"));
        return {token};
    }
};

class TasksViewEditingTest : public taskviewstest::OutlineTest<> {
protected:
    void SetUp() override {
        OutlineTest::SetUp();
        registerNaturalLanguageValueTransformers();
        openOutline(&window);
        view->resize(760, 420);
        view->show();
        QApplication::setActiveWindow(view.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        list = newList(QStringLiteral("Errands"));
    }

    void TearDown() override {
        if (library()) library()->setTaskClassifier(nullptr);
        OutlineTest::TearDown();
    }

    void show() {
        processChanges();
        controller->setGroup(list);
        settle();
    }

    void settle() { settleOutline(); }

    TDTasksViewEditing& editing() const { return view->editing(); }
    TDTasksViewTextView* editor() const { return editing().currentEditor(); }
    TDTaskTitleTextView* titleEditor() const { return editing().titleEditor(); }

    void edit(TDTask* task, int column = kTitle, QTextCursor::MoveOperation caret = QTextCursor::End) {
        ASSERT_TRUE(editing().editTask(task, column, false));
        editor()->moveCursor(caret);
        ASSERT_TRUE(editor()->hasFocus());
    }

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = editor() ? static_cast<QWidget*>(editor()) : view.get();
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }

    QStringList tagTitles(TDTask* task) const {
        QStringList titles;
        for (TDGroup* tag : task->tags()) titles << tag->title();
        titles.sort();
        return titles;
    }

    void saveScreenshot(const QImage& image, const QString& name) {
        QDir().mkpath(QStringLiteral(ORDELLO_SCREENSHOT_DIR));
        ASSERT_TRUE(image.save(QDir(QStringLiteral(ORDELLO_SCREENSHOT_DIR)).filePath(name)));
    }

    TDList* list = nullptr;
};

TEST_F(TasksViewEditingTest, ATypedTagTokenBecomesATagAndOneUndoTakesTheWholeEditBack) {
    TDTask* task = addTask(list, QStringLiteral("Call"));
    show();
    edit(task);

    QTest::keyClicks(titleEditor(), QStringLiteral(" mom"));
    QTest::keyClicks(titleEditor(), QStringLiteral(" /work"));
    // Typing stays in the editor until the edit ends.
    EXPECT_EQ(task->title(), QStringLiteral("Call"));
    EXPECT_TRUE(titleEditor()->isEditingTag());
    // The token carries its mark in the text.
    QTextCursor cursor(titleEditor()->document());
    cursor.setPosition(int(QStringLiteral("Call mom /wo").size()));
    EXPECT_TRUE(cursor.charFormat().boolProperty(TDTokenProperty));
    cursor.setPosition(3);
    EXPECT_FALSE(cursor.charFormat().boolProperty(TDTokenProperty));

    press(Qt::Key_Return);
    EXPECT_FALSE(editing().isEditing());
    EXPECT_EQ(task->title(), QStringLiteral("Call mom /work"));
    EXPECT_EQ(tagTitles(task), QStringList{QStringLiteral("work")});
    settle();
    EXPECT_EQ(undoName(), QStringLiteral("Edit Task"));

    manager->undoManager()->undo();
    settle();
    EXPECT_EQ(task->title(), QStringLiteral("Call"));
    EXPECT_TRUE(tagTitles(task).isEmpty());
}

TEST_F(TasksViewEditingTest, TypingUndoStaysInTheEditor) {
    TDTask* task = addTask(list, QStringLiteral("Plan"));
    show();
    const bool couldUndo = manager->undoManager()->canUndo();
    edit(task);
    QTest::keyClicks(titleEditor(), QStringLiteral(" trip"));
    QTest::keyClick(titleEditor(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(titleEditor()->editedText(), QStringLiteral("Plan"));
    // The library heard nothing of it.
    EXPECT_EQ(manager->undoManager()->canUndo(), couldUndo);
    EXPECT_EQ(task->title(), QStringLiteral("Plan"));
}

TEST_F(TasksViewEditingTest, ReturnCommitsAndReturnAgainAddsATaskBelow) {
    TDTask* first = addTask(list, QStringLiteral("First"));
    TDTask* last = addTask(list, QStringLiteral("Last"));
    show();
    edit(first);
    QTest::keyClicks(titleEditor(), QStringLiteral(" step"));
    press(Qt::Key_Return);
    EXPECT_EQ(first->title(), QStringLiteral("First step"));
    ASSERT_FALSE(editing().isEditing());

    // On the outline Return adds a task after the selected one and edits its title.
    press(Qt::Key_Return);
    settle();
    ASSERT_TRUE(editing().isEditing());
    TDTask* added = editing().editedTask();
    EXPECT_EQ(list->orderedTasks()->objectsAs<TDTask>(), (QList<TDTask*>{first, added, last}));
    EXPECT_EQ(undoName(), QStringLiteral("New Task"));
    QTest::keyClicks(titleEditor(), QStringLiteral("Middle"));

    // Ctrl+Return commits and adds the next one at once; Shift+Return a subtask.
    press(Qt::Key_Return, Qt::ControlModifier);
    settle();
    EXPECT_EQ(added->title(), QStringLiteral("Middle"));
    TDTask* below = editing().editedTask();
    ASSERT_TRUE(below && below != added);
    EXPECT_EQ(list->orderedTasks()->objectsAs<TDTask>(), (QList<TDTask*>{first, added, below, last}));
    press(Qt::Key_Return, Qt::ShiftModifier);
    settle();
    TDTask* child = editing().editedTask();
    ASSERT_TRUE(child);
    EXPECT_EQ(child->parentTask(), below);
}

TEST_F(TasksViewEditingTest, EscapeRevertsTheTitle) {
    TDTask* task = addTask(list, QStringLiteral("Water plants"));
    show();
    edit(task);
    QTest::keyClicks(titleEditor(), QStringLiteral(" twice"));
    press(Qt::Key_Escape);
    EXPECT_FALSE(editing().isEditing());
    EXPECT_EQ(task->title(), QStringLiteral("Water plants"));
    EXPECT_TRUE(view->hasFocus());
}

TEST_F(TasksViewEditingTest, TabIndentsAndShiftTabOutdentsTheEditedTask) {
    TDTask* first = addTask(list, QStringLiteral("Trip"));
    TDTask* second = addTask(list, QStringLiteral("Book"));
    TDTask* third = addTask(list, QStringLiteral("Pack"));
    show();
    edit(second, kTitle, QTextCursor::Start);
    QTest::keyClicks(titleEditor(), QStringLiteral("Go "));
    titleEditor()->moveCursor(QTextCursor::Start);

    press(Qt::Key_Tab);
    settle();
    EXPECT_EQ(second->parentTask(), first);
    // The title typed before the move went with it, and editing goes on at its start.
    EXPECT_EQ(second->title(), QStringLiteral("Go Book"));
    EXPECT_EQ(undoName(), QStringLiteral("Indent"));
    ASSERT_EQ(editing().editedTask(), second);
    EXPECT_TRUE(editor()->isCaretAtStart());

    // The third task now follows the indented one; Shift-Tab makes it a sibling again.
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    settle();
    EXPECT_EQ(second->parentTask(), nullptr);
    EXPECT_EQ(list->orderedTasks()->objectsAs<TDTask>(), (QList<TDTask*>{first, second, third}));
    EXPECT_EQ(undoName(), QStringLiteral("Outdent"));
    EXPECT_EQ(editing().editedTask(), second);

    // The first task has nothing to go under: Tab moves to the next cell instead.
    edit(first, kTitle, QTextCursor::Start);
    press(Qt::Key_Tab);
    EXPECT_EQ(first->parentTask(), nullptr);
    EXPECT_EQ(editing().editedTask(), first);
    EXPECT_GT(editing().editedColumn(), kTitle);
}

TEST_F(TasksViewEditingTest, ArrowsMoveEditingBetweenRowsAndCells) {
    TDTask* upper = addTask(list, QStringLiteral("Upper task"));
    TDTask* lower = addTask(list, QStringLiteral("Lower"));
    show();
    edit(upper);
    QTest::keyClicks(titleEditor(), QStringLiteral("!"));

    // Down commits and edits the row below; the pointer hides until the mouse moves.
    press(Qt::Key_Down);
    EXPECT_EQ(upper->title(), QStringLiteral("Upper task!"));
    ASSERT_EQ(editing().editedTask(), lower);
    EXPECT_EQ(editing().editedColumn(), kTitle);
    EXPECT_TRUE(TDCursor::isHidden());
    EXPECT_FALSE(TDCursor::reallyStaysHiddenUntilMouseMoves());
    QTest::mouseMove(view->viewport(), QPoint(5, 5));
    EXPECT_FALSE(TDCursor::isHidden());

    // Up from the first editable row stays, at the start of the line.
    press(Qt::Key_Up);
    ASSERT_EQ(editing().editedTask(), upper);
    press(Qt::Key_Up);
    EXPECT_EQ(editing().editedTask(), upper);
    EXPECT_TRUE(editor()->isCaretAtStart());

    // Right at the end of the title goes to the next cell, Left at its start comes back.
    editor()->moveCursor(QTextCursor::End);
    press(Qt::Key_Right);
    ASSERT_EQ(editing().editedTask(), upper);
    const int next = editing().editedColumn();
    EXPECT_GT(next, kTitle);
    EXPECT_TRUE(editor()->isCaretAtStart());
    press(Qt::Key_Left);
    EXPECT_EQ(editing().editedColumn(), kTitle);
    EXPECT_TRUE(editor()->isCaretAtEnd());
}

TEST_F(TasksViewEditingTest, BackspaceInAnEmptyTitleDeletesTheTaskAndEditsTheOneAbove) {
    TDTask* kept = addTask(list, QStringLiteral("Keep"));
    TDTask* emptied = addTask(list, QStringLiteral("x"));
    show();
    edit(emptied);
    press(Qt::Key_Backspace);  // the last character
    ASSERT_TRUE(titleEditor()->editedText().isEmpty());
    press(Qt::Key_Backspace);
    settle();
    EXPECT_TRUE(emptied->isDeleted());
    ASSERT_EQ(editing().editedTask(), kept);
    EXPECT_TRUE(editor()->isCaretAtEnd());

    // In the first row nothing is deleted.
    titleEditor()->selectAll();
    press(Qt::Key_Backspace);
    press(Qt::Key_Backspace);
    settle();
    EXPECT_FALSE(kept->isDeleted());
}

TEST_F(TasksViewEditingTest, BackspaceAndDeleteTakeATokenWholeButLettersJustTyped) {
    struct Case {
        const char* title;
        const char* caretBefore;  // the caret goes before this text; null: at the end
        const char* typed;
        std::vector<Qt::Key> keys;
        const char* expected;
    };
    const Case cases[] = {
        {"Call /work", nullptr, "", {Qt::Key_Backspace}, "Call "},
        {"Call /work", nullptr, "", {Qt::Key_Backspace, Qt::Key_Backspace}, "Call"},
        {"Plan /several words/ trip", " trip", "", {Qt::Key_Backspace}, "Plan  trip"},
        {"/home now", "/home", "", {Qt::Key_Delete}, " now"},
        {"Ask @phone", "@phone", "", {Qt::Key_Delete}, "Ask "},
        // Letters go one by one where the user is typing, also after the first one deleted.
        {"Call", nullptr, " /wor", {Qt::Key_Backspace}, "Call /wo"},
        {"Call", nullptr, " /wor", {Qt::Key_Backspace, Qt::Key_Backspace}, "Call /w"},
        // A letter next to a token is no token.
        {"Call /work x", nullptr, "", {Qt::Key_Backspace}, "Call /work "},
    };
    TDTask* task = addTask(list, QStringLiteral("Task"));
    show();
    for (const Case& c : cases) {
        task->setTitle(QString::fromUtf8(c.title));
        settle();
        // The keys go to the editor itself: a completion list left open may hold the keyboard.
        ASSERT_TRUE(editing().editTask(task, kTitle, false));
        titleEditor()->moveCursor(QTextCursor::End);
        if (c.caretBefore) {
            QTextCursor caret = titleEditor()->textCursor();
            caret.setPosition(int(QString::fromUtf8(c.title).indexOf(QString::fromUtf8(c.caretBefore))));
            titleEditor()->setTextCursor(caret);
        }
        QTest::keyClicks(titleEditor(), QString::fromUtf8(c.typed));
        for (Qt::Key key : c.keys) press(key);
        EXPECT_EQ(titleEditor()->editedText(), QString::fromUtf8(c.expected)) << c.title << " " << c.typed;
        editing().endEditing(false);
    }
}

TEST_F(TasksViewEditingTest, TheEditedRowGrowsWithTheTitlesLinesAndShrinksBack) {
    TDTask* task = addTask(list, QStringLiteral("Short"));
    TDTask* below = addTask(list, QStringLiteral("Below"));
    show();
    const QModelIndex row = model->indexForItem(TDTaskRowItem::task(task)).siblingAtColumn(kTitle);
    const QModelIndex next = model->indexForItem(TDTaskRowItem::task(below)).siblingAtColumn(kTitle);
    // Rows are measured as they are painted.
    view->grab();
    settle();
    const int oneLine = view->visualRect(row).height();
    edit(task);
    QTest::keyClicks(titleEditor(), QString(QStringLiteral(" and a much longer title")).repeated(6));
    const int grown = view->visualRect(row).height();
    EXPECT_GT(grown, oneLine + 10);
    EXPECT_GE(view->visualRect(row).bottom(), titleEditor()->geometry().bottom());
    // The row below makes room for the editor.
    EXPECT_GE(view->visualRect(next).top(), titleEditor()->geometry().bottom());

    titleEditor()->selectAll();
    QTest::keyClicks(titleEditor(), QStringLiteral("Short again"));
    EXPECT_EQ(view->visualRect(row).height(), oneLine);
    QTest::keyClicks(titleEditor(), QString(QStringLiteral(" and a much longer title")).repeated(6));
    press(Qt::Key_Escape);
    EXPECT_EQ(view->visualRect(row).height(), oneLine);
}

TEST_F(TasksViewEditingTest, APredictedTagIsAcceptedWithTabAndRemovedByTyping) {
    MilkClassifier classifier(library());
    library()->setTaskClassifier(&classifier);
    TDTask* task = addTask(list, QStringLiteral("Buy"));
    show();
    edit(task);

    QTest::keyClicks(titleEditor(), QStringLiteral(" milk"));
    ASSERT_TRUE(titleEditor()->isPredictionPending());
    titleEditor()->firePredictionTimer();
    EXPECT_EQ(titleEditor()->toPlainText(), QStringLiteral("Buy milk /errands"));
    EXPECT_EQ(titleEditor()->editedText(), QStringLiteral("Buy milk"));

    // Another keystroke takes the suggestion away.
    QTest::keyClicks(titleEditor(), QStringLiteral("s"));
    EXPECT_FALSE(titleEditor()->hasPredictedTokens());
    press(Qt::Key_Backspace);
    titleEditor()->firePredictionTimer();
    ASSERT_TRUE(titleEditor()->hasPredictedTokens());

    press(Qt::Key_Tab);
    EXPECT_FALSE(titleEditor()->hasPredictedTokens());
    EXPECT_EQ(titleEditor()->editedText(), QStringLiteral("Buy milk /errands"));
    EXPECT_TRUE(titleEditor()->isCaretAtEnd());
    EXPECT_EQ(editing().editedColumn(), kTitle);

    press(Qt::Key_Return);
    EXPECT_EQ(task->title(), QStringLiteral("Buy milk /errands"));
    EXPECT_EQ(tagTitles(task), QStringList{QStringLiteral("errands")});
}

TEST_F(TasksViewEditingTest, CompletionListsTheTagsTheTaskLacks) {
    tag(QStringLiteral("home"));
    tag(QStringLiteral("house repairs"));
    tag(QStringLiteral("Hobby"));
    tag(QStringLiteral("@office"));
    TDTask* task = addTask(list, QStringLiteral("Fix /home"));
    show();
    edit(task);
    EXPECT_EQ(editing().completions(editor(), QStringLiteral("/ho")),
              (QStringList{QStringLiteral("house repairs"), QStringLiteral("Hobby")}));
    EXPECT_EQ(editing().completions(editor(), QStringLiteral("/")),
              (QStringList{QStringLiteral("Hobby"), QStringLiteral("house repairs")}));
    EXPECT_EQ(editing().completions(editor(), QStringLiteral("@of")), QStringList{QStringLiteral("office")});
}

TEST_F(TasksViewEditingTest, TypingAMarkerOpensTheCompletionListAndAChoiceBecomesAToken) {
    tag(QStringLiteral("house repairs"));
    tag(QStringLiteral("@at home"));
    TDTask* task = addTask(list, QStringLiteral("Fix"));
    show();
    edit(task);
    QTest::keyClicks(titleEditor(), QStringLiteral(" /ho"));
    QCompleter* completer = titleEditor()->completer();
    ASSERT_TRUE(completer->popup()->isVisible());
    EXPECT_EQ(completer->completionModel()->index(0, 0).data().toString(), QStringLiteral("house repairs"));
    Q_EMIT completer->activated(QStringLiteral("house repairs"));
    EXPECT_EQ(titleEditor()->editedText(), QStringLiteral("Fix /house repairs/"));
    EXPECT_FALSE(titleEditor()->isEditingTag());

    // A context of several words gets the slashes around it.
    QTest::keyClicks(titleEditor(), QStringLiteral(" @at"));
    ASSERT_TRUE(completer->popup()->isVisible());
    Q_EMIT completer->activated(QStringLiteral("at home"));
    EXPECT_EQ(titleEditor()->editedText(), QStringLiteral("Fix /house repairs/ /@at home/"));
    completer->popup()->hide();
    press(Qt::Key_Return);
    EXPECT_EQ(tagTitles(task), (QStringList{QStringLiteral("@at home"), QStringLiteral("house repairs")}));
}

TEST_F(TasksViewEditingTest, AClickOnAnotherRowCommitsTheTitleBeforeTheSelectionMoves) {
    TDTask* edited = addTask(list, QStringLiteral("Edited"));
    TDTask* other = addTask(list, QStringLiteral("Other"));
    show();
    edit(edited);
    QTest::keyClicks(titleEditor(), QStringLiteral(" now"));
    const QRect row =
        view->visualRect(model->indexForItem(TDTaskRowItem::task(other)).siblingAtColumn(kTitle));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_FALSE(editing().isEditing());
    EXPECT_EQ(edited->title(), QStringLiteral("Edited now"));
    EXPECT_EQ(controller->selection(), QList<TDTask*>{other});
}

TEST_F(TasksViewEditingTest, TheEstimateBalloonOpensFromTheTypedDuration) {
    TDTask* task = addTask(list, QStringLiteral("Write"));
    show();
    ASSERT_TRUE(editing().editTask(task, TDTaskTreeModel::EstimateColumn, true));
    QTest::keyClicks(editor(), QStringLiteral("2h"));
    editing().firePopUpTimer();
    ASSERT_TRUE(editing().estimatePanel() && editing().estimatePanel()->isVisible());
    auto* content =
        qobject_cast<TDEstimateCompletionViewController*>(editing().estimatePanel()->viewController());
    ASSERT_TRUE(content);
    EXPECT_DOUBLE_EQ(content->position(), 3);
    content->slider()->setValue(int(9.5 * TDEstimateCompletionViewController::kStepsPerUnit));
    content->changeTime(true);
    EXPECT_FALSE(editing().isEditing());
    EXPECT_DOUBLE_EQ(task->estimatedTime(), 43200);
    settle();
    EXPECT_EQ(undoName(), QStringLiteral("Change Estimated Time"));
}

TEST_F(TasksViewEditingTest, TheDateBalloonFollowsTheTypedDateAndAClickSetsTheDueDate) {
    TDTask* task = addTask(list, QStringLiteral("Report"));
    show();
    ASSERT_FALSE(view->isColumnHidden(kDue));
    edit(task, kDue);
    // The clock stands on Wednesday 9 December: "next fri" is the Friday of this week.
    QTest::keyClicks(editor(), QStringLiteral("next fri"));
    ASSERT_TRUE(editing().isBalloonPending());
    editing().firePopUpTimer();
    TDBalloonPanel* balloon = editing().datePanel();
    ASSERT_TRUE(balloon && balloon->isVisible());
    auto* content = qobject_cast<TDDateCompletionViewController*>(balloon->viewController());
    ASSERT_TRUE(content);
    const QDate expected(2026, 12, 11);
    EXPECT_EQ(content->datePicker()->dateValue(), expected);
    EXPECT_EQ(content->datePicker()->topRow(), ODLDatePickerGeometry::rowForDate(expected));

    // Typing on updates the open balloon.
    editor()->selectAll();
    QTest::keyClicks(editor(), QStringLiteral("dec 24"));
    EXPECT_FALSE(editing().isBalloonPending());
    EXPECT_EQ(content->datePicker()->dateValue(), QDate(2026, 12, 24));

    // A click on the 23rd sets it and ends the edit.
    const QDate picked(2026, 12, 23);
    const QRect day = content->datePicker()->rectOfDay(picked);
    ASSERT_FALSE(day.isEmpty());
    QTest::mouseClick(content->datePicker(), Qt::LeftButton, {}, day.center());
    EXPECT_FALSE(editing().isEditing());
    EXPECT_EQ(task->dueDate(), QDateTime(picked, QTime(0, 0)));
    settle();
    EXPECT_EQ(undoName(), QStringLiteral("Change Due Date"));
    EXPECT_FALSE(balloon->isVisible());
}

TEST_F(TasksViewEditingTest, ABalloonValueGoesToTheTaskItWasOpenedFor) {
    TDTask* first = addTask(list, QStringLiteral("First"));
    TDTask* second = addTask(list, QStringLiteral("Second"));
    show();
    edit(first, kDue);
    QTest::keyClicks(editor(), QStringLiteral("tomorrow"));
    editing().firePopUpTimer();
    auto* content = qobject_cast<TDDateCompletionViewController*>(editing().datePanel()->viewController());
    ASSERT_TRUE(content);
    // Editing has moved on to another task when the balloon answers.
    ASSERT_TRUE(editing().editTask(second, kTitle, false));
    editing().completionViewController(content, QDateTime(QDate(2026, 12, 30), QTime(0, 0)), true);
    EXPECT_EQ(first->dueDate(), QDateTime(QDate(2026, 12, 30), QTime(0, 0)));
    EXPECT_FALSE(second->dueDate().isValid());
}

TEST_F(TasksViewEditingTest, FindWrapsAroundTheTitles) {
    TDTask* a = addTask(list, QStringLiteral("Buy milk"));
    addTask(list, QStringLiteral("Call Bob"));
    TDTask* c = addTask(list, QStringLiteral("Milkshake"));
    show();
    controller->setSelection({a});
    EXPECT_TRUE(editing().findString(QStringLiteral("milk"), false));
    EXPECT_EQ(editing().editedTask(), a);
    EXPECT_EQ(titleEditor()->textCursor().selectedText(), QStringLiteral("milk"));
    EXPECT_TRUE(editing().findString(QStringLiteral("milk"), false));
    EXPECT_EQ(editing().editedTask(), c);
    EXPECT_TRUE(editing().findString(QStringLiteral("milk"), false));
    EXPECT_EQ(editing().editedTask(), a);
    EXPECT_FALSE(editing().findString(QStringLiteral("nowhere"), false));
}

TEST_F(TasksViewEditingTest, ASaveEndsTheEditFirst) {
    TDTask* task = addTask(list, QStringLiteral("Draft"));
    show();
    edit(task);
    QTest::keyClicks(titleEditor(), QStringLiteral(" letter"));
    EXPECT_TRUE(manager->editorRegistry().commitEditing());
    EXPECT_FALSE(editing().isEditing());
    EXPECT_EQ(task->title(), QStringLiteral("Draft letter"));
}

TEST_F(TasksViewEditingTest, TheEstimateSliderReportsItsSeconds) {
    TDEstimateCompletionViewController content;
    content.setStringValue(QStringLiteral("2h"));
    EXPECT_DOUBLE_EQ(content.position(), 3);
    content.slider()->setValue(int(9.5 * TDEstimateCompletionViewController::kStepsPerUnit));
    content.changeTime(true);
    EXPECT_DOUBLE_EQ(content.seconds(), 43200);
}

// While a title is edited a rule, fading out toward the right, parts it from its notes line; none is
// drawn for a row being looked at, nor under an edited title without notes.
TEST_F(TasksViewEditingTest, AnEditedTitleIsRuledOffFromItsNotes) {
    TDTask* tiles = addTask(list, QStringLiteral("Order the bathroom tiles"));
    tiles->setNotesString(QStringLiteral("The blue ones from the shop by the station"));
    TDTask* plain = addTask(list, QStringLiteral("Pay the plumber"));
    show();
    auto* cell = qobject_cast<TDTaskCell*>(view->itemDelegateForColumn(kTitle));
    ASSERT_TRUE(cell);
    // Where the rule goes in the row as it stands (an edited row grows with its editor).
    auto ruleOf = [&](TDTask* task) {
        const QModelIndex index = model->indexForItem(TDTaskRowItem::task(task)).siblingAtColumn(kTitle);
        QStyleOptionViewItem option;
        option.rect = view->visualRect(index);
        option.widget = view.get();
        return TDTitleSeparatorRect(cell->rowLayout(option, index));
    };
    EXPECT_TRUE(ruleOf(plain).isEmpty());
    // The row's background is even along the rule's line: only the rule darkens its start.
    auto darkening = [&] {
        const QRectF rule = ruleOf(tiles);
        const QImage image = view->viewport()->grab().toImage();
        return qGray(image.pixel(int(rule.right()) - 1, int(rule.top()))) -
               qGray(image.pixel(int(rule.left()) + 4, int(rule.top())));
    };
    EXPECT_LT(std::abs(darkening()), 8);

    edit(tiles);
    settle();
    EXPECT_GT(darkening(), 30);
    saveScreenshot(view->grab().toImage(), QStringLiteral("title_editor_separator.png"));

    press(Qt::Key_Escape);
    settle();
    EXPECT_LT(std::abs(darkening()), 8);
    edit(plain);
    settle();
    EXPECT_LT(std::abs(darkening()), 8);
}

// The caret stays drawn the whole time the title is edited, whatever phase a blinking one would be in.
TEST_F(TasksViewEditingTest, TheTitleEditorsCaretDoesNotBlink) {
    TDTask* task = addTask(list, QStringLiteral("Plan"));
    show();
    edit(task);
    const int flashTime = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(40);
    const QRect caret = titleEditor()->cursorRect();
    const QPoint middle(caret.x(), caret.center().y());
    int shown = 0;
    for (int look = 0; look < 6; ++look) {
        QTest::qWait(15);
        if (qGray(titleEditor()->viewport()->grab().toImage().pixel(middle)) < 100) ++shown;
    }
    QApplication::setCursorFlashTime(flashTime);
    EXPECT_EQ(shown, 6);
}

TEST_F(TasksViewEditingTest, Screenshots) {
    MilkClassifier classifier(library());
    library()->setTaskClassifier(&classifier);
    addTask(list, QStringLiteral("Book the flights /travel"));
    TDTask* task = addTask(list, QStringLiteral("Buy"));
    addTask(list, QStringLiteral("Call mom @phone"));
    show();
    edit(task);
    QTest::keyClicks(titleEditor(), QStringLiteral(" milk"));
    titleEditor()->firePredictionTimer();
    ASSERT_TRUE(titleEditor()->hasPredictedTokens());
    saveScreenshot(view->grab().toImage(), QStringLiteral("title_editor_predicted_tag.png"));
    press(Qt::Key_Escape);

    // A title typed past the row's width: the row grows and the rows below make room.
    edit(task);
    QTest::keyClicks(titleEditor(),
                     QStringLiteral(" oat milk, two loaves of rye bread, a dozen eggs, butter, "
                                    "apples for the pie and something for the weekend /errands"));
    saveScreenshot(view->grab().toImage(), QStringLiteral("title_editor_grown_row.png"));
    press(Qt::Key_Escape);

    edit(task, kDue);
    QTest::keyClicks(editor(), QStringLiteral("next fri"));
    editing().firePopUpTimer();
    TDBalloonPanel* balloon = editing().datePanel();
    ASSERT_TRUE(balloon && balloon->isVisible());
    // The outline with the balloon laid over it where it stands on screen.
    QImage image = view->grab().toImage();
    const QPoint offset = balloon->geometry().topLeft() - view->mapToGlobal(QPoint(0, 0));
    const QRect needed = QRect(QPoint(0, 0), image.size()).united(QRect(offset, balloon->size()));
    QImage composed(needed.size(), QImage::Format_ARGB32_Premultiplied);
    composed.fill(QColor(236, 236, 236));
    {
        QPainter painter(&composed);
        painter.drawImage(-needed.topLeft(), image);
        painter.drawImage(offset - needed.topLeft(), balloon->grab().toImage());
    }
    saveScreenshot(composed, QStringLiteral("date_balloon.png"));
}

}  // namespace
