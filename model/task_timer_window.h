#pragma once

class TDTask;

// The window that shows and drives the clock of the task being timed. Until the program installs one,
// timing runs without a window.
class TDTaskTimerWindow {
public:
    virtual ~TDTaskTimerWindow() = default;

    virtual void setTask(TDTask* task) = 0;
    virtual void showWindow() = 0;
    // Punches the task in and starts the clock.
    virtual void startTiming() = 0;

    // Not owned; nullptr when there is none.
    static TDTaskTimerWindow* shared();
    static void setShared(TDTaskTimerWindow* window);
};
