#pragma once

#include "auxiliary/timer_controller.h"
#include "auxiliary/timer_views.h"
#include "model/task_timer_window.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

class TDLibraryManager;

namespace platform {
struct Notification;
class UserDefaults;
}  // namespace platform

// The task timer: one shared controller that starts, pauses, resumes, stops and switches the timed
// task, ticks the panel's display and the tray once a second, and mirrors the running total into the
// task's actualTime whenever the shown minute changes, quietly (no undo step, no autosave). The durable
// record is the library's time log: punched in on start and resume, out on pause and stop.
// It stops timing when the task is deleted, completed or cancelled, before the final save at quit and
// before the library changes. The panel and the tray item come from makers, on first need.
class TDTimerWindowController final : public QObject,
                                      public TDTimerController,
                                      public TDTaskTimerWindow,
                                      public TDTimerLCDViewDelegate {
    Q_OBJECT
public:
    using PanelMaker = std::function<std::unique_ptr<TDTimerPanel>(TDTimerWindowController&)>;
    using StatusItemMaker = std::function<std::unique_ptr<TDTimerStatusItem>(TDTimerWindowController&)>;

    TDTimerWindowController(TDLibraryManager& manager, platform::UserDefaults& defaults,
                            QObject* parent = nullptr);
    ~TDTimerWindowController() override;

    // Without makers the timer runs with neither panel nor tray item.
    void setPanelMaker(PanelMaker maker) { m_panelMaker = std::move(maker); }
    void setStatusItemMaker(StatusItemMaker maker) { m_statusItemMaker = std::move(maker); }
    // Shows the task in the main window.
    void setTaskRevealer(std::function<void(TDTask*)> revealer) { m_revealer = std::move(revealer); }

    // TDTimerController
    TDTask* task() const override { return m_task; }
    bool isTimingTask(const TDTask* task) const override;
    void stopAndClose() override;
    void pauseOrResume() override;
    // The panel is shown: a timer running with its panel hidden counts as not active.
    bool isTimerActive() const override;

    // TDTaskTimerWindow: what a task's Begin Timing asks.
    void setTask(TDTask* task) override;
    void showWindow() override;
    void startTiming() override;

    // Pauses: punches the task out.
    void stopTiming();
    bool isPaused() const { return m_paused; }
    bool isRunning() const { return m_tick.isActive(); }
    // Forgets the task and closes the panel, timing or not.
    void close(bool animate = false);
    // Show/Hide Timer: the timing goes on either way; remembered in "timerWindowHidden".
    void showOrHideWindow();
    bool isWindowVisible() const;
    // The checkbox: completes (or reopens) the task as one undo step.
    void toggleCompleted();
    void revealTask();
    void showElapsedTime();
    void showRemainingTime();
    bool canSwitchToRemainingTimeDisplayMode() const;
    // The display's question before it switches; any mode but the remaining time is fine.
    bool shouldSwitchToMode(int mode) const override;
    void switchToMode(int mode) override;
    int displayMode() const;

    // One tick of the clock: what a second of the timer does. Tests call it with their clock moved.
    void timerFired();
    // The tray's blink while paused.
    void pausedTimerFired();
    // The minute the display last wrote actualTime for.
    std::int64_t minutes() const { return m_minutes; }
    // The panel and tray item when made (nullptr before).
    TDTimerPanel* panel() const { return m_panel.get(); }
    TDTimerStatusItem* statusItem() const { return m_statusItem.get(); }
    // Whether the tray's status menu is open: its title reads without the warning colour then.
    void setStatusMenuOpen(bool open);

Q_SIGNALS:
    // The state behind the menus changed: task, paused, panel shown or hidden.
    void stateChanged();

private:
    TDTimerPanel* p_loadPanel();
    void p_updateUI();
    void p_updateTime(bool force);
    void p_writeActualTime(double total);
    void p_setupStatusItem();
    void p_setStatusTitle(double seconds);
    void p_beginObservingContext();
    void p_contextDidChange(const platform::Notification& notification);
    void p_defaultDidChange(const QString& key);
    double p_shownSeconds(double total) const;

    TDLibraryManager& m_manager;
    platform::UserDefaults& m_defaults;
    PanelMaker m_panelMaker;
    StatusItemMaker m_statusItemMaker;
    std::function<void(TDTask*)> m_revealer;
    std::unique_ptr<TDTimerPanel> m_panel;
    std::unique_ptr<TDTimerStatusItem> m_statusItem;
    TDTask* m_task = nullptr;
    QTimer m_tick;
    QTimer m_pausedBlink;
    bool m_paused = false;
    std::int64_t m_minutes = 0;
    // Set while the controller punches in or out, so it does not act on its own change.
    bool m_ignoreContextChange = false;
    bool m_statusMenuOpen = false;
    const void* m_observedContext = nullptr;
};
