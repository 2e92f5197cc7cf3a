#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QIODevice>
#include <QVariant>

namespace platform {

// Writes the QVariant form of property_list.h as an XML property list, with no limit on the range of
// dates (years 1 to 9999, whole seconds). Refuses what XML cannot hold (text with control characters
// other than tab and line ends) and values of other types; on an error the device may hold a part.
Status writeXmlPropertyList(const QVariant& value, QIODevice& device);
Result<QByteArray> writeXmlPropertyList(const QVariant& value);

}  // namespace platform
