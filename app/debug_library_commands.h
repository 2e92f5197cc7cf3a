#pragma once

#include "platform/base/error.h"

#include <QString>

class TDGroup;
class TDLibrary;

// The Debug menu's commands on the open library, apart from the window so that tests need none.

// Retrains the library's tag classifier from every task as it stands now, pending changes included,
// and saves it. An error when there is no classifier or it cannot be saved.
Status TDRetrainTaskClassifier(TDLibrary* library);

// Makes the next copy of every open task that repeats on a schedule (not after completion), due or
// not, and catches up the missed ones. Copies made on one machine are made alike on every other, so
// the sync service never hears of them. Answers how many tasks were copied.
qsizetype TDMakeRecurringTasks(TDLibrary* library);

// Reads a group's copy form (a property list, as the Export Group command writes it) and adds it as a
// new group at the end of the Folders group: a folder with its lists and their tasks (a form without
// a type is taken for one), a list, or a smart folder. A file that is not such a form changes nothing
// and answers why.
Result<TDGroup*> TDImportGroupFromPropertyList(TDLibrary* library, const QString& path);
