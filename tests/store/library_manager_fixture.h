#pragma once

#include "platform/base/clock.h"
#include "store/library_manager.h"
#include "tests/support/core/recording_app_delegate.h"
#include "tests/support/core/scripted_alert_prompter.h"
#include "tests/support/test_environment.h"

#include <functional>
#include <memory>

class TDList;
class TDTask;

namespace storetest {

using testsupport::ScriptedAlertPrompter;

// A library package in a temporary folder with its own shared manager, a recording application
// delegate, a clock standing still and an autosave delay no test lives to see: a save happens only
// where the test asks for it, however slowly the machine runs. Tests of autosave shorten the delay.
class LibraryManagerTest : public testsupport::TempFoldersTest {
protected:
    static constexpr double kAutosaveDelayBeyondAnyTest = 24 * 60 * 60;
    static constexpr double kShortAutosaveDelay = 0.02;

    void SetUp() override;
    void TearDown() override;

    QString packagePath() const;
    // A manager for the package, installed as the shared one.
    TDLibraryManager& newManager();
    // Creates the library and fails the test on an error.
    TDLibrary* createLibrary();
    // Fills a library for the backup tests: `count` tasks in the list, created a minute apart, task i
    // dressed by `dress` and given i % 3 sub-tasks "Step i.j"; then saves and waits for the save's
    // follow-up work (the backup).
    void addTasksAndSave(TDLibrary& library, TDList* list, int count,
                         const std::function<void(TDTask& task, int i)>& dress);
    // Main-context saves since the call of startCountingSaves.
    void startCountingSaves();
    int saves = 0;

    std::unique_ptr<TDTestClock> clock;
    testsupport::RecordingAppDelegate delegate;
    std::unique_ptr<TDLibraryManager> manager;

private:
    std::unique_ptr<QObject> m_saveObserver;
};

}  // namespace storetest
