#pragma once

#include "platform/base/error.h"
#include "taskviews/dragged_groups.h"

#include <QList>
#include <QStringList>
#include <Qt>

class QMimeData;
class TDGroup;
class TDLibrary;
class TDTask;

// In TDErrorDomain: a dragged list of task IDs that is not one, or that names tasks of another library.
inline constexpr int TDErrorTaskIDsUnreadable = 810;
inline constexpr int TDErrorTaskIDsOfAnotherLibrary = 811;

// What a drop would do. Generic: tasks are made from links or text.
enum class TDDragOperation { None, Copy, Link, Generic, Move };
// The drag-and-drop action that shows the operation (a generic one copies).
Qt::DropAction TDDropActionForOperation(TDDragOperation operation);

// The kinds of dragged data the source list and the group tabs take, in their order of preference.
// Dragged groups are read and written by dragged_groups.h.
enum class TDDroppedData { None, GroupUIDs, TaskIDs, TaskPlist, Files, Links, Text };

// The MIME types the source list takes, in the order of preference.
QStringList TDSourceListDragTypes();
// The first kind the data offers. Task IDs count only when the drag may move (otherwise its tasks are
// copied through their property lists); group UIDs only when `groupsAccepted`.
TDDroppedData TDDroppedDataOf(const QMimeData* data, bool allowsMove, bool groupsAccepted);

// The tasks that a drag names by object ID (TDPasteboardTypes::TaskMOIDs), in the drag's order. A task
// deleted since the drag began is skipped; data that is no array of IDs, or any ID of another library's
// store, refuses the whole list.
Result<QList<TDTask*>> TDTasksFromDraggedIDs(const QMimeData* data, TDLibrary& library);

// What dropping tasks, or data that becomes tasks, onto the group does. Dragged task IDs move, unless one of
// them is in the group already; with `retagging`, a tag takes tasks it already carries (a no-op kept as a
// move).
TDDragOperation TDTaskDropOperation(const QMimeData* data, TDDroppedData kind, TDGroup& group,
                                    TDLibrary& library, bool retagging);

// Puts the tasks at the top of the group in their order: a list takes them, a tag tags them, Today gives
// them a start date. With `inboxForListless`, a task that is then in no list goes to the top of the Inbox.
void TDPlaceDroppedTasks(TDGroup& group, const QList<TDTask*>& tasks, bool inboxForListless);
