#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QString>

// The library as a support request sends it: "library.tgz", a gzip-compressed tar archive (made by the
// `tar` found on PATH) of a consistent copy of the package made in `temporaryFolder`, never of the open
// package itself: its store copied through SQLite beside its other files, or, when `anonymize`, the
// anonymised copy ("Library Anonymized <time>.odllibrary"). The copy and the archive are removed after.
// Runs for a while: never on the main thread.
Result<QByteArray> TDPackSupportLibrary(const QString& libraryPath, bool anonymize,
                                        const QString& temporaryFolder);
