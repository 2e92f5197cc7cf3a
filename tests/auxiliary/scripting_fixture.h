#pragma once

#include "auxiliary/scripting_host.h"
#include "auxiliary/timer_controller.h"
#include "auxiliary/timer_window_controller.h"
#include "platform/base/clock.h"
#include "store/library_manager.h"
#include "tests/support/core/recording_app_delegate.h"
#include "tests/support/test_environment.h"

#include <QStringList>

#include <memory>

class TDGroup;
class TDList;
class TDTask;

namespace testsupport {

// The host of links and scripts as the main window would be: it records what is revealed, keeps the
// selections, and refuses to select the groups listed as unselectable.
class RecordingScriptingHost final : public TDScriptingHost {
public:
    ~RecordingScriptingHost() override;
    explicit RecordingScriptingHost(TDLibraryManager& manager) : m_manager(manager) {}

    TDLibrary* library() const override { return libraryOpen ? m_manager.library() : nullptr; }
    void revealObject(TDLibraryObject* object) override { revealed.append(object); }
    QList<TDTask*> selectedTasks() const override { return selection; }
    void setSelectedTasks(const QList<TDTask*>& tasks) override { selection = tasks; }
    TDGroup* selectedGroup() const override { return selected; }
    bool selectGroup(TDGroup* group) override;
    void save() override { ++saves; }
    TDTimerController* timerController() override;

    bool libraryOpen = true;
    QList<TDLibraryObject*> revealed;
    QList<TDTask*> selection;
    TDGroup* selected = nullptr;
    QList<TDGroup*> unselectable;
    int saves = 0;

private:
    TDLibraryManager& m_manager;
    std::unique_ptr<TDTimerWindowController> m_timer;
};

// A fresh library with a top-level folder "Work" holding the list "Reports" with the task "Draft"
// (which has the subtask "Outline"), and the top-level list "Errands".
class ScriptingLibraryTest : public TempFoldersTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Lets the context publish its changes, as the event loop does between calls.
    void processChanges();

    TDTestClock clock{QDateTime(QDate(2026, 12, 9), QTime(10, 0))};
    RecordingAppDelegate appDelegate;
    std::unique_ptr<TDLibraryManager> manager;
    std::unique_ptr<RecordingScriptingHost> host;
    TDLibrary* library = nullptr;
    TDGroup* work = nullptr;
    TDGroup* reports = nullptr;
    TDGroup* errands = nullptr;
    TDTask* draft = nullptr;
    TDTask* outline = nullptr;
};

}  // namespace testsupport
