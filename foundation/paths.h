#pragma once

#include "platform/base/error.h"

#include <QString>

// The program's name: the application name when set, else the executable's file name.
QString applicationName();

// The application-support folder (~/.local/share/Ordello), created on demand with mode 0700 so the
// library and logs stay private.
QString applicationSupportPath();
// Where the default library lives during a test run.
QString unitTestApplicationSupportPath();
// True in test runs (ORDELLO_TESTING=1, set by the test main).
bool isRunningUnitTests();
// True when the program runs confined to its own data folder (a Flatpak sandbox, whose data folder lies
// under ~/.var/app/).
bool isSandboxed();

// The program's own private folder for temporary items, created with mode 0700 when missing:
// "com.vantorel.Ordello" in $XDG_RUNTIME_DIR when that is set, else "com.vantorel.Ordello-<user id>" in
// the system temporary folder. An error when it cannot be made, or when what stands there is a symbolic
// link, not a folder, another user's, or open to other users.
Result<QString> temporaryDirectoryPath();
// A private temporary folder on the same volume as `folder`, so that an item built there can replace
// one in `folder` by a rename or an exchange instead of a copy. Empty when `folder` is not an existing
// folder, or when no private temporary folder can be had at all (logged); temporaryDirectoryPath() when
// no folder on that volume can be made.
QString temporaryDirectoryForAtomicWriteToDirectory(const QString& folder);
