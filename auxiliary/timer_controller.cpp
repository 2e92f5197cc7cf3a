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
    if (TDTask* active = task()) active->timeLogPunchOut();
}
