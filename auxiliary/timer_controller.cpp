#include "auxiliary/timer_controller.h"

#include "model/library.h"
#include "model/task.h"

TDTask* TDTimeLogTimerController::task() const {
    return m_library.activeTask();
}

bool TDTimeLogTimerController::isTimingTask(const TDTask* task) const {
    return task && task->isTiming();
}

void TDTimeLogTimerController::stopAndClose() {
    m_pausedTaskUID.clear();
    if (TDTask* active = task()) active->timeLogPunchOut();
}

void TDTimeLogTimerController::pauseOrResume() {
    if (TDTask* active = task()) {
        m_pausedTaskUID = active->uid();
        active->timeLogPunchOut();
        return;
    }
    TDTask* paused = m_pausedTaskUID.isEmpty() ? nullptr : m_library.taskWithUID(m_pausedTaskUID);
    m_pausedTaskUID.clear();
    if (paused && !paused->isDeleted()) {
        paused->timeLogPunchIn();
        paused->setTiming(true);
    }
}

bool TDTimeLogTimerController::isTimerActive() const {
    return task() || (!m_pausedTaskUID.isEmpty() && m_library.taskWithUID(m_pausedTaskUID));
}
