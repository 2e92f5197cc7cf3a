#include "tests/auxiliary/timer_fixture.h"

#include "foundation/application_delegate.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "model/task_timer_window.h"
#include "platform/defaults/user_defaults.h"
#include "platform/undo/undo_manager.h"

#include <QDir>

namespace timertest {

void TimerTest::SetUp() {
    TempFoldersTest::SetUp();
    TDClock::setShared(&clock);
    TDSetAppDelegate(&appDelegate);
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), 24 * 60 * 60);
    manager =
        std::make_unique<TDLibraryManager>(QDir(tempPath()).filePath(QStringLiteral("Timer.odllibrary")));
    TDLibraryManager::setSharedManager(manager.get());
    ASSERT_TRUE(manager->createLibrary().ok());
    library = manager->library();
    timer = std::make_unique<TDTimerWindowController>(*manager, defaults());
    timer->setPanelMaker([this](TDTimerWindowController&) {
        auto made = std::make_unique<FakePanel>();
        panel = made.get();
        return made;
    });
    timer->setStatusItemMaker([this](TDTimerWindowController&) {
        auto made = std::make_unique<FakeStatusItem>();
        statusItem = made.get();
        return made;
    });
    TDTaskTimerWindow::setShared(timer.get());
}

void TimerTest::TearDown() {
    TDTaskTimerWindow::setShared(nullptr);
    timer.reset();
    manager->closeDiscardingChanges();
    manager.reset();
    TDLibraryManager::setSharedManager(nullptr);
    TDSetAppDelegate(nullptr);
    TDClock::setShared(nullptr);
    TempFoldersTest::TearDown();
}

TDTask* TimerTest::makeTask(const QString& title, double estimate) {
    TDTask* task = library->createTask();
    task->setTitle(title);
    task->setEstimatedTime(estimate);
    manager->managedObjectContext()->processPendingChanges();
    return task;
}

void TimerTest::settle() {
    manager->managedObjectContext()->processPendingChanges();
    EXPECT_TRUE(manager->saveLibrary());
    manager->undoManager()->removeAllActions();
}

QVariantMap TimerTest::timeLogEntry() const {
    return manager->optionForKey(QStringLiteral("timeLogEntry")).toMap();
}

}  // namespace timertest
