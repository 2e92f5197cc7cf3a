#pragma once

#include <QMetaType>

namespace platform {

// True for every integer type a QVariant may carry (char and short included, bool not).
bool isIntegralType(int typeId);

}  // namespace platform
