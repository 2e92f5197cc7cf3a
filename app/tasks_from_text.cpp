#include "app/tasks_from_text.h"

#include "language/localized_string.h"
#include "model/group.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/undo/undo_manager.h"

#include <QMimeData>

Result<QStringList> TDCreateTasksFromText(TDLibrary& library, const QString& text) {
    platform::UndoManager* undo = library.undoManager();
    if (undo) undo->beginUndoGrouping();
    QMimeData data;
    data.setText(text);
    const QList<TDTask*> tasks = library.createTasksFromMimeData(&data);
    QStringList uids;
    TDGroup* inbox = library.inboxGroup();
    for (TDTask* task : tasks) {
        if (!task->parentList() && !task->parentTask() && inbox) {
            if (const Status placed = inbox->orderedTasks()->insertObject(task, 0); !placed.ok())
                logWithLevel(TDLogWarning, "WARNING", "Could not put the task in the Inbox: %@",
                             placed.error().description);
        }
        uids.append(task->uid());
    }
    if (undo) {
        undo->endUndoGrouping();
        if (!uids.isEmpty()) undo->setActionName(TDLocalizedString("Create Task"));
    }
    if (uids.isEmpty())
        return TDError::make(TDErrorNoTaskFromText,
                             TDLocalizedString("Could not create task from selection"));
    return uids;
}
