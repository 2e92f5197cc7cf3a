#include "app/tasks_from_files.h"

#include "model/group.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/base/log.h"

QList<TDTask*> TDCreateTasksFromFiles(TDLibrary& library, const QStringList& paths) {
    QList<TDTask*> tasks;
    for (const QString& path : paths) {
        TDTask* task = library.createTaskFromFilepath(path);
        if (!task) {
            logWithLevel(TDLogWarning, "WARNING", "Could not make a task from the file '%@'", path);
            continue;
        }
        if (!task->parentList())
            if (TDGroup* inbox = library.inboxGroup()) (void)inbox->orderedTasks()->insertObject(task, 0);
        tasks.append(task);
    }
    return tasks;
}
