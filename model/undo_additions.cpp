#include "model/undo_additions.h"

#include "platform/base/log.h"
#include "platform/undo/undo_manager.h"

void endUndoGroupingWithChangeCount(platform::UndoManager& undoManager, qsizetype changeCount,
                                    const QString& singularActionName, const QString& pluralActionName) {
    if (changeCount == 1)
        undoManager.setActionName(singularActionName);
    else if (changeCount != 0)
        undoManager.setActionName(pluralActionName);
    else
        logWithLevel(TDLogWarning, "WARNING",
                     "Number of changed objects is 0 when ending undo group for action \"%@\".",
                     singularActionName);
    undoManager.endUndoGrouping();
}
