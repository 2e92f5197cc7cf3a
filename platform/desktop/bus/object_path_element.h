#pragma once

#include <QString>

#include <optional>

namespace platform {

// A name (a UID) as one element of a D-Bus object path, which allows only ASCII letters, digits and
// "_": letters and digits stand as they are, every other UTF-8 byte (an "_" too) becomes "_" and two
// lower-case hex digits. An empty name is the element "_".
QString objectPathElement(const QString& name);
// The name back; nothing when the element is not one objectPathElement makes.
std::optional<QString> nameFromObjectPathElement(const QString& element);

}  // namespace platform
