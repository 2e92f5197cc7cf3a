#pragma once

#include "platform/base/error.h"

#include <memory>

namespace platform {
class ObjectModel;
}

inline const QString TDLibraryModelVersion = QStringLiteral("Library 1.000");

// The library's object model, read once from the program's resources. Registers the model's classes
// and the value transformers its archived attributes name before the first use.
Result<std::shared_ptr<const platform::ObjectModel>> TDLibraryObjectModel();
void TDRegisterLibraryModelClasses();
