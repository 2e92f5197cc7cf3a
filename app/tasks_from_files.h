#pragma once

#include <QList>
#include <QStringList>

class TDLibrary;
class TDTask;

// Tasks made from files opened from outside, mail messages among them. Each task that no list takes
// goes to the top of the Inbox in turn, so several stand in reverse order, as when opened one by one.
// A file that gives no task is logged and skipped.
QList<TDTask*> TDCreateTasksFromFiles(TDLibrary& library, const QStringList& paths);
