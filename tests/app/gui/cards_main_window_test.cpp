// The cards in the main window: Ctrl+Alt+C switches between the outline and the cards, and a picture of
// a card over its stack for a person to look at.
#include "app/gui/main_window.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "taskviews/card_deck.h"
#include "taskviews/gui/cards_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/tasks_controller.h"
#include "tests/app/groups_controller_fixture.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTextDocument>

namespace apptest {
namespace {

class CardsMainWindowTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        groups.reset();
        tasks.reset();
        defaults().setValue(QStringLiteral("cardAnimationEnabled"), false);
        home = list(QStringLiteral("Household"));
        TDTask* plumber = addTask(home, QStringLiteral("Call the plumber about the boiler"));
        plumber->setNotesString(QStringLiteral(
            "Ask about the leaking tap in the kitchen and book the yearly service before winter."));
        plumber->setDueDate(QDateTime(QDate(2026, 12, 11), QTime(0, 0)));
        plumber->setPriority(2);
        for (const char* title : {"Find the service record", "Clear the cupboard"}) {
            TDTask* step = library()->createOrphanTask();
            step->setTitle(QString::fromLatin1(title));
            EXPECT_TRUE(plumber->orderedTasks()->addObject(step).ok());
        }
        for (const char* title :
             {"Water the plants", "Take the bins out", "Fix the garden gate", "Buy light bulbs"})
            addTask(home, QString::fromLatin1(title));
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

    TDTasksController& tasksController() const { return mainWindow->tasksViewController().tasksController(); }

    std::unique_ptr<TDMainWindow> mainWindow;
    TDList* home = nullptr;
};

TEST_F(CardsMainWindowTest, ControlAltCSwitchesBetweenTheOutlineAndTheCards) {
    ASSERT_EQ(tasksController().group(), home);
    EXPECT_EQ(tasksController().mode(), 0);
    QTest::keyClick(mainWindow.get(), Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    QCoreApplication::processEvents();
    ASSERT_EQ(tasksController().mode(), 1);
    TDCardsView* cards = mainWindow->tasksViewController().cardsView();
    ASSERT_NE(cards, nullptr);
    EXPECT_TRUE(cards->isVisible());
    EXPECT_FALSE(mainWindow->tasksViewController().tasksView().isVisible());
    ASSERT_NE(tasksController().cardDeck()->task(), nullptr);
    EXPECT_EQ(tasksController().cardDeck()->task()->title(),
              QStringLiteral("Call the plumber about the boiler"));

    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(
        mainWindow->grab().toImage().save(QDir(folder).filePath(QStringLiteral("cards_main_window.png"))));

    QTest::keyClick(mainWindow.get(), Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(tasksController().mode(), 0);
    EXPECT_TRUE(mainWindow->tasksViewController().tasksView().isVisible());
}

}  // namespace
}  // namespace apptest
