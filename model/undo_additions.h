#pragma once

#include <QString>

namespace platform {
class UndoManager;
}

// Ends the open undo group and names its action after how many objects it changed: the singular name
// for one, the plural name for any other number but none. A group that changed nothing keeps no name,
// and the warning says which action it was meant to be.
void endUndoGroupingWithChangeCount(platform::UndoManager& undoManager, qsizetype changeCount,
                                    const QString& singularActionName, const QString& pluralActionName);
