#pragma once

#include "platform/base/error.h"

#include <QStringList>

class ODLCorvaneChangeSet;
class TDLibrary;

// Checks a whole download against the library before anything of it is applied, so that a bad one
// changes nothing: each record is a deletion or has contents whose values have the types of the
// entity's properties; once applied, no group and no task would be its own ancestor; no special group
// would be deleted or moved. Error 600 naming the first problem.
// The entities of groups that travel, in the order the download is checked and merged.
const QStringList& TDCorvaneGroupEntityNames();

Status TDCheckCorvaneDownload(const ODLCorvaneChangeSet& changes, TDLibrary* library);
