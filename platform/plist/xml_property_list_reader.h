#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QVariant>

namespace platform {

// Reads an XML property list (a "plist" element holding one value) into the QVariant form of
// property_list.h. Unknown elements, stray text, bad numbers, dates or Base64, a key without a value
// and nesting beyond the limit are errors.
Result<QVariant> readXmlPropertyList(const QByteArray& data);

}  // namespace platform
