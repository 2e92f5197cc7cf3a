#pragma once

#include "platform/objectstore/object_id.h"

#include <QList>
#include <QString>
#include <QStringList>

class TDLibrary;
class TDLibraryObject;

// One row of the skipped-objects window: an object too large to sync, and what it shows of it.
struct TDSkippedObjectRow {
    platform::ObjectID objectID;
    QString content;
};

// The objects the library still holds, in the given order (URI forms of their IDs): groups and tasks
// show their title, task notes their text; anything else is logged and left out.
QList<TDSkippedObjectRow> TDSkippedObjectRows(TDLibrary* library, const QStringList& objectURIs);
// What revealing the object shows: the group or task itself, the task of task notes; null for anything
// else (logged) or an object that is gone.
TDLibraryObject* TDSkippedObjectToReveal(TDLibrary* library, const platform::ObjectID& objectID);
