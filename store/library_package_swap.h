#pragma once

#include "platform/base/error.h"

#include <QString>

// A library package rebuilt beside the open one (a restore, a full sync) takes its place in one step: the
// new package is built under a hidden name next to the old one (same volume, so the move is a rename), then
// the old one goes aside and into the Trash last. A crash at any point leaves either package under the
// library's name, or the old one aside, which TDRecoverFromInterruptedRestore puts back.

// A fresh hidden folder name beside the package for the new one; nothing exists there yet.
QString TDReplacementPackagePath(const QString& packagePath);

// Moves the package at `temporaryPath` to `packagePath`. The old package ends in the Trash (or, when the
// Trash refuses it, beside the new one). On failure the old package is back in place, the new one removed,
// and error 206 is returned.
Status TDSwapPackageIntoPlace(const QString& temporaryPath, const QString& packagePath);

// Cleans up after a replacement that a crash or a kill interrupted; call it before the package opens. If
// the package is missing and the old one is still under its "before restore" name, the old one is put
// back. Any other leftover (a half-built new package, an old one not yet moved away) goes to the Trash,
// so nothing is lost.
void TDRecoverFromInterruptedRestore(const QString& packagePath);
