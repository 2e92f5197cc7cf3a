#pragma once

#include "auxiliary/timer_views.h"
#include "auxiliary/timer_window_controller.h"
#include "platform/base/clock.h"
#include "store/library_manager.h"
#include "tests/support/core/recording_app_delegate.h"
#include "tests/support/test_environment.h"

#include <memory>

class TDLibrary;

namespace timertest {

// The panel as the controller sees it: what it was last told.
class FakePanel final : public TDTimerPanel {
public:
    void setTask(TDTask* task) override { shownTask = task; }
    void reloadTask() override { ++reloads; }
    void setTime(double seconds) override { time = seconds; }
    void setPaused(bool paused) override { this->paused = paused; }
    void updateDisplayMode() override { ++modeUpdates; }
    void showWindow() override { visible = true; }
    void closeWindow(bool) override { visible = false; }
    bool isWindowVisible() const override { return visible; }

    TDTask* shownTask = nullptr;
    int reloads = 0;
    double time = 0;
    bool paused = false;
    int modeUpdates = 0;
    bool visible = false;
};

class FakeStatusItem final : public TDTimerStatusItem {
public:
    void show() override { shown = true; }
    void remove() override { shown = false; }
    bool isShown() const override { return shown; }
    void setTitle(const TDTimerStatusTitle& title) override { m_title = title; }
    TDTimerStatusTitle title() const override { return m_title; }

    bool shown = false;

private:
    TDTimerStatusTitle m_title;
};

// A library in a temporary folder, a clock standing still, an autosave that never comes on its own,
// and the timer with fake panel and tray item, installed as the window Begin Timing uses.
class TimerTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override;
    void TearDown() override;

    TDTask* makeTask(const QString& title, double estimate = 0);
    // Clears what the set-up left to undo or save.
    void settle();
    QVariantMap timeLogEntry() const;

    TDTestClock clock{QDateTime(QDate(2026, 12, 9), QTime(10, 0))};
    testsupport::RecordingAppDelegate appDelegate;
    std::unique_ptr<TDLibraryManager> manager;
    TDLibrary* library = nullptr;
    std::unique_ptr<TDTimerWindowController> timer;
    FakePanel* panel = nullptr;
    FakeStatusItem* statusItem = nullptr;
};

}  // namespace timertest
