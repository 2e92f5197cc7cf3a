#pragma once

#include "auxiliary/timer_status_title.h"

class TDTask;

// What the time display asks before it switches between elapsed (0) and remaining (1) time.
class TDTimerLCDViewDelegate {
public:
    virtual ~TDTimerLCDViewDelegate() = default;
    virtual bool shouldSwitchToMode(int mode) const = 0;
    virtual void switchToMode(int mode) = 0;
};

// The floating panel of the timer as its controller drives it: the time display, the task row with
// its checkbox, and the pause button.
class TDTimerPanel {
public:
    virtual ~TDTimerPanel() = default;

    // The row and checkbox show the task (nullptr: none).
    virtual void setTask(TDTask* task) = 0;
    // The task changed (its title, its checkbox): the row draws it again.
    virtual void reloadTask() = 0;
    // Seconds shown by the display; negative past the estimate.
    virtual void setTime(double seconds) = 0;
    // Play image and pulsing digits while paused, pause image while running.
    virtual void setPaused(bool paused) = 0;
    // The display's caption follows "timerDisplayMode".
    virtual void updateDisplayMode() = 0;
    virtual void showWindow() = 0;
    // Saves the frame; fades out when animated.
    virtual void closeWindow(bool animate) = 0;
    // Shown and not faded out.
    virtual bool isWindowVisible() const = 0;
};

// The running minutes in the desktop's system tray.
class TDTimerStatusItem {
public:
    virtual ~TDTimerStatusItem() = default;

    virtual void show() = 0;
    virtual void remove() = 0;
    virtual bool isShown() const = 0;
    // An empty title leaves only the clock (the blink while paused).
    virtual void setTitle(const TDTimerStatusTitle& title) = 0;
    virtual TDTimerStatusTitle title() const = 0;
};
