#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QMimeData;
class TDGroup;
class TDLibrary;
class TDTask;
namespace platform {
class ManagedObjectContext;
}

// The clipboard and drag forms of tasks. Tasks go out as an ID list (a move inside this library), as
// copy forms (a copy, also into another library), and as rich text, HTML and plain text for other
// programs; they come back in the first of the accepted types that the data offers.
namespace TDTaskPasteboard {

// The data types the task outline accepts, in order of preference: the task IDs, the task copy forms,
// group uids, links and files ("text/uri-list") and text.
const QStringList& dragTypes();
// The first accepted type the data offers; empty when none. `copy` leaves the ID list out: a copy
// never moves the copied tasks.
QString firstAcceptedType(const QMimeData& data, bool copy);

// The mark before a title in text: "✓" completed, "×" canceled, "•" anything else.
QString mark(const TDTask* task);

// The tasks in every written form: the IDs of all of them in order, the copy forms of those that are
// not below an earlier one (a subtree is written once, through its root), RTF, HTML and plain text.
std::unique_ptr<QMimeData> mimeDataForTasks(const QList<TDTask*>& tasks, bool includeNotes);
QByteArray taskIDList(const QList<TDTask*>& tasks);
QByteArray taskPropertyLists(const QList<TDTask*>& tasks);
QByteArray richText(const QList<TDTask*>& tasks, bool includeNotes);
QString html(const QList<TDTask*>& tasks, bool includeNotes);
QString plainText(const QList<TDTask*>& tasks, bool includeNotes);

// What an ID list names in the context's store.
struct TaskIDs {
    enum class Outcome { Tasks, Unreadable, OtherLibrary };
    Outcome outcome = Outcome::Unreadable;
    // The tasks found, in order; IDs that no longer name a task here are left out.
    QList<TDTask*> tasks;
};
// An ID list that holds even one ID of another store is refused whole: those tasks are not here to move.
TaskIDs tasksForIDList(const QByteArray& data, platform::ManagedObjectContext& context);

// The groups of a group-uid list that exist in the library, in order; unknown uids are left out.
QList<TDGroup*> groupsForUIDList(const QByteArray& data, TDLibrary& library);

}  // namespace TDTaskPasteboard
