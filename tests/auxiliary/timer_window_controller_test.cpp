#include "app/app_delegate.h"
#include "auxiliary/timer_status_title.h"
#include "model/library.h"
#include "model/library_notifications.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "tests/auxiliary/timer_fixture.h"

#include <functional>

namespace timertest {
namespace {

const QString kDisplayMode = QStringLiteral("timerDisplayMode");

TEST_F(TimerTest, BeginTimingShowsThePanelAndStopPunchesOutTheExactTotal) {
    TDTask* task = makeTask(QStringLiteral("write report"));
    task->beginTiming();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->visible);
    EXPECT_EQ(panel->shownTask, task);
    EXPECT_TRUE(timer->isTimerActive());
    EXPECT_TRUE(timer->isTimingTask(task));
    EXPECT_EQ(timeLogEntry().value(QStringLiteral("taskUID")), task->uid());

    clock.advanceSeconds(95);
    timer->stopAndClose();
    EXPECT_EQ(timer->task(), nullptr);
    EXPECT_FALSE(panel->visible);
    EXPECT_FALSE(timer->isTimerActive());
    EXPECT_DOUBLE_EQ(task->actualTime(), 95) << "the punch-out writes the exact total, not the minute";
    EXPECT_TRUE(timeLogEntry().isEmpty());
    EXPECT_FALSE(task->isTiming());
}

// The tick writes actualTime only when the shown minute changes, quietly: no undo step, no autosave.
TEST_F(TimerTest, TheMinuteWritesAreQuietAndOnlyOnAChangeOfMinute) {
    TDTask* task = makeTask(QStringLiteral("write report"), 3600);
    task->setActualTime(120);
    settle();
    timer->setTask(task);
    timer->startTiming();
    settle();
    // The autosave is scheduled from the change notice, unless changes are said to trigger no save.
    QList<bool> triggeringChanges;
    QObject observer;
    platform::NotificationCenter::defaultCenter().addObserver(
        &observer, TDLibraryMOCDidChangeNotification, manager->managedObjectContext(),
        [&](const platform::Notification&) {
            triggeringChanges.append(!manager->dontTriggerSaveOnChange());
        });

    const struct {
        qint64 advance;
        double actualTime;
        const char* why;
    } steps[] = {
        {30, 120, "no write inside the minute"},
        {29, 120, "still the minute of the start"},
        {1, 180, "a new minute writes the running total"},
        {59, 180, "no write until the next minute"},
        {61, 300, "a skipped minute writes the total all the same"},
    };
    for (const auto& step : steps) {
        clock.advanceSeconds(step.advance);
        timer->timerFired();
        EXPECT_DOUBLE_EQ(task->actualTime(), step.actualTime) << step.why;
        EXPECT_DOUBLE_EQ(panel->time, task->totalTimedInterval()) << "the display shows every second";
    }
    EXPECT_FALSE(manager->undoManager()->canUndo()) << "the minute writes are no undo steps";
    EXPECT_EQ(triggeringChanges, QList<bool>({false, false}))
        << "two minute writes, neither do not wake the autosave";

    // A change of the display mode writes at once, the elapsed total in both modes.
    clock.advanceSeconds(10);
    defaults().setValue(kDisplayMode, 1);
    EXPECT_DOUBLE_EQ(task->actualTime(), 310);
    EXPECT_DOUBLE_EQ(panel->time, 3600 - 310.0);
    EXPECT_EQ(timer->minutes(), (3600 - 310) / 60);
    defaults().setValue(kDisplayMode, 0);
}

TEST_F(TimerTest, UndoOfAnUnrelatedEditKeepsTheRecordedTime) {
    TDTask* task = makeTask(QStringLiteral("timed"));
    TDTask* other = makeTask(QStringLiteral("before"));
    settle();
    platform::UndoManager* undo = manager->undoManager();
    undo->setGroupsByEvent(false);
    timer->setTask(task);
    timer->startTiming();

    undo->beginUndoGrouping();
    other->setTitle(QStringLiteral("after"));
    manager->managedObjectContext()->processPendingChanges();
    undo->endUndoGrouping();
    clock.advanceSeconds(125);
    timer->timerFired();
    ASSERT_DOUBLE_EQ(task->actualTime(), 125);

    undo->undo();
    manager->managedObjectContext()->processPendingChanges();
    EXPECT_EQ(other->title(), QStringLiteral("before"));
    EXPECT_DOUBLE_EQ(task->actualTime(), 125) << "undo does not take back the clock";
    EXPECT_FALSE(undo->canUndo());
    EXPECT_TRUE(timer->isTimingTask(task));
}

// The controller's states: no task, set, running, paused; and the switch to another task.
TEST_F(TimerTest, TheStateMachine) {
    TDTask* first = makeTask(QStringLiteral("first"));
    TDTask* second = makeTask(QStringLiteral("second"));
    struct State {
        TDTask* task;
        bool running;
        bool paused;
        TDTask* logged;
    };
    const struct {
        const char* step;
        std::function<void()> act;
        State expected;
    } steps[] = {
        {"start without a task changes nothing",
         [&] { timer->startTiming(); },
         {nullptr, false, false, nullptr}},
        {"pause without a task changes nothing",
         [&] { timer->pauseOrResume(); },
         {nullptr, false, false, nullptr}},
        {"set", [&] { timer->setTask(first); }, {first, false, false, nullptr}},
        {"start", [&] { timer->startTiming(); }, {first, true, false, first}},
        {"pause", [&] { timer->pauseOrResume(); }, {first, false, true, nullptr}},
        {"resume", [&] { timer->pauseOrResume(); }, {first, true, false, first}},
        {"setting the same task changes nothing",
         [&] { timer->setTask(first); },
         {first, true, false, first}},
        {"switching punches the old task out",
         [&] { timer->setTask(second); },
         {second, false, true, nullptr}},
        {"start the new task", [&] { timer->startTiming(); }, {second, true, false, second}},
        {"stop", [&] { timer->stopAndClose(); }, {nullptr, false, false, nullptr}},
        {"stopping again does nothing", [&] { timer->stopAndClose(); }, {nullptr, false, false, nullptr}},
    };
    for (const auto& step : steps) {
        clock.advanceSeconds(60);
        step.act();
        SCOPED_TRACE(step.step);
        EXPECT_EQ(timer->task(), step.expected.task);
        EXPECT_EQ(timer->isRunning(), step.expected.running);
        EXPECT_EQ(timer->isPaused(), step.expected.paused);
        EXPECT_EQ(library->activeTask(), step.expected.logged);
        if (step.expected.task) {
            EXPECT_EQ(timer->isTimingTask(step.expected.task), step.expected.running);
        }
        EXPECT_EQ(first->isTiming(), step.expected.logged == first);
        EXPECT_EQ(second->isTiming(), step.expected.logged == second);
        if (panel && timer->task()) {
            EXPECT_EQ(panel->paused, timer->isPaused());
        }
    }
    EXPECT_DOUBLE_EQ(first->actualTime(), 3 * 60) << "two minutes running before the pause, one after";
    EXPECT_DOUBLE_EQ(second->actualTime(), 60);
}

// Deleting, completing or cancelling the timed task anywhere (the outline, the cards, the bus all
// change the library) stops timing and closes the panel; renaming only redraws the row.
TEST_F(TimerTest, AChangeOfTheTimedTaskStopsOrRedraws) {
    const struct {
        const char* change;
        std::function<void(TDTask*)> act;
        bool stops;
    } cases[] = {
        {"delete", [](TDTask* task) { task->managedObjectContext()->deleteObject(task); }, true},
        {"complete", [](TDTask* task) { task->toggleCompletion(); }, true},
        {"cancel", [](TDTask* task) { task->setCanceled(true); }, true},
        {"rename", [](TDTask* task) { task->setTitle(QStringLiteral("renamed")); }, false},
    };
    for (const auto& change : cases) {
        SCOPED_TRACE(change.change);
        TDTask* task = makeTask(QStringLiteral("timed"));
        task->beginTiming();
        clock.advanceSeconds(70);
        const int reloads = panel->reloads;
        change.act(task);
        manager->managedObjectContext()->processPendingChanges();
        if (change.stops) {
            EXPECT_EQ(timer->task(), nullptr);
            EXPECT_FALSE(panel->visible);
            EXPECT_FALSE(timer->isRunning());
            EXPECT_TRUE(timeLogEntry().isEmpty()) << "no entry is left to resume after a restart";
            if (!task->isDeleted()) {
                EXPECT_DOUBLE_EQ(task->actualTime(), 70);
            }
        } else {
            EXPECT_EQ(timer->task(), task);
            EXPECT_TRUE(timer->isTimingTask(task));
            EXPECT_GT(panel->reloads, reloads);
            timer->stopAndClose();
        }
    }
}

TEST_F(TimerTest, QuitRecordsTheExactTotalBeforeTheFinalSave) {
    TDTask* task = makeTask(QStringLiteral("timed"));
    task->beginTiming();
    clock.advanceSeconds(100);
    timer->timerFired();
    ASSERT_DOUBLE_EQ(task->actualTime(), 100);

    clock.advanceSeconds(7);
    platform::NotificationCenter::defaultCenter().post(TDApplicationWillSaveBeforeTerminating);
    EXPECT_DOUBLE_EQ(task->actualTime(), 107);
    EXPECT_TRUE(timeLogEntry().isEmpty());
    EXPECT_TRUE(timer->isPaused());
    EXPECT_EQ(timer->task(), task) << "quitting pauses; the panel stays as it was";
    EXPECT_TRUE(panel->visible);
}

TEST_F(TimerTest, ALibraryAboutToChangeStopsItsTimer) {
    TDTask* task = makeTask(QStringLiteral("timed"));
    task->beginTiming();
    clock.advanceSeconds(30);
    platform::NotificationCenter::defaultCenter().post(TDActiveLibraryWillChangeNotification, library);
    EXPECT_DOUBLE_EQ(task->actualTime(), 30);
    EXPECT_TRUE(timeLogEntry().isEmpty());
    EXPECT_EQ(timer->task(), nullptr) << "the next library's tasks are not this one's";
}

// After a crash the time log's entry survives; timing the task again counts the time since its punch-in.
TEST_F(TimerTest, ASurvivingTimeLogEntryResumesWithTheTimeSinceItsPunchIn) {
    TDTask* task = makeTask(QStringLiteral("timed"));
    task->setActualTime(600);
    task->timeLogPunchIn();
    clock.advanceSeconds(300);
    ASSERT_EQ(library->activeTask(), task);

    timer->setTask(library->activeTask());
    timer->startTiming();
    EXPECT_DOUBLE_EQ(task->actualTime(), 900);
    EXPECT_TRUE(timer->isTimingTask(task));
    clock.advanceSeconds(60);
    timer->stopAndClose();
    EXPECT_DOUBLE_EQ(task->actualTime(), 960);
}

// Remaining time: the estimate less the total, negative past it; the shown minute truncates toward zero.
TEST_F(TimerTest, RemainingTimePastTheEstimate) {
    defaults().setValue(QStringLiteral("menubarTimerEnabled"), true);
    TDTask* task = makeTask(QStringLiteral("estimated"), 600);
    task->beginTiming();
    timer->showRemainingTime();
    ASSERT_EQ(timer->displayMode(), 1);
    ASSERT_NE(statusItem, nullptr);
    EXPECT_TRUE(statusItem->shown);

    const struct {
        qint64 elapsed;
        double shown;
        std::int64_t minute;
        const char* title;
        bool red;
    } cases[] = {
        {0, 600, 10, "10′", false}, {541, 59, 0, "0′", false},   {600, 0, 0, "0′", false},
        {659, -59, 0, "0′", false}, {660, -60, -1, "-1′", true}, {725, -125, -2, "-2′", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.elapsed);
        clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0)).addSecs(c.elapsed));
        timer->timerFired();
        EXPECT_DOUBLE_EQ(panel->time, c.shown);
        EXPECT_EQ(timer->minutes(), c.minute);
        EXPECT_EQ(statusItem->title().text, QString::fromUtf8(c.title));
        EXPECT_EQ(statusItem->title().overEstimate, c.red);
        EXPECT_DOUBLE_EQ(task->totalTimedInterval(), double(c.elapsed));
    }
}

TEST_F(TimerTest, ATaskWithoutAnEstimateIsShownAsElapsedOnly) {
    TDTask* estimated = makeTask(QStringLiteral("estimated"), 600);
    TDTask* open = makeTask(QStringLiteral("no estimate"));
    estimated->beginTiming();
    timer->showRemainingTime();
    ASSERT_EQ(timer->displayMode(), 1);

    open->beginTiming();
    EXPECT_EQ(timer->displayMode(), 0) << "setting a task without an estimate turns the display to elapsed";
    EXPECT_FALSE(timer->canSwitchToRemainingTimeDisplayMode());
    EXPECT_FALSE(timer->shouldSwitchToMode(1));
    EXPECT_TRUE(timer->shouldSwitchToMode(0));
    timer->showRemainingTime();
    EXPECT_EQ(timer->displayMode(), 0);
    EXPECT_FALSE(estimated->isTiming());
}

TEST_F(TimerTest, TheTrayTitleBlinksWhilePausedAndGoesWhenTurnedOff) {
    defaults().setValue(QStringLiteral("menubarTimerEnabled"), true);
    TDTask* task = makeTask(QStringLiteral("timed"));
    task->beginTiming();
    clock.advanceSeconds(3600);
    timer->timerFired();
    ASSERT_NE(statusItem, nullptr);
    EXPECT_EQ(statusItem->title().text, QStringLiteral("1:00"));

    timer->pauseOrResume();
    EXPECT_TRUE(statusItem->title().isEmpty());
    timer->pausedTimerFired();
    EXPECT_EQ(statusItem->title().text, QStringLiteral("1:00"));
    timer->pausedTimerFired();
    EXPECT_TRUE(statusItem->title().isEmpty());

    timer->pauseOrResume();
    defaults().setValue(QStringLiteral("menubarTimerEnabled"), false);
    timer->timerFired();
    EXPECT_EQ(timer->statusItem(), nullptr) << "the item goes at the next tick";
}

TEST_F(TimerTest, AHiddenPanelKeepsTimingButTheTimerCountsAsInactive) {
    TDTask* task = makeTask(QStringLiteral("timed"));
    task->beginTiming();
    timer->showOrHideWindow();
    EXPECT_TRUE(defaults().boolean(QStringLiteral("timerWindowHidden")));
    EXPECT_FALSE(timer->isTimerActive());
    EXPECT_TRUE(timer->isTimingTask(task));

    TDTask* next = makeTask(QStringLiteral("next"));
    next->beginTiming();
    EXPECT_FALSE(panel->visible) << "a hidden timer stays hidden when timing starts";
    EXPECT_EQ(panel->shownTask, next);
    timer->showOrHideWindow();
    EXPECT_TRUE(panel->visible);
    EXPECT_FALSE(defaults().boolean(QStringLiteral("timerWindowHidden")));
}

TEST_F(TimerTest, TheCheckboxCompletesTheTaskAsOneNamedStep) {
    TDTask* task = makeTask(QStringLiteral("timed"));
    settle();
    task->beginTiming();
    clock.advanceSeconds(42);
    timer->toggleCompleted();
    manager->managedObjectContext()->processPendingChanges();
    EXPECT_TRUE(task->isCompleted());
    EXPECT_EQ(timer->task(), nullptr);
    EXPECT_DOUBLE_EQ(task->actualTime(), 42);
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Mark as Completed"));
}

TEST(TimerStatusTitle, MinutesThenHoursAndMinutes) {
    const struct {
        double seconds;
        const char* text;
        bool red;
    } cases[] = {
        {0, "0′", false},      {300, "5′", false},    {3599, "59′", false},
        {3600, "1:00", false}, {3900, "1:05", false}, {36000, "10:00", false},
        {-59, "0′", false},    {-60, "-1′", true},    {-3600, "-60′", true},
    };
    for (const auto& c : cases) {
        const TDTimerStatusTitle title = TDTimerStatusTitleForSeconds(c.seconds);
        EXPECT_EQ(title.text, QString::fromUtf8(c.text)) << c.seconds;
        EXPECT_EQ(title.overEstimate, c.red) << c.seconds;
    }
}

}  // namespace
}  // namespace timertest
