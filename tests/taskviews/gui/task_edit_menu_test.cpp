#include "taskviews/gui/task_edit_menu.h"

#include "language/natural_language_value_transformers.h"
#include "model/ordered_collection.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_editing.h"
#include "taskviews/pasteboard_types.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/tasks_controller_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using taskviewstest::TasksControllerTest;

class TaskEditMenuTest : public TasksControllerTest {
protected:
    void SetUp() override {
        TasksControllerTest::SetUp();
        registerNaturalLanguageValueTransformers();
        model = std::make_unique<TDTaskTreeModel>(controller.get());
        window = std::make_unique<QMainWindow>();
        view = new TDTasksView(*controller, *model, window.get());
        window->setCentralWidget(view);
        edit = window->menuBar()->addMenu(QStringLiteral("Edit"));
        TDAddTaskEditActions(edit, *controller);
        TDAddTaskFindActions(edit, *view);
        controller->setPresentation(view);
        controller->setMode(0);
        window->resize(720, 420);
        window->show();
        QApplication::setActiveWindow(window.get());
        view->setFocus();
    }

    void TearDown() override {
        controller->setPresentation(nullptr);
        window.reset();
        model.reset();
        TasksControllerTest::TearDown();
    }

    QAction* item(const QString& title) const {
        for (QAction* action : edit->actions())
            if (action->text() == title) return action;
        return nullptr;
    }

    std::unique_ptr<TDTaskTreeModel> model;
    std::unique_ptr<QMainWindow> window;
    TDTasksView* view = nullptr;
    QMenu* edit = nullptr;
};

TEST_F(TaskEditMenuTest, KeysInTheOutlineReachTheTaskCommands) {
    TDList* list = newList(QStringLiteral("Errands"));
    TDTask* milk = addTask(list, QStringLiteral("Milk"));
    processChanges();
    controller->setGroup(list);
    processChanges();
    QCoreApplication::processEvents();
    select({milk});
    QGuiApplication::clipboard()->clear();

    // The outline's own Ctrl+C would copy a row's text; the menu's copies the task
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied);
    EXPECT_TRUE(copied->hasFormat(TDPasteboardTypes::TaskPlist));

    QTest::keyClick(view, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(list->orderedTasks()->count(), 2);
    EXPECT_EQ(undoName(), QStringLiteral("Duplicate"));

    // Validated as the menu opens: nothing selected, nothing to copy
    select({});
    Q_EMIT edit->aboutToShow();
    EXPECT_FALSE(item(QStringLiteral("Copy"))->isEnabled());
    EXPECT_TRUE(item(QStringLiteral("Paste"))->isEnabled());
    Q_EMIT edit->aboutToHide();
    EXPECT_TRUE(item(QStringLiteral("Copy"))->isEnabled());
}

TEST_F(TaskEditMenuTest, FindAsksForTheTextAndFindNextAndPreviousGoOnFromTheMatch) {
    TDList* list = newList(QStringLiteral("Errands"));
    TDTask* buy = addTask(list, QStringLiteral("Buy milk"));
    addTask(list, QStringLiteral("Call Bob"));
    TDTask* shake = addTask(list, QStringLiteral("Milkshake"));
    processChanges();
    controller->setGroup(list);
    processChanges();
    QCoreApplication::processEvents();
    select({buy});
    // Without a text, Find Next has nothing to look for.
    item(QStringLiteral("Find Next"))->trigger();
    EXPECT_FALSE(view->editing().isEditing());

    EXPECT_EQ(item(QStringLiteral("Find..."))->shortcut(), QKeySequence(QKeySequence::Find));
    item(QStringLiteral("Find..."))->trigger();
    auto* dialog = window->findChild<QInputDialog*>();
    ASSERT_TRUE(dialog);
    dialog->setTextValue(QStringLiteral("MILK"));
    dialog->accept();
    EXPECT_EQ(view->editing().editedTask(), buy);

    item(QStringLiteral("Find Next"))->trigger();
    EXPECT_EQ(view->editing().editedTask(), shake);
    item(QStringLiteral("Find Next"))->trigger();
    EXPECT_EQ(view->editing().editedTask(), buy);
    item(QStringLiteral("Find Previous"))->trigger();
    EXPECT_EQ(view->editing().editedTask(), shake);
}

}  // namespace
