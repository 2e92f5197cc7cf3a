#include "app/gui/ordello_composition.h"
#include "auxiliary/gui/timer_window.h"
#include "auxiliary/timer_window_controller.h"
#include "model/group.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "taskviews/gui/single_task_view.h"
#include "tests/scenarios/scenario_test.h"

#include <QApplication>

namespace scenario {
namespace {

class TimerScenario : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        TDClock::setShared(&clock);
    }
    void TearDown() override {
        ScenarioTest::TearDown();
        TDClock::setShared(nullptr);
    }

    // The timer's panel when it is shown.
    TDTimerWindow* shownPanel() const {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* panel = qobject_cast<TDTimerWindow*>(window); panel && panel->isWindowVisible())
                return panel;
        return nullptr;
    }

    TDTestClock clock{QDateTime(QDate(2026, 12, 9), QTime(9, 0))};
};

void seedErrands(LibrarySeed& seed) {
    TDGroup* errands = seed.list(QStringLiteral("Errands"));
    seed.task(errands, QStringLiteral("Buy stamps"));
    seed.task(errands, QStringLiteral("Write report"));
}

TEST_F(TimerScenario, BeginTimingShowsThePanelAndStopSavesTheTimeSpent) {
    seedLibrary(seedErrands);
    launch();
    clickGroup(QStringLiteral("Errands"));
    click(QStringLiteral("Write report"));
    chooseMenuItem(QStringLiteral("Task"), QStringLiteral("Begin Timing"));

    TDTimerWindow* panel = shownPanel();
    ASSERT_NE(panel, nullptr) << "Begin Timing shows the timer";
    ASSERT_NE(panel->taskView().task(), nullptr);
    EXPECT_EQ(panel->taskView().task()->title(), QStringLiteral("Write report"));
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"))
        << "the panel leaves the keyboard where it was";

    // Hidden, the timer goes on counting; shown again, it is the same timer.
    chooseMenuItem(QStringLiteral("Window"), QStringLiteral("Hide Timer"));
    EXPECT_EQ(shownPanel(), nullptr);
    clock.advanceSeconds(125);
    chooseMenuItem(QStringLiteral("Window"), QStringLiteral("Show Timer"));
    EXPECT_EQ(shownPanel(), panel);

    chooseMenuItem(QStringLiteral("Task"), QStringLiteral("Stop Timing"));
    waitForSave();
    EXPECT_EQ(shownPanel(), nullptr);
    const std::optional<StoredTask> stored = storedLibrary().task(QStringLiteral("Write report"));
    ASSERT_TRUE(stored);
    EXPECT_DOUBLE_EQ(stored->actualTime, 125);
    EXPECT_DOUBLE_EQ(storedLibrary().task(QStringLiteral("Buy stamps"))->actualTime, 0);
}

TEST_F(TimerScenario, CompletingTheTimedTaskStopsTheTimerAndSavesItsTime) {
    seedLibrary(seedErrands);
    launch();
    clickGroup(QStringLiteral("Errands"));
    click(QStringLiteral("Buy stamps"));
    chooseMenuItem(QStringLiteral("Task"), QStringLiteral("Begin Timing"));
    ASSERT_NE(shownPanel(), nullptr);
    clock.advanceSeconds(40);

    press(Qt::Key_K, Qt::ControlModifier);
    waitForSave();
    EXPECT_EQ(shownPanel(), nullptr);
    const std::optional<StoredTask> stored = storedLibrary().task(QStringLiteral("Buy stamps"));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->status, QStringLiteral("C"));
    EXPECT_DOUBLE_EQ(stored->actualTime, 40);
}

// A run that ended without punching out leaves its time log behind; the next start times the task on.
TEST_F(TimerScenario, TheTimerOfAnEndedRunResumesAtTheNextStart) {
    seedLibrary([](LibrarySeed& seed) {
        TDTask* task = seed.task(seed.list(QStringLiteral("Errands")), QStringLiteral("Write report"));
        task->setActualTime(60);
        task->timeLogPunchIn();
    });
    clock.advanceSeconds(300);
    launch();
    TDTimerWindow* panel = shownPanel();
    ASSERT_NE(panel, nullptr) << "the timer is back";
    ASSERT_NE(panel->taskView().task(), nullptr);
    EXPECT_EQ(panel->taskView().task()->title(), QStringLiteral("Write report"));

    clock.advanceSeconds(20);
    ASSERT_TRUE(quit());
    EXPECT_DOUBLE_EQ(storedLibrary().task(QStringLiteral("Write report"))->actualTime, 380)
        << "the time while Ordello was away and after it came back";
}

}  // namespace
}  // namespace scenario
