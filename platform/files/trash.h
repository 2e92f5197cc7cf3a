#pragma once

#include "platform/base/error.h"

#include <QString>

namespace platform {

// Moves a file or folder to the user's Trash (the freedesktop.org Trash of its volume) and answers
// where it went. An error when nothing is at the path or the move fails; the item is then untouched.
Result<QString> trashItem(const QString& path);

}  // namespace platform
