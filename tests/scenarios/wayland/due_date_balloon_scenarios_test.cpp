// A due date typed with its balloon open, under a compositor that lets no window place itself: the
// balloon shows at the cell without taking the keys, and the date reaches the store.
#include "controls/gui/balloon_panel.h"
#include "controls/gui/date_completion_view_controller.h"
#include "controls/gui/date_picker.h"
#include "model/group.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_editing.h"
#include "taskviews/task_tree_model.h"
#include "tests/scenarios/scenario_test.h"
#include "tests/scenarios/wayland/wayland_session.h"

#include <QGuiApplication>
#include <QTest>

namespace scenario {
namespace {

class WaylandScenario : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        const QString reason = waylandtest::unavailableReason();
        if (!reason.isEmpty()) GTEST_SKIP() << qPrintable(reason);
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("wayland"));
    }
};

TEST_F(WaylandScenario, ADueDateTypedWithItsBalloonOpenReachesTheStore) {
    seedLibrary([](LibrarySeed& seed) {
        TDGroup* errands = seed.list(QStringLiteral("Errands"));
        seed.task(errands, QStringLiteral("Post the letter"));
    });
    launch();
    clickGroup(QStringLiteral("Errands"));
    click(QStringLiteral("Post the letter"));
    // Enter edits the title; Tab walks over the date columns shown to the due date.
    press(Qt::Key_Enter, Qt::KeypadModifier);
    press(Qt::Key_Tab);
    if (!outline().isColumnHidden(TDTaskTreeModel::StartColumn)) press(Qt::Key_Tab);
    TDTasksViewEditing& editing = outline().editing();
    ASSERT_EQ(editing.editedColumn(), TDTaskTreeModel::DueColumn);

    // The balloon opens after a pause in the typing and leaves the keys with the cell.
    type(QStringLiteral("tom"));
    ASSERT_TRUE(
        testsupport::spinUntil([&] { return editing.datePanel() && editing.datePanel()->isVisible(); }));
    TDBalloonPanel* balloon = editing.datePanel();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(balloon));
    EXPECT_EQ(balloon->windowType(), Qt::ToolTip);
    EXPECT_EQ(focusedWidget(), editing.currentEditor());
    type(QStringLiteral("orrow"));
    ASSERT_TRUE(balloon->isVisible());
    auto* calendar = qobject_cast<TDDateCompletionViewController*>(balloon->viewController());
    ASSERT_TRUE(calendar);
    EXPECT_EQ(calendar->datePicker()->dateValue(), QDate(2026, 12, 10)) << "the balloon follows the typing";

    press(Qt::Key_Return);
    waitForSave();
    EXPECT_FALSE(balloon->isVisible());
    const std::optional<StoredTask> stored = storedLibrary().task(QStringLiteral("Post the letter"));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->due, QDate(2026, 12, 10));
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));
    EXPECT_EQ(quit(), 0);
}

}  // namespace
}  // namespace scenario
