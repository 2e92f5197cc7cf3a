#pragma once

#include <QString>

namespace platform {

// Strips combining marks after canonical decomposition, so that "é" reads as "e". Text without
// any character that decomposes is answered as it stands, without a copy.
QString removingDiacritics(const QString& text);

}  // namespace platform
