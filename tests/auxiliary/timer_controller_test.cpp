#include "auxiliary/timer_controller.h"
#include "foundation/application_delegate.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "tests/support/core/recording_app_delegate.h"
#include "tests/support/test_environment.h"

#include <QDir>

namespace {

class TimeLogTimerTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        TDClock::setShared(&clock);
        TDSetAppDelegate(&appDelegate);
        defaults().setValue(QStringLiteral("libraryAutosaveDelay"), 24 * 60 * 60);
        manager =
            std::make_unique<TDLibraryManager>(QDir(tempPath()).filePath(QStringLiteral("Timer.odllibrary")));
        TDLibraryManager::setSharedManager(manager.get());
        ASSERT_TRUE(manager->createLibrary().ok());
    }
    void TearDown() override {
        manager->closeDiscardingChanges();
        manager.reset();
        TDLibraryManager::setSharedManager(nullptr);
        TDSetAppDelegate(nullptr);
        TDClock::setShared(nullptr);
        TempFoldersTest::TearDown();
    }

    TDTestClock clock{QDateTime(QDate(2026, 12, 9), QTime(10, 0))};
    testsupport::RecordingAppDelegate appDelegate;
    std::unique_ptr<TDLibraryManager> manager;
};

TEST_F(TimeLogTimerTest, TheTimedTaskIsTheTimeLogsAndStoppingPunchesItOut) {
    TDLibrary* library = manager->library();
    TDTask* task = library->createTask();
    task->setTitle(QStringLiteral("write report"));
    TDTask* other = library->createTask();
    manager->managedObjectContext()->processPendingChanges();
    TDTimeLogTimerController timer(*library);
    EXPECT_EQ(timer.task(), nullptr);

    task->timeLogPunchIn();
    task->setTiming(true);
    EXPECT_EQ(timer.task(), task);
    EXPECT_TRUE(timer.isTimingTask(task));
    EXPECT_FALSE(timer.isTimingTask(other));

    clock.advanceSeconds(1800);
    timer.stopAndClose();
    EXPECT_EQ(timer.task(), nullptr);
    EXPECT_DOUBLE_EQ(task->actualTime(), 1800);
}

TEST_F(TimeLogTimerTest, PausingKeepsTheTimerActiveAndResumingTimesTheSameTaskAgain) {
    TDLibrary* library = manager->library();
    TDTask* task = library->createTask();
    manager->managedObjectContext()->processPendingChanges();
    TDTimeLogTimerController timer(*library);
    EXPECT_FALSE(timer.isTimerActive());
    timer.pauseOrResume();  // nothing to pause or resume
    EXPECT_FALSE(timer.isTimerActive());

    task->timeLogPunchIn();
    task->setTiming(true);
    clock.advanceSeconds(600);
    timer.pauseOrResume();
    EXPECT_EQ(timer.task(), nullptr);
    EXPECT_TRUE(timer.isTimerActive());
    EXPECT_DOUBLE_EQ(task->actualTime(), 600);

    clock.advanceSeconds(3600);  // paused time is not counted
    timer.pauseOrResume();
    EXPECT_EQ(timer.task(), task);
    clock.advanceSeconds(300);
    timer.stopAndClose();
    EXPECT_FALSE(timer.isTimerActive());
    EXPECT_DOUBLE_EQ(task->actualTime(), 900);
}

}  // namespace
