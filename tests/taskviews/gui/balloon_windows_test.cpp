// The windows the outline opens at a cell: balloons that leave the keyboard with the editor are tooltips,
// panels that type take it as pop-ups, and each is a transient of the outline's window, so a desktop
// that does not let windows place themselves still shows it at the cell.
#include "controls/gui/balloon_panel.h"
#include "controls/gui/date_completion_view_controller.h"
#include "language/natural_language_value_transformers.h"
#include "taskviews/gui/recurrence_edit_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_editing.h"
#include "taskviews/gui/title_editor.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/gui/outline_fixture.h"
#include "tests/taskviews/recurrence_fixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>

namespace {

class BalloonWindowsTest : public taskviewstest::OutlineTest<taskviewstest::RecurrenceTest> {
protected:
    void SetUp() override {
        OutlineTest::SetUp();
        registerNaturalLanguageValueTransformers();
        list = newList(QStringLiteral("Errands"));
        task = addTask(list, QStringLiteral("Fix"));
        tag(QStringLiteral("home"));
        tag(QStringLiteral("house repairs"));
        settle();
        openOutline(&window);
        controller->setGroup(list);
        view->resize(760, 420);
        view->show();
        QApplication::setActiveWindow(view.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        settleOutline();
    }

    TDTasksViewEditing& editing() const { return view->editing(); }

    // Types at the end of the cell's text; a date or estimate balloon opens at once.
    void type(int column, const QString& text) {
        ASSERT_TRUE(editing().editTask(task, column, false));
        editing().currentEditor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(editing().currentEditor(), text);
        editing().firePopUpTimer();
    }

    QWidget* dateBalloon() {
        type(TDTaskTreeModel::DueColumn, QStringLiteral("tomorrow"));
        return editing().datePanel();
    }

    TDList* list = nullptr;
    TDTask* task = nullptr;
};

TEST_F(BalloonWindowsTest, EachWindowAtACellHasItsTypeAndTheOutlineWindowAsTransientParent) {
    struct Case {
        const char* what;
        std::function<QWidget*()> open;
        Qt::WindowType type;
    };
    const Case cases[] = {
        {"date balloon", [this] { return dateBalloon(); }, Qt::ToolTip},
        {"estimate balloon",
         [this] {
             type(TDTaskTreeModel::EstimateColumn, QStringLiteral("2h"));
             return editing().estimatePanel();
         },
         Qt::ToolTip},
        {"completion list",
         [this] {
             type(TDTaskTreeModel::TaskColumn, QStringLiteral(" /ho"));
             return editing().titleEditor()->completer()->popup();
         },
         Qt::ToolTip},
        {"recurrence editor",
         [this] {
             select({task});
             controller->editRecurrence();
             return view->recurrenceEditView() ? view->recurrenceEditView()->parentWidget() : nullptr;
         },
         Qt::Popup},
        {"recurrence editor in the date balloon",
         [this]() -> QWidget* {
             auto* balloon = qobject_cast<TDBalloonPanel*>(dateBalloon());
             auto* calendar =
                 balloon ? qobject_cast<TDDateCompletionViewController*>(balloon->viewController()) : nullptr;
             if (!calendar) return nullptr;
             QTest::mouseClick(calendar->recurrenceToggleButton(), Qt::LeftButton);
             return qobject_cast<TDRecurrenceEditView*>(balloon->viewController()) ? balloon : nullptr;
         },
         Qt::Popup},
        // The balloon that held the editor leaves the keyboard with the cell again.
        {"date balloon after the recurrence editor", [this] { return dateBalloon(); }, Qt::ToolTip},
    };
    for (const Case& c : cases) {
        QWidget* window = c.open();
        ASSERT_TRUE(window && window->isVisible()) << c.what;
        EXPECT_EQ(window->windowType(), c.type) << c.what;
        ASSERT_TRUE(window->windowHandle()) << c.what;
        EXPECT_EQ(window->windowHandle()->transientParent(), view->windowHandle()) << c.what;
        if (c.type == Qt::ToolTip) {
            // Typing goes on in the editor while the balloon shows.
            EXPECT_EQ(QApplication::focusWidget(), editing().currentEditor()) << c.what;
            EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus)) << c.what;
        } else {
            EXPECT_EQ(QApplication::activePopupWidget(), window) << c.what;
            auto* balloon = qobject_cast<TDBalloonPanel*>(window);
            auto* editor = balloon ? qobject_cast<TDRecurrenceEditView*>(balloon->viewController()) : nullptr;
            ASSERT_TRUE(editor) << c.what;
            EXPECT_EQ(QApplication::focusWidget(), editor->ruleField()) << c.what;
            editor->okay();
            EXPECT_FALSE(window->isVisible()) << c.what;
        }
        editing().endEditing(false);
        QApplication::setActiveWindow(view.get());
    }
}

TEST_F(BalloonWindowsTest, TheCompletionListTakesItsKeysThroughTheTitle) {
    type(TDTaskTreeModel::TaskColumn, QStringLiteral(" /ho"));
    TDTaskTitleTextView* title = editing().titleEditor();
    QAbstractItemView* list = title->completer()->popup();
    ASSERT_TRUE(list->isVisible());
    ASSERT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(QApplication::focusWidget(), title);

    // Down moves to the second choice and wraps back; Up wraps to the last.
    QTest::keyClick(title, Qt::Key_Down);
    EXPECT_EQ(list->currentIndex().data().toString(), QStringLiteral("house repairs"));
    QTest::keyClick(title, Qt::Key_Down);
    EXPECT_EQ(list->currentIndex().row(), 0);
    QTest::keyClick(title, Qt::Key_Up);
    EXPECT_EQ(list->currentIndex().data().toString(), QStringLiteral("house repairs"));
    QTest::keyClick(title, Qt::Key_Tab);
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(title->editedText(), QStringLiteral("Fix /house repairs/"));
    EXPECT_EQ(editing().editedColumn(), TDTaskTreeModel::TaskColumn) << "Tab took the choice, not the column";

    // Esc closes the list and keeps editing; the next Return ends it with the typed tag.
    QTest::keyClicks(title, QStringLiteral(" /hom"));
    ASSERT_TRUE(list->isVisible());
    QTest::keyClick(title, Qt::Key_Escape);
    EXPECT_FALSE(list->isVisible());
    EXPECT_TRUE(editing().isEditing());
    QTest::keyClick(title, Qt::Key_Return);
    EXPECT_FALSE(editing().isEditing());
    EXPECT_EQ(task->title(), QStringLiteral("Fix /house repairs/ /hom"));
}

TEST_F(BalloonWindowsTest, TheCompletionListClosesAsTheTitleLosesTheKeyboard) {
    type(TDTaskTreeModel::TaskColumn, QStringLiteral(" /ho"));
    QAbstractItemView* list = editing().titleEditor()->completer()->popup();
    ASSERT_TRUE(list->isVisible());
    view->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(list->isVisible());
    EXPECT_FALSE(editing().isEditing()) << "the click elsewhere ends the edit";
    EXPECT_EQ(task->title(), QStringLiteral("Fix /ho"));
}

}  // namespace
