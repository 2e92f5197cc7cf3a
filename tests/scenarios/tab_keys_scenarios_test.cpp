// Moving between tabs from the keyboard, as the desktop's tabbed programs do it.

#include "app/gui/main_window.h"
#include "tests/scenarios/scenario_test.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

class TabKeysScenario : public scenario::ScenarioTest {
protected:
    QAction* menuItem(const QString& menuTitle, const QString& itemTitle) {
        for (QAction* menu : window().menuBar()->actions()) {
            if (!menu->menu() || QString(menu->text()).remove(QLatin1Char('&')) != menuTitle) continue;
            for (QAction* item : menu->menu()->actions())
                if (item->text() == itemTitle) return item;
        }
        return nullptr;
    }
};

TEST_F(TabKeysScenario, CtrlPageDownAndUpMoveBetweenTabsWhichNeedASecondTab) {
    seedLibrary([](scenario::LibrarySeed& seed) {
        seed.list(QStringLiteral("Errands"));
        seed.list(QStringLiteral("Garden"));
    });
    launch();
    clickGroup(QStringLiteral("Errands"));
    QAction* next = menuItem(QStringLiteral("Window"), QStringLiteral("Select Next Tab"));
    QAction* previous = menuItem(QStringLiteral("Window"), QStringLiteral("Select Previous Tab"));
    ASSERT_TRUE(next && previous);
    EXPECT_FALSE(next->isEnabled());
    EXPECT_FALSE(previous->isEnabled());
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(shownGroup(), QStringLiteral("Errands")) << "one tab: nothing to move to";

    // Ctrl-click opens Garden in a second tab.
    clickGroup(QStringLiteral("Garden"), Qt::ControlModifier);
    EXPECT_EQ(shownGroup(), QStringLiteral("Garden"));
    EXPECT_TRUE(next->isEnabled());
    EXPECT_TRUE(previous->isEnabled());
    EXPECT_EQ(next->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_PageDown));

    press(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(shownGroup(), QStringLiteral("Errands"));
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(shownGroup(), QStringLiteral("Garden"));
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(shownGroup(), QStringLiteral("Errands")) << "past the last tab it wraps to the first";
}

}  // namespace
