// The commands, keys and double clicks that start editing, as the outline takes them: the typing that
// follows goes into the task the person sees.
#include "controls/gui/balloon_panel.h"
#include "language/natural_language_value_transformers.h"
#include "model/ordered_collection.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_editing.h"
#include "taskviews/gui/title_editor.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/gui/outline_fixture.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

constexpr int kTitle = TDTaskTreeModel::TaskColumn;
constexpr int kDue = TDTaskTreeModel::DueColumn;

class StartingEditsTest : public taskviewstest::OutlineTest<> {
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
        milk = addTask(list, QStringLiteral("Buy milk"));
        milk->setNotesString(QStringLiteral("two litres"));
        post = addTask(list, QStringLiteral("Post letter"));
    }

    void show(TDGroup* group) {
        processChanges();
        controller->setGroup(group);
        settleOutline();
    }

    // What has the keyboard, as "text" with the caret as "|" or the selection in brackets.
    static QString focusedText() {
        auto* editor = qobject_cast<QTextEdit*>(QApplication::focusWidget());
        if (!editor) return QStringLiteral("<no text editor has the keyboard>");
        QString text = editor->toPlainText();
        const QTextCursor cursor = editor->textCursor();
        if (!cursor.hasSelection()) return text.insert(cursor.position(), QLatin1Char('|'));
        text.insert(cursor.selectionEnd(), QLatin1Char(']'));
        return text.insert(cursor.selectionStart(), QLatin1Char('['));
    }

    // Typing and keys go where the keyboard is, as a person's would.
    static void type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }

    // Leaves editing as a click into the outline would.
    void leave() {
        view->setFocus(Qt::MouseFocusReason);
        settleOutline();
    }

    // The list's tasks in order, a level indented by two blanks; a note follows its title in brackets.
    QStringList store() const {
        QStringList lines;
        const std::function<void(TDOrderedCollection*, int)> walk = [&](TDOrderedCollection* tasks,
                                                                        int depth) {
            for (TDTask* task : tasks->objectsAs<TDTask>()) {
                QString line = QString(depth * 2, QLatin1Char(' ')) + task->title();
                if (task->hasNotes()) line += QStringLiteral(" [%1]").arg(task->notesString());
                lines << line;
                walk(task->orderedTasks(), depth + 1);
            }
        };
        walk(list->orderedTasks(), 0);
        return lines;
    }

    // Tasks with an empty title anywhere in the library: an edit that lost its text leaves one behind.
    qsizetype untitledTasks() const {
        qsizetype count = 0;
        for (TDTask* task : library()->allTasks())
            if (!task->isDeleted() && task->title().isEmpty()) ++count;
        return count;
    }

    QList<TDTask*> shownTasks() const {
        QList<TDTask*> tasks;
        for (const TDTaskRowItem& item : view->rowItems())
            if (item.task()) tasks << item.task();
        return tasks;
    }

    QPoint cellCenter(TDTask* task, int column) const {
        return view->visualRect(model->indexForItem(TDTaskRowItem::task(task)).siblingAtColumn(column))
            .center();
    }

    TDTasksViewEditing& editing() const { return view->editing(); }

    TDList* list = nullptr;
    TDTask* milk = nullptr;
    TDTask* post = nullptr;
};

struct StartCase {
    const char* name;
    std::function<void(TDTasksController&)> command;
    QString editorBeforeTyping;
    QString typed;
    QStringList store;
};

void PrintTo(const StartCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandsStartEditingTest : public StartingEditsTest, public ::testing::WithParamInterface<StartCase> {};

TEST_P(CommandsStartEditingTest, InTheOutlineAndTheTypedTextReachesTheTask) {
    const StartCase& c = GetParam();
    show(list);
    select({milk});
    view->setFocus();

    c.command(*controller);
    settleOutline();
    EXPECT_EQ(focusedText(), c.editorBeforeTyping);
    type(c.typed);
    leave();

    EXPECT_EQ(store(), c.store);
    EXPECT_EQ(untitledTasks(), 0);
    EXPECT_TRUE(view->hasFocus());
}

INSTANTIATE_TEST_SUITE_P(
    Outline, CommandsStartEditingTest,
    ::testing::Values(
        StartCase{"NewTask",
                  [](TDTasksController& c) { c.addTask(); },
                  QStringLiteral("|"),
                  QStringLiteral("Call mom"),
                  {QStringLiteral("Call mom"), QStringLiteral("Buy milk [two litres]"),
                   QStringLiteral("Post letter")}},
        StartCase{"NewChildTask",
                  [](TDTasksController& c) { c.addChildTask(); },
                  QStringLiteral("|"),
                  QStringLiteral("Oat milk"),
                  {QStringLiteral("Buy milk [two litres]"), QStringLiteral("  Oat milk"),
                   QStringLiteral("Post letter")}},
        StartCase{"NewTaskBelow",
                  [](TDTasksController& c) { c.addTaskBelow(); },
                  QStringLiteral("|"),
                  QStringLiteral("Stamps"),
                  {QStringLiteral("Buy milk [two litres]"), QStringLiteral("Stamps"),
                   QStringLiteral("Post letter")}},
        StartCase{"EditTask",
                  [](TDTasksController& c) { c.edit(); },
                  QStringLiteral("[Buy milk]"),
                  QStringLiteral("Buy bread"),
                  {QStringLiteral("Buy bread [two litres]"), QStringLiteral("Post letter")}},
        StartCase{"EditNote",
                  [](TDTasksController& c) { c.editNote(); },
                  QStringLiteral("two litres|"),
                  QStringLiteral(" please"),
                  {QStringLiteral("Buy milk [two litres please]"), QStringLiteral("Post letter")}},
        StartCase{"Tag",
                  [](TDTasksController& c) { c.tag(); },
                  QStringLiteral("Buy milk /|"),
                  QStringLiteral("home"),
                  {QStringLiteral("Buy milk /home [two litres]"), QStringLiteral("Post letter")}},
        StartCase{"Context",
                  [](TDTasksController& c) { c.tagContext(); },
                  QStringLiteral("Buy milk @|"),
                  QStringLiteral("shop"),
                  {QStringLiteral("Buy milk @shop [two litres]"), QStringLiteral("Post letter")}}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

TEST_F(StartingEditsTest, EditDueDateOpensItsBalloonWhichClosesWhenTheRowsScroll) {
    for (int i = 0; i < 40; ++i) addTask(list, QStringLiteral("Filler %1").arg(i));
    show(list);
    select({milk});
    controller->editColumn(kDue);
    settleOutline();
    ASSERT_EQ(editing().editedColumn(), kDue);
    EXPECT_EQ(focusedText(), QStringLiteral("|"));
    // Offered at once, before anything is typed.
    ASSERT_TRUE(editing().isBalloonPending());
    editing().firePopUpTimer();
    TDBalloonPanel* balloon = editing().datePanel();
    ASSERT_TRUE(balloon && balloon->isVisible());

    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    EXPECT_FALSE(balloon->isVisible());

    type(QStringLiteral("dec 24"));
    leave();
    EXPECT_EQ(milk->dueDate().date(), QDate(2026, 12, 24));
}

TEST_F(StartingEditsTest, ReturnAddsAfterTheSelectedTaskOrAtTheTopWithoutOne) {
    show(list);
    select({milk});
    view->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(focusedText(), QStringLiteral("|"));
    type(QStringLiteral("Bread"));
    leave();
    EXPECT_EQ(store(), (QStringList{QStringLiteral("Buy milk [two litres]"), QStringLiteral("Bread"),
                                    QStringLiteral("Post letter")}));
    EXPECT_EQ(undoName(), QStringLiteral("Edit Task"));

    select({});
    view->setFocus();
    press(Qt::Key_Return);
    type(QStringLiteral("Eggs"));
    leave();
    EXPECT_EQ(store().first(), QStringLiteral("Eggs"));

    // Shift+Return: a child of the selected task.
    select({post});
    view->setFocus();
    press(Qt::Key_Return, Qt::ShiftModifier);
    type(QStringLiteral("Stamps"));
    leave();
    EXPECT_EQ(store().mid(3), (QStringList{QStringLiteral("Post letter"), QStringLiteral("  Stamps")}));
    EXPECT_EQ(untitledTasks(), 0);
}

TEST_F(StartingEditsTest, ReturnInAnEmptyListStartsItsFirstTask) {
    TDList* empty = newList(QStringLiteral("Garden"));
    show(empty);
    view->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(focusedText(), QStringLiteral("|"));
    type(QStringLiteral("Rake leaves"));
    leave();
    ASSERT_EQ(empty->orderedTasks()->count(), 1);
    EXPECT_EQ(empty->orderedTasks()->objectsAs<TDTask>().first()->title(), QStringLiteral("Rake leaves"));
}

TEST_F(StartingEditsTest, ReturnOnAnExpandedTaskThenShiftTabAtTheStartKeepsTheTypedTitle) {
    TDTask* book = addSubtask(post, QStringLiteral("Find stamps"));
    Q_UNUSED(book);
    show(list);
    view->expandRowItem(TDTaskRowItem::task(post));
    select({post});
    view->setFocus();

    press(Qt::Key_Return);
    settleOutline();
    ASSERT_EQ(focusedText(), QStringLiteral("|"));
    EXPECT_EQ(editing().editedTask()->parentTask(), post) << "the first child of the expanded task";
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    settleOutline();
    type(QStringLiteral("Weigh parcel"));
    leave();

    EXPECT_EQ(store(), (QStringList{QStringLiteral("Buy milk [two litres]"), QStringLiteral("Post letter"),
                                    QStringLiteral("  Find stamps"), QStringLiteral("Weigh parcel")}));
    EXPECT_EQ(untitledTasks(), 0);
}

// Today and Upcoming add at the top of the group; the new task shows there, and takes the typing.
class ReturnInDateGroupsTest : public StartingEditsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ReturnInDateGroupsTest, AddsATaskTheGroupShows) {
    const bool today = GetParam();
    const QDate due = today ? QDate(2026, 12, 9) : QDate(2026, 12, 12);
    milk->setDueDate(QDateTime(due, QTime(0, 0)));
    TDGroup* group = today ? library()->todayGroup() : library()->upcomingGroup();
    show(group);
    ASSERT_TRUE(shownTasks().contains(milk));
    select({milk});
    view->setFocus();

    press(Qt::Key_Return);
    settleOutline();
    ASSERT_EQ(focusedText(), QStringLiteral("|"));
    TDTask* added = editing().editedTask();
    ASSERT_TRUE(added && added != milk);
    type(QStringLiteral("Call the vet"));
    leave();

    EXPECT_EQ(added->title(), QStringLiteral("Call the vet"));
    EXPECT_TRUE(shownTasks().contains(added));
    EXPECT_EQ(untitledTasks(), 0);
}

INSTANTIATE_TEST_SUITE_P(Outline, ReturnInDateGroupsTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Today" : "Upcoming");
                         });

TEST_F(StartingEditsTest, ReturnInASmartFolderIsRefusedWithItsSheet) {
    TDGroup* smart = library()->createSmartFolder();
    smart->setValue(QStringLiteral("title"), QStringLiteral("Everything"));
    show(smart);
    const qsizetype before = library()->allTasks().size();
    view->setFocus();
    feedback.events.clear();

    press(Qt::Key_Return);
    settleOutline();

    EXPECT_EQ(feedback.events,
              (QStringList{QStringLiteral("beep"), QStringLiteral("You cannot add tasks here")}));
    EXPECT_EQ(library()->allTasks().size(), before);
    EXPECT_FALSE(editing().isEditing());
    EXPECT_TRUE(view->hasFocus());
}

struct DoubleClickCase {
    const char* name;
    int column;  // -1: the empty area below the rows
    QString editorText;
    QString typed;
    QStringList store;
};

void PrintTo(const DoubleClickCase& c, std::ostream* os) {
    *os << c.name;
}

class DoubleClickTest : public StartingEditsTest, public ::testing::WithParamInterface<DoubleClickCase> {};

TEST_P(DoubleClickTest, EditsTheCellOrAddsATask) {
    const DoubleClickCase& c = GetParam();
    show(list);
    const QPoint point = c.column < 0 ? QPoint(view->viewport()->width() / 2, view->viewport()->height() - 10)
                                      : cellCenter(milk, c.column);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, point);
    settleOutline();
    EXPECT_EQ(focusedText(), c.editorText);
    type(c.typed);
    leave();
    EXPECT_EQ(store(), c.store);
    EXPECT_EQ(untitledTasks(), 0);
}

INSTANTIATE_TEST_SUITE_P(Outline, DoubleClickTest,
                         ::testing::Values(DoubleClickCase{"Title",
                                                           kTitle,
                                                           QStringLiteral("[Buy milk]"),
                                                           QStringLiteral("Buy cream"),
                                                           {QStringLiteral("Buy cream [two litres]"),
                                                            QStringLiteral("Post letter")}},
                                           DoubleClickCase{"EmptyArea",
                                                           -1,
                                                           QStringLiteral("|"),
                                                           QStringLiteral("Water plants"),
                                                           {QStringLiteral("Water plants"),
                                                            QStringLiteral("Buy milk [two litres]"),
                                                            QStringLiteral("Post letter")}}),
                         [](const ::testing::TestParamInfo<DoubleClickCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(StartingEditsTest, ADoubleClickOnTheDueCellEditsTheDate) {
    show(list);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cellCenter(post, kDue));
    settleOutline();
    EXPECT_EQ(editing().editedTask(), post);
    EXPECT_EQ(editing().editedColumn(), kDue);
    type(QStringLiteral("dec 31"));
    leave();
    EXPECT_EQ(post->dueDate().date(), QDate(2026, 12, 31));
}

}  // namespace
