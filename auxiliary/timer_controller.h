#pragma once

class TDTask;

// What the task views and the scripting interface ask of the timer: which task it times, and how to
// pause or stop it.
class TDTimerController {
public:
    virtual ~TDTimerController() = default;

    // The timed task, or nullptr.
    virtual TDTask* task() const = 0;
    virtual bool isTimingTask(const TDTask* task) const = 0;
    // Stops timing and closes the timer.
    virtual void stopAndClose() = 0;
    virtual void pauseOrResume() = 0;
    virtual bool isTimerActive() const = 0;
};
