#include "app/gui/main_window.h"
#include "app/gui/source_list_pane.h"
#include "controls/gui/function_pop_up_button.h"
#include "tests/scenarios/scenario_test.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

namespace {

// The window's chrome as a person uses it: the source list's actions button, the menus' check marks,
// showing the library, and the status bar's count.
class ChromeScenario : public scenario::ScenarioTest {
protected:
    // A click on the actions button under the source list, then on the item of the menu it opens. The
    // menu runs its own event loop while it is open: the item is clicked from there.
    void chooseFromActionsButton(const QString& item) {
        TDFunctionPopUpButton& button = window().sourceListPane().actionsButton();
        bool chosen = false;
        QTimer::singleShot(0, &button, [&chosen, item] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* action : menu->actions()) {
                if (action->text() != item || !action->isEnabled()) continue;
                QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                                  menu->actionGeometry(action).center());
                chosen = true;
                return;
            }
            menu->close();
        });
        QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, button.rect().center());
        settle();
        EXPECT_TRUE(chosen) << "the actions button's menu offered no enabled \"" << item.toStdString()
                            << "\"";
    }
};

TEST_F(ChromeScenario, ANewListFromTheActionsButtonIsNamedByTypingAndSaved) {
    seedLibrary([](scenario::LibrarySeed& seed) { seed.list(QStringLiteral("Errands")); });
    launch();
    clickGroup(QStringLiteral("Errands"));

    chooseFromActionsButton(QStringLiteral("New List"));
    type(QStringLiteral("Groceries"));
    press(Qt::Key_Return);
    waitForSave();

    const scenario::StoredLibrary stored = storedLibrary();
    const QStringList lists = stored.groupTitles(QStringLiteral("list"));
    EXPECT_TRUE(lists.contains(QStringLiteral("Groceries"))) << lists.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(lists.contains(QStringLiteral("New List")));
    EXPECT_EQ(lists.indexOf(QStringLiteral("Groceries")), lists.indexOf(QStringLiteral("Errands")) + 1);
    EXPECT_EQ(shownGroup(), QStringLiteral("Groceries"));
}

TEST_F(ChromeScenario, ShowLibraryInFileManagerShowsThePackage) {
    launch();
    chooseMenuItem(QStringLiteral("File"), QStringLiteral("Show Library in File Manager"));
    EXPECT_EQ(workspace.shown, QStringList{packagePath()});
}

TEST_F(ChromeScenario, TheViewMenusTogglesCarryCheckMarksThatFollowTheirState) {
    launch();
    QAction* tagFilter = window().toggleTagFilterAction();
    ASSERT_TRUE(tagFilter);
    const bool before = tagFilter->isChecked();
    chooseMenuItem(QStringLiteral("View"), QStringLiteral("Show Tag Filter"));
    EXPECT_NE(tagFilter->isChecked(), before);
    // The key toggles it back, and the mark follows without the menu being opened.
    press(Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(tagFilter->isChecked(), before);

    chooseMenuItem(QStringLiteral("View"), QStringLiteral("Show Incomplete Task Count"));
    QAction* count = nullptr;
    for (QAction* menu : window().menuBar()->actions())
        if (menu->menu())
            for (QAction* item : menu->menu()->actions())
                if (item->text() == QStringLiteral("Show Incomplete Task Count")) count = item;
    ASSERT_TRUE(count);
    EXPECT_TRUE(count->isCheckable());
    EXPECT_TRUE(count->isChecked());
}

TEST_F(ChromeScenario, TheStatusBarCountsOnlyWhatTheListLimitShows) {
    seedLibrary([](scenario::LibrarySeed& seed) {
        TDGroup* home = seed.folder(QStringLiteral("Home"));
        TDGroup* chores = seed.list(QStringLiteral("Chores"), home);
        for (int i = 1; i <= 8; ++i) seed.task(chores, QStringLiteral("chore %1").arg(i));
        TDGroup* garden = seed.list(QStringLiteral("Garden"), home);
        seed.task(garden, QStringLiteral("mow"));
        seed.task(garden, QStringLiteral("rake"));
    });
    launch();
    clickGroup(QStringLiteral("Home"));
    // The folder shows the first few tasks of each list, the rest behind a footer.
    const qsizetype chores = shownTasks().filter(QStringLiteral("chore")).size();
    ASSERT_LT(chores, 8) << shownTasks().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(window().statusText(), QStringLiteral("%1 of 10 actions").arg(chores + 2));
}

}  // namespace
