#include "model/list.h"
#include "taskviews/task_menus.h"
#include "tests/taskviews/tasks_controller_fixture.h"

namespace taskviewstest {
namespace {

class FileTaskCommandTest : public TasksControllerTest {
protected:
    void perform() {
        TDTaskMenu menu = TDTaskMenuTemplate();
        const TDTaskMenuItem* item = menu.itemWithAction(QStringLiteral("showFileToGroupWindow"));
        ASSERT_NE(item, nullptr);
        controller->perform(*item);
    }
};

// The Task menu's File Task, and a double click on the list column, hand the selection to the window's
// panel; without a selection, or in quick entry, they beep and open nothing.
TEST_F(FileTaskCommandTest, FileTaskAsksTheWindowWithTheSelectionOrBeeps) {
    TDList* errands = newList(QStringLiteral("Errands"));
    TDTask* stamps = addTask(errands, QStringLiteral("stamps"));
    TDTask* milk = addTask(errands, QStringLiteral("milk"));
    processChanges();
    controller->setGroup(errands);

    perform();
    EXPECT_TRUE(window.filed.isEmpty());
    EXPECT_EQ(feedback.events, QStringList{QStringLiteral("beep")});

    select({milk, stamps});
    perform();
    ASSERT_EQ(window.filed.size(), 1);
    EXPECT_EQ(QSet<TDTask*>(window.filed.first().begin(), window.filed.first().end()),
              (QSet<TDTask*>{milk, stamps}));
    EXPECT_EQ(window.fileModes.first(), 0);

    controller->doubleClickAction(TDTaskRowItem::task(stamps), 0);
    ASSERT_EQ(window.filed.size(), 2);
    EXPECT_EQ(window.filed.last(), QList<TDTask*>{stamps});

    window.quickEntry = true;
    feedback.events.clear();
    perform();
    EXPECT_EQ(window.filed.size(), 2);
    EXPECT_EQ(feedback.events, QStringList{QStringLiteral("beep")});
}

}  // namespace
}  // namespace taskviewstest
