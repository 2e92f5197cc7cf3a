#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QVariant>

namespace platform {

// Writes the QVariant form of property_list.h as a binary property list ("bplist00"). Dates keep their
// milliseconds and any year from 1 to 9999; equal strings, numbers, dates and data are stored once.
// Values of other types, and nesting deeper than kPropertyListMaxDepth, are an error.
Result<QByteArray> writeBinaryPropertyList(const QVariant& value);

}  // namespace platform
