#include "model/task_timer_window.h"

namespace {
TDTaskTimerWindow* sharedWindow = nullptr;
}

TDTaskTimerWindow* TDTaskTimerWindow::shared() {
    return sharedWindow;
}

void TDTaskTimerWindow::setShared(TDTaskTimerWindow* window) {
    sharedWindow = window;
}
