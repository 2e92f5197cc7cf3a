// The outline's keys sent as real key presses to the focused outline, judged by the tasks, the
// selection and the rows the controller shows.

#include "model/ordered_collection.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/gui/notes_editor.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_editing.h"
#include "taskviews/gui/title_editor.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/gui/outline_fixture.h"

#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;

class TasksViewKeysTest : public taskviewstest::OutlineTest<> {
protected:
    void SetUp() override {
        OutlineTest::SetUp();
        openOutline(&window);
        view->resize(760, 420);
        view->show();
        QApplication::setActiveWindow(view.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }

    // A new list of top-level tasks with these titles, shown and focused.
    TDList* showList(const QStringList& titles) {
        TDList* list = newList(QStringLiteral("Errands %1").arg(++m_lists));
        for (const QString& title : titles) addTask(list, title);
        show(list);
        return list;
    }

    void show(TDGroup* group) {
        processChanges();
        controller->setGroup(group);
        settleOutline();
        view->setFocus(Qt::OtherFocusReason);
    }

    TDTask* task(TDGroup* group, const QString& title) const {
        for (TDTask* candidate : group->tasks())
            if (candidate->title() == title) return candidate;
        return nullptr;
    }

    // The key goes to whatever has the keyboard, as a person's would.
    void press(int key, Qt::KeyboardModifiers modifiers = kNone) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus);
        QTest::keyClick(focus, Qt::Key(key), modifiers);
        settleOutline();
    }

    QStringList order(TDGroup* group) { return taskTitles(group->orderedTasks()->objectsAs<TDTask>()); }
    QStringList selectedTitles() {
        QStringList titles = taskTitles(controller->selection());
        titles.sort();
        return titles;
    }

    TDTasksViewEditing& editing() const { return view->editing(); }

private:
    int m_lists = 0;
};

TEST_F(TasksViewKeysTest, WAndSMoveTheSelectedTasksAndNeverSearchTheTitles) {
    const QStringList titles{QStringLiteral("a"),    QStringLiteral("b"), QStringLiteral("c"),
                             QStringLiteral("move"), QStringLiteral("e"), QStringLiteral("wash"),
                             QStringLiteral("sweep")};
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        int movedTo;
    } cases[] = {
        {Qt::Key_W, kNone, 2},
        {Qt::Key_W, kShift, 0},
        {Qt::Key_W, kAlt, 0},
        {Qt::Key_S, kNone, 4},
        {Qt::Key_S, kShift, 6},
        {Qt::Key_S, kAlt, 6},
        {Qt::Key_Up, kCtrl | kAlt, 2},
        {Qt::Key_Down, kCtrl | kAlt, 4},
        // The keys for desktops that switch workspaces with Ctrl+Alt+arrows.
        {Qt::Key_Up, kAlt | kShift, 2},
        {Qt::Key_Down, kAlt | kShift, 4},
    };
    for (const Case& c : cases) {
        TDList* list = showList(titles);
        TDTask* moved = task(list, QStringLiteral("move"));
        select({moved});
        press(c.key, c.modifiers);
        EXPECT_EQ(order(list).indexOf(QStringLiteral("move")), c.movedTo)
            << c.key << " " << c.modifiers.toInt() << ": " << order(list).join(u' ').toStdString();
        // The moved task stays selected: the w or s typed did not jump to "wash" or "sweep".
        EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("move")}) << c.key;
        EXPECT_EQ(undoName(), c.movedTo < 3 ? QStringLiteral("Move Up") : QStringLiteral("Move Down"))
            << c.key;
    }
}

TEST_F(TasksViewKeysTest, AMenuShortcutOnATableKeyDoesNotTakeItFromTheOutline) {
    TDList* list = showList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    // An item of the window on the key the outline moves a task up one row with.
    QAction toTop(QStringLiteral("Move to Top"));
    toTop.setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Up));
    int fired = 0;
    QObject::connect(&toTop, &QAction::triggered, &toTop, [&fired] { ++fired; });
    view->addAction(&toTop);
    select({task(list, QStringLiteral("c"))});
    press(Qt::Key_Up, kCtrl | kAlt);
    EXPECT_EQ(order(list), (QStringList{QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("b")}));
    EXPECT_EQ(fired, 0);
    view->removeAction(&toTop);
}

TEST_F(TasksViewKeysTest, TabAndShiftTabIndentAndOutdentSeveralSelectedTasks) {
    TDList* list =
        showList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")});
    TDTask* a = task(list, QStringLiteral("a"));
    TDTask* b = task(list, QStringLiteral("b"));
    TDTask* c = task(list, QStringLiteral("c"));
    select({b, c});
    press(Qt::Key_Tab);
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Errands 1"), QStringLiteral("task a"),
                                   QStringLiteral("  task b"), QStringLiteral("  task c"),
                                   QStringLiteral("task d")}));
    EXPECT_EQ(b->parentTask(), a);
    EXPECT_EQ(selectedTitles(), (QStringList{QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_TRUE(view->hasFocus());

    press(Qt::Key_Backtab, kShift);
    EXPECT_EQ(order(list), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                                        QStringLiteral("d")}));
    EXPECT_EQ(selectedTitles(), (QStringList{QStringLiteral("b"), QStringLiteral("c")}));

    // With one task selected Tab is the keyboard's way on, not an indent.
    select({b});
    press(Qt::Key_Tab);
    EXPECT_EQ(b->parentTask(), nullptr);
}

TEST_F(TasksViewKeysTest, ArrowsWithModifiersIndentAndOutdentTheSelection) {
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
    } indent[] = {{Qt::Key_Right, kCtrl | kAlt}, {Qt::Key_Right, kCtrl}},
      outdent[] = {{Qt::Key_Left, kCtrl | kAlt}, {Qt::Key_Left, kCtrl}};
    for (int i = 0; i < 2; ++i) {
        TDList* list = showList({QStringLiteral("a"), QStringLiteral("b")});
        TDTask* b = task(list, QStringLiteral("b"));
        select({b});
        press(indent[i].key, indent[i].modifiers);
        EXPECT_EQ(b->parentTask(), task(list, QStringLiteral("a"))) << i;
        EXPECT_EQ(undoName(), QStringLiteral("Move Right"));
        press(outdent[i].key, outdent[i].modifiers);
        EXPECT_EQ(b->parentTask(), nullptr) << i;
        EXPECT_EQ(undoName(), QStringLiteral("Move Left"));
    }
}

TEST_F(TasksViewKeysTest, DeleteSelectsTheRowBelowAndBackspaceTheRowAbove) {
    TDList* list =
        showList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")});
    select({task(list, QStringLiteral("b"))});
    press(Qt::Key_Delete);
    EXPECT_EQ(order(list), (QStringList{QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("d")}));
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("c")});

    press(Qt::Key_Backspace);
    EXPECT_EQ(order(list), (QStringList{QStringLiteral("a"), QStringLiteral("d")}));
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("a")});

    // Forward delete in the last row goes back up.
    select({task(list, QStringLiteral("d"))});
    press(Qt::Key_Delete);
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("a")});
}

TEST_F(TasksViewKeysTest, SpaceInTodayCompletesAndTakesTheSelectionOnToTheNextOpenTask) {
    TDList* list = newList(QStringLiteral("Errands"));
    const QDateTime today(QDate(2026, 12, 9), QTime(0, 0));
    for (const QString& title : {QStringLiteral("post"), QStringLiteral("bank"), QStringLiteral("shop")})
        addTask(list, title)->setDueDate(today);
    show(library()->todayGroup());
    TDTask* post = task(list, QStringLiteral("post"));
    const QStringList shown = rows();
    const QString next = shown.value(shown.indexOf(QStringLiteral("  task post")) + 1).mid(7);
    ASSERT_FALSE(next.isEmpty());
    select({post});
    press(Qt::Key_Space);
    EXPECT_TRUE(post->isCompleted());
    // The completed task leaves for its own section; the selection stays on the row that followed it.
    EXPECT_EQ(selectedTitles(), QStringList{next});

    // Space again reopens what it completed, outside Today too.
    TDList* errands = showList({QStringLiteral("x")});
    TDTask* x = task(errands, QStringLiteral("x"));
    select({x});
    press(Qt::Key_Space);
    EXPECT_TRUE(x->isCompleted());
    press(Qt::Key_Space);
    EXPECT_FALSE(x->isCompleted());
}

TEST_F(TasksViewKeysTest, LeftAndRightFoldAndUnfoldEverySelectedTask) {
    TDList* list = showList({QStringLiteral("p"), QStringLiteral("q")});
    TDTask* p = task(list, QStringLiteral("p"));
    TDTask* q = task(list, QStringLiteral("q"));
    addSubtask(p, QStringLiteral("p1"));
    addSubtask(q, QStringLiteral("q1"));
    addSubtask(q, QStringLiteral("q2"));
    show(list);
    const auto expanded = [this](TDTask* parent) {
        return view->isRowItemExpanded(TDTaskRowItem::task(parent));
    };

    struct Step {
        int key;
        QStringList selected;
        bool expanded;
    } steps[] = {
        {Qt::Key_Left, {QStringLiteral("p"), QStringLiteral("q")}, false},  // top-level tasks only fold
        {Qt::Key_Right, {QStringLiteral("p"), QStringLiteral("q")}, true},  // collapsed ones unfold
        {Qt::Key_L,
         {QStringLiteral("p1"), QStringLiteral("q1"), QStringLiteral("q2")},
         true},                                                            // down a level
        {Qt::Key_Left, {QStringLiteral("p"), QStringLiteral("q")}, true},  // folded leaves: their parents
        {Qt::Key_H, {QStringLiteral("p"), QStringLiteral("q")}, false},    // both fold
    };
    select({p, q});
    for (const Step& step : steps) {
        press(step.key);
        EXPECT_EQ(selectedTitles(), step.selected) << step.key;
        EXPECT_EQ(expanded(p), step.expanded) << step.key;
        EXPECT_EQ(expanded(q), step.expanded) << step.key;
    }

    // A parent and its subtask selected together end on the parent alone.
    press(Qt::Key_Right);
    select({q, task(list, QStringLiteral("q1"))});
    press(Qt::Key_Left);
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("q")});
    EXPECT_FALSE(expanded(q));
}

TEST_F(TasksViewKeysTest, JAndKMoveTheSelectionAndShiftExtendsIt) {
    TDList* list =
        showList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("kite")});
    select({task(list, QStringLiteral("a"))});
    press(Qt::Key_J);
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("b")});
    press(Qt::Key_J, kShift);
    EXPECT_EQ(selectedTitles(), (QStringList{QStringLiteral("b"), QStringLiteral("c")}));
    press(Qt::Key_Down, kShift);
    EXPECT_EQ(selectedTitles(),
              (QStringList{QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("kite")}));
    // k goes up from the last selected row, never to the row that starts with k.
    press(Qt::Key_K);
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("c")});
}

TEST_F(TasksViewKeysTest, CtrlArrowsScrollAndPagingTakesTheSelectionAlong) {
    QStringList titles;
    for (int i = 0; i < 80; ++i) titles << QStringLiteral("task %1").arg(i);
    TDList* list = showList(titles);
    QScrollBar* scroll = view->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0);
    select({task(list, QStringLiteral("task 0"))});

    press(Qt::Key_Down, kCtrl);
    EXPECT_EQ(scroll->value(), scroll->maximum());
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("task 0")});
    press(Qt::Key_Up, kCtrl);
    EXPECT_EQ(scroll->value(), 0);

    // A page down selects a row about a page further and shows it.
    const int rowsPerPage = view->viewport()->height() / view->rectOfRow(1).height();
    press(Qt::Key_V, kAlt | kShift);
    const int paged = order(list).indexOf(selectedTitles().value(0));
    EXPECT_GE(paged, rowsPerPage - 2);
    EXPECT_LE(paged, rowsPerPage + 2);
    EXPECT_TRUE(view->viewport()->rect().intersects(view->selectionBounds()));
    press(Qt::Key_V, kAlt | kShift);
    EXPECT_GT(order(list).indexOf(selectedTitles().value(0)), paged);
    press(Qt::Key_V, kAlt);
    EXPECT_LE(qAbs(order(list).indexOf(selectedTitles().value(0)) - paged), 1);
    press(Qt::Key_V, kAlt);
    press(Qt::Key_V, kAlt);
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("task 0")});
}

// Moving editing between a title and its note with Up, Down and Backspace.
class TitleNoteMovementTest : public TasksViewKeysTest {
protected:
    void SetUp() override {
        TasksViewKeysTest::SetUp();
        list = showList(
            {QStringLiteral("First"), QStringLiteral("Second with a note"), QStringLiteral("Third")});
        first = task(list, QStringLiteral("First"));
        noted = task(list, QStringLiteral("Second with a note"));
        third = task(list, QStringLiteral("Third"));
        noted->setNotesString(QStringLiteral("line one\nline two"));
        settleOutline();
    }

    TDNotesTextView* notes() const { return view->notesEditor(); }
    bool editingNote() const { return view->isEditingNote() && notes() && notes()->hasFocus(); }
    int notesLine() const { return notes()->textCursor().blockNumber(); }

    TDList* list = nullptr;
    TDTask* first = nullptr;
    TDTask* noted = nullptr;
    TDTask* third = nullptr;
};

TEST_F(TitleNoteMovementTest, DownGoesThroughTheNoteAndUpComesBack) {
    ASSERT_TRUE(editing().editTask(noted, TDTaskTreeModel::TaskColumn, false));
    press(Qt::Key_Down);
    ASSERT_TRUE(editingNote());
    EXPECT_EQ(notesLine(), 0);
    EXPECT_EQ(notes()->textCursor().position(), 0);  // the caret was at the title's start

    // Typing goes into the note; Down inside it is the note's own, Down from its last line edits the
    // next title and stores the note.
    press(Qt::Key_Down);
    EXPECT_EQ(notesLine(), 1);
    QTest::keyClicks(notes(), QStringLiteral("!"));
    press(Qt::Key_Down);
    EXPECT_EQ(editing().editedTask(), third);
    EXPECT_TRUE(editing().titleEditor()->hasFocus());
    EXPECT_EQ(noted->notesString(), QStringLiteral("line one\n!line two"));
    EXPECT_EQ(undoName(), QStringLiteral("Edit Note"));

    // Up from the title below a task with notes enters the note on its last line, then its title.
    press(Qt::Key_Up);
    ASSERT_TRUE(editingNote());
    EXPECT_EQ(notesLine(), 1);
    press(Qt::Key_Up);
    EXPECT_EQ(notesLine(), 0);
    press(Qt::Key_Up);
    EXPECT_EQ(editing().editedTask(), noted);
    EXPECT_FALSE(view->isEditingNote());
    press(Qt::Key_Up);
    EXPECT_EQ(editing().editedTask(), first);
}

TEST_F(TitleNoteMovementTest, BackspaceAtTheNotesStartGoesToTheEndOfTheTitle) {
    ASSERT_TRUE(editing().editTask(noted, TDTaskTreeModel::TaskColumn, false));
    press(Qt::Key_Down);
    ASSERT_TRUE(editingNote());
    press(Qt::Key_Backspace);
    ASSERT_EQ(editing().editedTask(), noted);
    EXPECT_TRUE(editing().titleEditor()->isCaretAtEnd());
    EXPECT_EQ(noted->notesString(), QStringLiteral("line one\nline two"));
    EXPECT_TRUE(noted->hasNotes());
}

TEST_F(TitleNoteMovementTest, DownInTheLastRowsNoteKeepsEditingIt) {
    third->setNotesString(QStringLiteral("last"));
    settleOutline();
    ASSERT_TRUE(editing().editTask(third, TDTaskTreeModel::TaskColumn, false));
    press(Qt::Key_Down);
    ASSERT_TRUE(view->isEditingNote());
    ASSERT_TRUE(notes()->hasFocus());
    press(Qt::Key_Down);
    EXPECT_TRUE(notes()->hasFocus());
    EXPECT_EQ(notes()->textCursor().position(), 4);
    // Up from the note's first line goes back to its title.
    press(Qt::Key_Up);
    ASSERT_EQ(editing().editedTask(), third);
}

}  // namespace
