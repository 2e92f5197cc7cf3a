#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "model/task_timer_window.h"
#include "platform/defaults/user_defaults.h"
#include "platform/plist/property_list.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "tests/store/library_manager_fixture.h"
#include "tests/support/recording_sound_sink.h"

#include <QDir>

namespace {

using storetest::LibraryManagerTest;

class TaskTimingTest : public LibraryManagerTest {
protected:
    void SetUp() override {
        LibraryManagerTest::SetUp();
        library = createLibrary();
        first = library->createTask();
        first->setTitle(QStringLiteral("first"));
        second = library->createTask();
        second->setTitle(QStringLiteral("second"));
        manager->managedObjectContext()->processPendingChanges();
    }
    QVariantMap entry() { return manager->optionForKey(QStringLiteral("timeLogEntry")).toMap(); }
    QVariantMap entryOnDisk() {
        const auto options = platform::readPropertyListFile(manager->optionsDictionaryPath());
        return options.ok() ? options->toMap().value(QStringLiteral("timeLogEntry")).toMap() : QVariantMap();
    }

    TDLibrary* library = nullptr;
    TDTask* first = nullptr;
    TDTask* second = nullptr;
};

TEST_F(TaskTimingTest, PunchingInAndOutAddsTheTimeSpent) {
    first->setActualTime(600);
    manager->managedObjectContext()->processPendingChanges();
    platform::UndoManager* undo = manager->undoManager();
    ASSERT_NE(undo, nullptr);
    undo->removeAllActions();
    first->timeLogPunchIn();
    EXPECT_TRUE(first->isTiming());
    EXPECT_EQ(first->checkboxState(), 3);
    EXPECT_EQ(library->activeTask(), first);
    EXPECT_EQ(entryOnDisk().value(QStringLiteral("taskUID")), first->uid()) << "the entry survives a restart";
    EXPECT_EQ(entryOnDisk().value(QStringLiteral("actualTimeAtStart")).toDouble(), 600);

    clock->advanceSeconds(90);
    EXPECT_EQ(first->totalTimedInterval(), 690);
    EXPECT_EQ(second->totalTimedInterval(), 0) << "another task shows its own actual time";
    EXPECT_EQ(first->actualTime(), 600) << "the running clock is not stored until punching out";

    first->timeLogPunchOut();
    EXPECT_EQ(first->actualTime(), 690);
    EXPECT_FALSE(first->isTiming());
    EXPECT_EQ(first->value(QStringLiteral("modifiedDate")).toDateTime(), clock->now());
    EXPECT_TRUE(entry().isEmpty());
    EXPECT_TRUE(entryOnDisk().isEmpty());
    EXPECT_EQ(library->activeTask(), nullptr);
    EXPECT_FALSE(undo->canUndo()) << "time-log changes are not undoable";
}

TEST_F(TaskTimingTest, PunchingInAnotherTaskClosesTheRunningEntry) {
    first->setActualTime(600);
    second->setActualTime(30);
    first->timeLogPunchIn();
    clock->advanceSeconds(120);
    second->timeLogPunchIn();
    EXPECT_EQ(first->actualTime(), 720);
    EXPECT_EQ(entry().value(QStringLiteral("taskUID")), second->uid());
    EXPECT_EQ(entry().value(QStringLiteral("actualTimeAtStart")).toDouble(), 30);
    EXPECT_EQ(entry().value(QStringLiteral("startDate")).toDateTime(), clock->now());

    // Punching out a task that is not running keeps its time and still clears the entry.
    first->timeLogPunchOut();
    EXPECT_EQ(first->actualTime(), 720);
    EXPECT_TRUE(entry().isEmpty());
}

TEST_F(TaskTimingTest, AnEntryFromTheFutureOrOfAMissingTaskChangesNoTask) {
    first->setActualTime(600);
    first->timeLogPunchIn();
    clock->advanceSeconds(-300);
    EXPECT_EQ(first->totalTimedInterval(), 600) << "a clock set back counts no time";
    second->timeLogPunchIn();
    EXPECT_EQ(first->actualTime(), 600);

    manager->setOption(QVariantMap{{QStringLiteral("taskUID"), QStringLiteral("gone")},
                                   {QStringLiteral("startDate"), clock->now().addSecs(-60)},
                                   {QStringLiteral("actualTimeAtStart"), 5.0}},
                       QStringLiteral("timeLogEntry"));
    EXPECT_EQ(library->activeTask(), nullptr);
    first->timeLogPunchIn();
    EXPECT_EQ(first->actualTime(), 600);
    EXPECT_EQ(second->actualTime(), 0);
    EXPECT_EQ(library->activeTask(), first);
}

// Two libraries open side by side: each task keeps its clock in the options of its own library, which
// the library's manager handed over when it opened it, whichever manager is installed as the shared one.
TEST_F(TaskTimingTest, TimingUsesTheOptionsOfTheTasksOwnLibrary) {
    EXPECT_EQ(library->options(), manager.get());
    TDLibraryManager other(QDir(tempPath()).filePath(QStringLiteral("Other.odllibrary")));
    const Result<TDLibrary*> opened = other.createLibrary();
    ASSERT_TRUE(opened.ok());
    TDLibrary* otherLibrary = *opened;
    EXPECT_EQ(otherLibrary->options(), &other);
    TDTask* elsewhere = otherLibrary->createTask();
    elsewhere->setActualTime(60);
    const auto otherEntry = [&other] { return other.optionForKey(QStringLiteral("timeLogEntry")).toMap(); };

    elsewhere->timeLogPunchIn();
    EXPECT_EQ(otherEntry().value(QStringLiteral("taskUID")), elsewhere->uid());
    EXPECT_TRUE(entry().isEmpty()) << "the shared manager's library is not the task's";
    EXPECT_EQ(otherLibrary->activeTask(), elsewhere);
    EXPECT_EQ(library->activeTask(), nullptr);

    // Punching in here leaves the other library's clock running.
    first->timeLogPunchIn();
    clock->advanceSeconds(30);
    EXPECT_EQ(elsewhere->totalTimedInterval(), 90);
    EXPECT_EQ(first->totalTimedInterval(), 30);
    elsewhere->timeLogPunchOut();
    EXPECT_EQ(elsewhere->actualTime(), 90);
    EXPECT_TRUE(otherEntry().isEmpty());
    EXPECT_EQ(entry().value(QStringLiteral("taskUID")), first->uid());
    EXPECT_EQ(library->activeTask(), first);
    ASSERT_TRUE(other.close().ok());
}

TEST_F(TaskTimingTest, ActualTimeAsText) {
    struct Case {
        const char* text;
        double before;
        double after;
    };
    const Case cases[] = {
        {"1h 30m", 0, 5400},        {"45m", 600, 2700}, {"0", 600, 0}, {"", 600, 0},
        {"soonish", 600, 600},  // text that does not parse keeps the recorded time
        {"1h and a bit", 600, 600},
    };
    for (const Case& c : cases) {
        first->setActualTime(c.before);
        first->setActualTimeString(QString::fromUtf8(c.text));
        EXPECT_EQ(first->actualTime(), c.after) << c.text;
    }

    first->setActualTime(3600);
    first->setEstimatedTime(7200);
    EXPECT_EQ(first->actualToEstimatedTimeRatio(), 0.5);
    const auto shown = first->actualTimeDisplayString();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->toPlainText(), first->actualTimeString() + QStringLiteral(" (50%)"));
    first->setEstimatedTime(0);
    EXPECT_EQ(first->actualTimeDisplayString()->toPlainText(), first->actualTimeString());
    first->setActualTime(0);
    EXPECT_EQ(first->actualTimeDisplayString(), nullptr);
}

TEST_F(TaskTimingTest, BeginTimingRefusesClosedTasksAndUsesTheWindow) {
    struct Window : TDTaskTimerWindow {
        void setTask(TDTask* task) override { calls << QStringLiteral("setTask ") + task->title(); }
        void showWindow() override { calls << QStringLiteral("show"); }
        void startTiming() override { calls << QStringLiteral("start"); }
        QStringList calls;
    };

    first->setCompleted(true);
    first->beginTiming();
    EXPECT_FALSE(first->isTiming());
    EXPECT_TRUE(entry().isEmpty());

    // Without a window the task is punched in directly.
    second->beginTiming();
    EXPECT_TRUE(second->isTiming());
    EXPECT_EQ(second->startDate(), QDateTime(clock->now().date(), QTime(0, 0)));
    second->timeLogPunchOut();

    Window window;
    TDTaskTimerWindow::setShared(&window);
    second->beginTiming();
    platform::UserDefaults::standard().setValue(QStringLiteral("timerWindowHidden"), true);
    second->beginTiming();
    TDTaskTimerWindow::setShared(nullptr);
    EXPECT_EQ(window.calls,
              (QStringList{QStringLiteral("setTask second"), QStringLiteral("show"), QStringLiteral("start"),
                           QStringLiteral("setTask second"), QStringLiteral("start")}));
}

TEST_F(TaskTimingTest, BeginTimingBeepsForATaskThatCannotBeTimed) {
    testsupport::RecordingSoundSink sounds;
    TDTask* parent = library->createTask();
    TDTask* child = library->createTask();
    parent->addSubtasks({child});
    TDTask* canceled = library->createTask();
    canceled->setCanceled(true);
    first->setCompleted(true);

    for (TDTask* task : {first, canceled, parent}) {
        sounds.played.clear();
        task->beginTiming();
        EXPECT_EQ(sounds.played, QStringList{QStringLiteral("beep")}) << task->title().toStdString();
        EXPECT_FALSE(task->isTiming());
    }
    EXPECT_TRUE(entry().isEmpty());

    sounds.played.clear();
    child->beginTiming();
    EXPECT_TRUE(child->isTiming());
    EXPECT_TRUE(sounds.played.isEmpty());
    child->timeLogPunchOut();
}

}  // namespace
