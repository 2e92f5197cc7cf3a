#pragma once

#include <QtGlobal>

namespace platform {

// The X keysym of a Qt::Key (letters as their lower-case keysym, other characters by code point), or 0
// for a key without one.
quint32 TDKeysymForQtKey(qint64 key);

}  // namespace platform
