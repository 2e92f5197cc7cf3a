#pragma once

#include "foundation/utilities.h"

#include <QString>

// How the tasks controller tells the user that a command was refused.
class TDTaskFeedback {
public:
    virtual ~TDTaskFeedback() = default;

    // A move or request that cannot be made.
    virtual void beep() { playBeep(); }
    // Any change attempted in an archived group.
    virtual void shakeWindow() = 0;
    // A message-only sheet ("You cannot add tasks here").
    virtual void showMessageSheet(const QString& message) = 0;
};
