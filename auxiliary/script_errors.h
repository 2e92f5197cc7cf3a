#pragma once

#include "platform/base/error.h"

// The errors a script sees: the four numbered refusals of the object model, and a value a script
// handed in that typed input would not accept either.
enum TDScriptErrorCode : int {
    TDScriptErrorCannotDeleteSpecialGroups = 9001,
    TDScriptErrorCouldNotMove = 9002,
    TDScriptErrorUnknownObject = 9003,
    TDScriptErrorNotSelectable = 9004,
    TDScriptErrorInvalidValue = 9010,
};

TDError TDScriptError(TDScriptErrorCode code, const QString& text);
// The refusals with their fixed texts.
TDError TDCannotDeleteSpecialGroupsError();
TDError TDCouldNotMoveObjectError();
TDError TDCouldNotMoveTaskError();
TDError TDUnknownObjectError();
TDError TDSelectionOnlyTasksError();
TDError TDGroupNotSelectableError();
// The short name of the error's kind ("CannotDeleteSpecialGroups", …, "InvalidValue"), for the bus.
QString TDScriptErrorName(const TDError& error);
