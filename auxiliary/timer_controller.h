#pragma once

#include <QString>

class TDLibrary;
class TDTask;

// What the task views ask of the timer: which task it times and how to stop it.
class TDTimerController {
public:
    virtual ~TDTimerController() = default;

    // The timed task, or nullptr.
    virtual TDTask* task() const = 0;
    virtual bool isTimingTask(const TDTask* task) const = 0;
    // Stops timing and closes the timer.
    virtual void stopAndClose() = 0;
    // Pauses a running timer, or resumes a paused one.
    virtual void pauseOrResume() = 0;
    // A task is timed, running or paused.
    virtual bool isTimerActive() const = 0;
};

// The timer as the library's time log keeps it, until the timer window takes its place.
class TDTimeLogTimerController final : public TDTimerController {
public:
    explicit TDTimeLogTimerController(TDLibrary& library) : m_library(library) {}

    TDTask* task() const override;
    bool isTimingTask(const TDTask* task) const override;
    // Punches the active task out.
    void stopAndClose() override;
    // Pausing punches the task out and keeps it; resuming punches it in again.
    void pauseOrResume() override;
    bool isTimerActive() const override;

private:
    TDLibrary& m_library;
    QString m_pausedTaskUID;
};
