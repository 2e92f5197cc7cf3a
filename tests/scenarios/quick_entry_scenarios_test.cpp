#include "tests/scenarios/scenario_test.h"

#include "app/gui/hot_key_manager.h"
#include "app/gui/ordello_composition.h"
#include "auxiliary/gui/quick_entry_window.h"
#include "model/library.h"
#include "platform/defaults/user_defaults.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/gui/title_editor.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace scenario {
namespace {

class QuickEntryScenario : public ScenarioTest {
protected:
    // The person recorded Ctrl+Alt+Space for quick entry in an earlier run.
    void recordShortcut() {
        defaults().setValue(TDShortcutDefaultPrefix + TDQuickEntryHotKeyIdentifier,
                            QVariantMap{{QStringLiteral("keyCode"), int(Qt::Key_Space)},
                                        {QStringLiteral("modifierFlags"), 0x100000 | 0x80000}});
    }
    TDQuickEntryWindow* panel() const { return ordello().quickEntryWindow(); }
    // The panel fades in, then its first title is edited.
    bool waitForTitleEditor() {
        return testsupport::spinUntil([this] {
            QWidget* focus = QApplication::focusWidget();
            const TDTasksView* list = panel() ? &panel()->tasksViewController().tasksView() : nullptr;
            return list && panel()->isPanelVisible() && panel()->windowOpacity() == 1.0 && focus &&
                   list->isAncestorOf(focus);
        });
    }
    // The first title's editor has the keyboard: what is typed lands in it.
    bool waitForTitleEditorToType() {
        return testsupport::spinUntil([this] {
            auto* editor = qobject_cast<TDTaskTitleTextView*>(QApplication::focusWidget());
            return editor && panel() && panel()->isAncestorOf(editor) && panel()->windowOpacity() == 1.0;
        });
    }
    bool waitForPanelToClose() {
        return testsupport::spinUntil([this] { return panel() && !panel()->isPanelVisible(); });
    }
};

TEST_F(QuickEntryScenario, TheHotKeyOpensThePanelWhereThreeTypedTasksAreFiledAtTheTopOfTheTarget) {
    seedLibrary([](LibrarySeed& seed) {
        seed.task(seed.library().inboxGroup(), QStringLiteral("earlier"));
        seed.list(QStringLiteral("Errands"));
    });
    recordShortcut();
    launch();
    pressHotKey(Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_TRUE(waitForTitleEditor()) << focusedWidgetName().toStdString();
    screenshot(QStringLiteral("quick_entry_empty"));

    type(QStringLiteral("A"));
    press(Qt::Key_Return, Qt::ControlModifier);
    type(QStringLiteral("B"));
    press(Qt::Key_Return, Qt::ControlModifier);
    type(QStringLiteral("C"));
    screenshot(QStringLiteral("quick_entry_three_tasks"));
    // Return in a title files them.
    press(Qt::Key_Return);
    waitForSave();
    EXPECT_TRUE(waitForPanelToClose());
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Inbox")),
              (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                           QStringLiteral("earlier")}));
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Errands")), QStringList());
}

TEST_F(QuickEntryScenario, TheTargetChosenInItsMenuTakesTheTasksAndTheHotKeyFilesThemAgain) {
    seedLibrary([](LibrarySeed& seed) {
        TDGroup* work = seed.folder(QStringLiteral("Work"));
        seed.list(QStringLiteral("Errands"), work);
    });
    recordShortcut();
    launch();
    pressHotKey(Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_TRUE(waitForTitleEditor());
    type(QStringLiteral("Buy stamps"));

    // The target menu, opened with the mouse: the folder stands disabled above its list. The menu runs
    // its own event loop, so what is done in it comes from within.
    QToolButton& target = panel()->targetButton();
    bool chosen = false;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        screenshot(QStringLiteral("quick_entry_target_menu"));
        QAction* errands = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text().trimmed() == QLatin1String("Work")) {
                EXPECT_FALSE(action->isEnabled());
            }
            if (action->text().trimmed() == QLatin1String("Errands")) errands = action;
        }
        if (!errands) {
            menu->close();
            return;
        }
        chosen = true;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(errands).center());
    });
    QTest::mouseClick(&target, Qt::LeftButton);
    settle();
    ASSERT_TRUE(chosen) << "no target menu with Errands opened";
    EXPECT_EQ(target.text(), QStringLiteral("Errands"));

    // The same hot key again, while the panel is open, files the tasks.
    pressHotKey(Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier);
    waitForSave();
    EXPECT_TRUE(waitForPanelToClose());
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Errands")), QStringList{QStringLiteral("Buy stamps")});

    // The next opening files into the same list.
    pressHotKey(Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_TRUE(waitForTitleEditor());
    EXPECT_EQ(target.text(), QStringLiteral("Errands"));
    type(QStringLiteral("Post the letter"));
    press(Qt::Key_Return);
    waitForSave();
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Errands")),
              (QStringList{QStringLiteral("Post the letter"), QStringLiteral("Buy stamps")}));
}

TEST_F(QuickEntryScenario, CancelThrowsTheTypedTasksAwayAndNothingIsStored) {
    seedLibrary([](LibrarySeed& seed) { seed.task(seed.library().inboxGroup(), QStringLiteral("earlier")); });
    recordShortcut();
    launch();
    pressHotKey(Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_TRUE(waitForTitleEditor());
    type(QStringLiteral("never mind"));
    QTest::mouseClick(&panel()->cancelButton(), Qt::LeftButton);
    settle();
    EXPECT_TRUE(waitForPanelToClose());
    EXPECT_EQ(panel()->tasksViewController().tasksView().model()->rowCount(), 0);
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Inbox")), QStringList{QStringLiteral("earlier")});
}

TEST_F(QuickEntryScenario, AfterCancelTheNextOpeningTypesIntoTheTitleAgain) {
    seedLibrary([](LibrarySeed& seed) { seed.task(seed.library().inboxGroup(), QStringLiteral("earlier")); });
    recordShortcut();
    launch();
    const struct {
        const char* how;
        std::function<void()> cancel;
    } cancellations[] = {
        {"Escape in the title, then Escape in the list",
         [this] {
             press(Qt::Key_Escape);
             if (panel()->isPanelVisible()) press(Qt::Key_Escape);
         }},
        {"the Cancel button", [this] { QTest::mouseClick(&panel()->cancelButton(), Qt::LeftButton); }},
    };
    QStringList filed{QStringLiteral("earlier")};
    for (const bool overAnotherProgram : {false, true}) {
        for (const auto& cancellation : cancellations) {
            SCOPED_TRACE(std::string(cancellation.how) +
                         (overAnotherProgram ? ", over another program" : ", over the main window"));
            // Another program in front: no window of Ordello's is active when the hot key comes.
            if (overAnotherProgram) QApplication::setActiveWindow(nullptr);
            pressHotKey(Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier);
            ASSERT_TRUE(waitForTitleEditorToType()) << focusedWidgetName().toStdString();
            type(QStringLiteral("never mind"));
            cancellation.cancel();
            settle();
            ASSERT_TRUE(waitForPanelToClose());
            // The keyboard goes back to where it was.
            EXPECT_EQ(QApplication::activeWindow(), overAnotherProgram ? nullptr : &window());

            pressHotKey(Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier);
            ASSERT_TRUE(waitForTitleEditorToType()) << focusedWidgetName().toStdString();
            const QString title = QStringLiteral("task %1").arg(filed.size());
            type(title);
            press(Qt::Key_Return);
            waitForSave();
            EXPECT_TRUE(waitForPanelToClose());
            filed.prepend(title);
            EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Inbox")), filed);
        }
    }
}

}  // namespace
}  // namespace scenario
