#pragma once

#include "platform/base/error.h"

#include <QStringList>

class TDLibrary;

// In TDErrorDomain: the text handed over made no task.
inline constexpr int TDErrorNoTaskFromText = 800;

// Tasks from text another program hands over (a line each, links and markers read as when pasted),
// each that no list takes placed at the top of the Inbox in turn, so several stand in reverse order.
// One undo step, "Create Task". The new tasks' UIDs, or TDErrorNoTaskFromText when none was made.
Result<QStringList> TDCreateTasksFromText(TDLibrary& library, const QString& text);
