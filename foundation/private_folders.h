#pragma once

#include "platform/base/error.h"

#include <QString>

#include <sys/types.h>

// The creation mask the program runs with: whatever it makes is its user's alone (files 0600, folders
// 0700), so the library, its backups and the logs are never open to the other users of the machine.
constexpr mode_t TDPrivateCreationMask = 077;

// Makes an existing folder 0700 when its group or others have any permission on it; a private folder
// keeps its mode. True when the mode changed; a missing folder is left missing.
Result<bool> TDRestrictFolderToOwner(const QString& path);

// Run at every start: the application-support folder and the library package (when it exists) are
// made private again when someone loosened them, or when an earlier version left them open.
void TDMakeDataFoldersPrivate(const QString& packagePath);
