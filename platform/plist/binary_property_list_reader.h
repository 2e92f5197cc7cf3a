#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QVariant>

namespace platform {

// Reads a binary property list ("bplist00") into the QVariant form of property_list.h. Every offset,
// length and reference is checked against the data; nesting is limited and references that would
// expand shared containers beyond the size of the data are refused, so hostile input is an error.
Result<QVariant> readBinaryPropertyList(const QByteArray& data);

}  // namespace platform
