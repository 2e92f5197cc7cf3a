#pragma once

#include <QString>

// Data types Ordello puts on the clipboard and in drags. Each is a property list (XML written, binary read
// too).
namespace TDPasteboardTypes {
// An array of task object-ID URIs ("x-ordello://<store UUID>/Task/p<row>"): a move inside one library. IDs of
// another store, or that no longer resolve, are not taken.
inline const QString TaskMOIDs = QStringLiteral("application/x-ordello-task-ids");
// An array of task dictionaries in the copy form: a copy, also between libraries.
inline const QString TaskPlist = QStringLiteral("application/x-ordello-task-plist");
// An array of group uid strings, written when groups are dragged in the source list.
inline const QString GroupUIDs = QStringLiteral("application/x-ordello-group-uids");
}  // namespace TDPasteboardTypes
