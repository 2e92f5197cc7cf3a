// What a screen reader reads of the main window's controls that show no text of their own: the
// outline's column headers, the inspector's fields, the toolbar's icon buttons and the search field's
// clear button, each read through the accessibility interfaces Qt hands to assistive technology.
#include "app/gui/main_window.h"
#include "app/gui/toolbar_controls.h"
#include "app/gui/toolbar_view_controller.h"
#include "controls/gui/dark_search_field.h"
#include "taskviews/gui/task_info_text_field.h"
#include "taskviews/gui/task_info_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"
#include "tests/app/groups_controller_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace apptest {
namespace {

QString nameOf(QObject* object) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(object);
    return accessible ? accessible->text(QAccessible::Name) : QStringLiteral("(not accessible)");
}

QStringList childNames(QAccessibleInterface* accessible, int count) {
    QStringList names;
    for (int index = 0; index < count; ++index) {
        QAccessibleInterface* child = accessible->child(index);
        names << (child ? child->text(QAccessible::Name) : QStringLiteral("(none)"));
    }
    return names;
}

class AccessibleNamesTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        groups.reset();
        tasks.reset();
        TDList* home = list(QStringLiteral("Household"));
        addTask(home, QStringLiteral("Water the plants"));
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

    std::unique_ptr<TDMainWindow> mainWindow;
};

TEST_F(AccessibleNamesTest, TheOutlinesHeaderSectionsCarryTheirColumnTitles) {
    TDTasksView& outline = mainWindow->tasksViewController().tasksView();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&outline);
    ASSERT_TRUE(table);
    // The header's cells come first among the outline's children.
    EXPECT_EQ(childNames(table, TDTaskTreeModel::ColumnCount),
              (QStringList{QStringLiteral("List"), QStringLiteral("Priority"), QStringLiteral("Task"),
                           QStringLiteral("Start"), QStringLiteral("Due"), QStringLiteral("Estimate")}));
}

TEST_F(AccessibleNamesTest, TheToolbarsIconButtonsAreNamedAfterTheirActionsAndCanBePressed) {
    TDToolbarViewController& toolbar = mainWindow->toolbarController();
    QAccessibleInterface* history =
        QAccessible::queryAccessibleInterface(toolbar.backAndForwardSegmentedControl());
    QAccessibleInterface* modes = QAccessible::queryAccessibleInterface(toolbar.viewModeSegmentedControl());
    ASSERT_TRUE(history && modes);
    ASSERT_EQ(history->childCount(), 2);
    EXPECT_EQ(childNames(history, 2), (QStringList{QStringLiteral("Back"), QStringLiteral("Forward")}));
    EXPECT_EQ(history->child(0)->role(), QAccessible::Button);
    ASSERT_EQ(modes->childCount(), 2);
    EXPECT_EQ(childNames(modes, 2), (QStringList{QStringLiteral("Outline"), QStringLiteral("Cards")}));
    EXPECT_EQ(modes->indexOfChild(modes->child(1)), 1);
    EXPECT_TRUE(modes->child(0)->state().checked);

    // Pressed through its action, the Cards button shows the cards as a click does.
    QAccessibleActionInterface* press = modes->child(1)->actionInterface();
    ASSERT_TRUE(press);
    press->doAction(QAccessibleActionInterface::pressAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(mainWindow->tasksViewController().tasksController().mode(), 1);
    EXPECT_TRUE(modes->child(1)->state().checked);
}

TEST_F(AccessibleNamesTest, TheInspectorsFieldsAreNamedAfterTheirLabels) {
    auto* inspector = mainWindow->findChild<TDTaskInfoView*>();
    ASSERT_TRUE(inspector);
    QStringList names;
    // Each label names the field it stands for.
    for (TDInspectorTextField* label : inspector->findChildren<TDInspectorTextField*>())
        if (label->targetField()) names << nameOf(label->targetField());
    EXPECT_EQ(names, (QStringList{QStringLiteral("Start"), QStringLiteral("Due"), QStringLiteral("Estimate"),
                                  QStringLiteral("Actual")}));
    QStringList buttons;
    for (QPushButton* button : inspector->findChildren<QPushButton*>()) buttons << nameOf(button);
    EXPECT_TRUE(buttons.contains(QStringLiteral("Context"))) << buttons.join(QLatin1Char('|')).toStdString();
}

TEST_F(AccessibleNamesTest, TheSearchFieldsClearButtonIsNamed) {
    auto* field = mainWindow->findChild<TDDarkSearchField*>();
    ASSERT_TRUE(field) << "the actions bar's search field";
    field->setText(QStringLiteral("plants"));
    QStringList names;
    for (QToolButton* button : field->findChildren<QToolButton*>())
        if (button->isVisibleTo(field)) names << nameOf(button);
    EXPECT_TRUE(names.contains(QStringLiteral("Clear"))) << names.join(QLatin1Char('|')).toStdString();
}

}  // namespace
}  // namespace apptest
