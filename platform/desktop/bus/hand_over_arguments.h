#pragma once

#include <QDir>
#include <QStringList>

namespace platform {

// The files and links a process was started with, as the running instance needs them: each file an
// absolute path (a relative one taken from `folder`, a "file:" link turned into its path), each other
// link as it was given. A name that exists as a file in `folder` is a file even when it looks like a link.
QStringList handOverArguments(const QStringList& arguments, const QDir& folder);

}  // namespace platform
