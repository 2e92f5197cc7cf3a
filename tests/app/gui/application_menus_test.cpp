#include "app/gui/application_menus.h"

#include "app/app_delegate.h"
#include "app/groups_controller.h"
#include "app/gui/main_window.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "taskviews/tasks_controller.h"
#include "tests/app/app_delegate_fixture.h"
#include "tests/app/groups_controller_fixture.h"
#include "tests/support/core/scripted_alert_prompter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

namespace apptest {
namespace {

QStringList titles(const QList<QAction*>& actions) {
    QStringList all;
    for (const QAction* action : actions)
        all << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return all;
}

// The main window over a small library with the application menus installed, the way the program
// builds them.
class ApplicationMenusTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        groups.reset();
        tasks.reset();
        errands = list(QStringLiteral("Errands"));
        addTask(errands, QStringLiteral("Buy stamps"));
        empty = list(QStringLiteral("Nothing yet"));
        processChanges();
        window = std::make_unique<TDMainWindow>(*manager);
        restorer = std::make_unique<DirectRestorer>(*manager, prompter);
        delegate = std::make_unique<AppDelegate>(
            *manager, TDAppDelegateServices{prompter, chooser, *window, *restorer, sync});
        menus = std::make_unique<TDApplicationMenus>(*window, *manager, *delegate, prompter, *restorer,
                                                     defaults());
        menus->setFileQuestions(
            {[this](const QString&, const QString& suggested, const QString&) {
                 suggestions << suggested;
                 return std::optional(savePath);
             },
             [](const QString&, const QString&, const QString&) { return std::nullopt; }});
        QObject::connect(window.get(), &TDMainWindow::menusBuilt, menus.get(),
                         [this](QMenuBar* bar) { menus->install(*bar); });
        window->buildMenus();
        window->showMainWindow();
        window->resize(900, 600);
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        menus.reset();
        delegate.reset();
        window.reset();
        restorer.reset();
        GroupsControllerTest::TearDown();
    }

    QMenu* menu(const QString& title) const {
        for (QAction* action : window->menuBar()->actions())
            if (action->text().remove(QLatin1Char('&')) == title) return action->menu();
        return nullptr;
    }

    void show(TDGroup* group) {
        window->groupsController().selectGroup(group);
        processChanges();
        QCoreApplication::processEvents();
        menus->validate();
    }

    testsupport::ScriptedAlertPrompter prompter;
    ScriptedLocationChooser chooser;
    RecordingSyncControl sync;
    std::unique_ptr<TDMainWindow> window;
    std::unique_ptr<DirectRestorer> restorer;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<TDApplicationMenus> menus;
    TDList* errands = nullptr;
    TDList* empty = nullptr;
    QString savePath;
    QStringList suggestions;
};

TEST_F(ApplicationMenusTest, TheCommandsJoinTheWindowsMenusAndQuitStaysLast) {
    const QStringList file = titles(menu(QStringLiteral("File"))->actions());
    const QStringList expectedEnd{QStringLiteral("Print…"),
                                  QStringLiteral("-"),
                                  QStringLiteral("Back Up Now…"),
                                  QStringLiteral("Restore from Backup…"),
                                  QStringLiteral("Sync Now"),
                                  QStringLiteral("Fix Library"),
                                  QStringLiteral("-"),
                                  QStringLiteral("Quit")};
    EXPECT_EQ(file.mid(file.size() - expectedEnd.size()), expectedEnd)
        << file.join(QLatin1Char('|')).toStdString();
    QAction* fullScreen = menus->action(TDApplicationCommand::FullScreen);
    ASSERT_TRUE(fullScreen);
    EXPECT_EQ(fullScreen->text(), QStringLiteral("Enter Full Screen"));
    EXPECT_EQ(fullScreen->shortcut(), QKeySequence(Qt::Key_F11));
    ASSERT_TRUE(menu(QStringLiteral("Help")));
    EXPECT_FALSE(menu(QStringLiteral("Debug"))) << "only with enableDebugMenu";

    // Built again, as the launch does, with the Debug menu asked for: it comes last.
    defaults().setValue(QStringLiteral("enableDebugMenu"), true);
    window->buildMenus();
    EXPECT_EQ(window->menuBar()->actions().last()->text(), QStringLiteral("Debug"));
    EXPECT_EQ(titles(menu(QStringLiteral("File"))->actions()).count(QStringLiteral("Print…")), 1);
}

// Two items on one key would both stay silent: Qt takes such a key as ambiguous.
TEST_F(ApplicationMenusTest, NoTwoMenuItemsShareAKey) {
    defaults().setValue(QStringLiteral("enableDebugMenu"), true);
    window->buildMenus();
    QMap<QKeySequence, QString> owners;
    std::function<void(const QList<QAction*>&)> collect = [&](const QList<QAction*>& actions) {
        for (QAction* action : actions) {
            if (QMenu* submenu = action->menu()) collect(submenu->actions());
            for (const QKeySequence& key : action->shortcuts()) {
                if (key.isEmpty()) continue;
                EXPECT_FALSE(owners.contains(key))
                    << key.toString().toStdString() << ": " << owners.value(key).toStdString() << " and "
                    << action->text().toStdString();
                owners.insert(key, action->text());
            }
        }
    };
    collect(window->menuBar()->actions());
    EXPECT_GT(owners.size(), 20);
}

TEST_F(ApplicationMenusTest, PrintNeedsRowsAndSyncNeedsSyncSwitchedOn) {
    show(errands);
    EXPECT_TRUE(menus->action(TDApplicationCommand::Print)->isEnabled());
    EXPECT_FALSE(menus->action(TDApplicationCommand::Sync)->isEnabled());
    EXPECT_TRUE(menus->action(TDApplicationCommand::BackupLibrary)->isEnabled());
    show(empty);
    EXPECT_FALSE(menus->action(TDApplicationCommand::Print)->isEnabled());
}

TEST_F(ApplicationMenusTest, TheTaskCountItemFollowsTheSetting) {
    QAction* count = menus->action(TDApplicationCommand::ToggleTaskCount);
    ASSERT_TRUE(count);
    EXPECT_FALSE(count->isChecked());
    count->trigger();
    menus->validate();
    EXPECT_TRUE(defaults().boolean(QStringLiteral("showIncompleteTaskCount")));
    EXPECT_TRUE(count->isChecked());
}

TEST_F(ApplicationMenusTest, FixLibrarySaysWhatItFound) {
    menus->fixLibrary();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown.first().messageText, QStringLiteral("No problems found in task library"));
}

TEST_F(ApplicationMenusTest, BackUpNowWritesTheFileChosenInTheBackground) {
    savePath = QDir(tempPath()).filePath(QStringLiteral("My backup"));
    QSignalSpy finished(menus.get(), &TDApplicationMenus::backupFinished);
    menus->action(TDApplicationCommand::BackupLibrary)->trigger();
    ASSERT_EQ(suggestions.size(), 1);
    EXPECT_TRUE(suggestions.first().endsWith(QStringLiteral(".odlbackup")));
    EXPECT_TRUE(suggestions.first().contains(QStringLiteral("Ordello 2026-")));
    ASSERT_TRUE(finished.wait(60000) || finished.size() == 1);
    EXPECT_TRUE(finished.first().first().toBool());
    EXPECT_TRUE(QFileInfo(savePath + QStringLiteral(".odlbackup")).isFile());
}

}  // namespace
}  // namespace apptest
