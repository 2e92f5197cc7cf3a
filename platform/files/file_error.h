#pragma once

#include "platform/base/error.h"

#include <QString>

namespace platform {

// Errors of the file system calls: the code is the call's errno.
inline const QString TDPosixErrorDomain = QStringLiteral("TDPosixErrorDomain");

// Errors that Qt's file devices report: the code is a QFileDevice::FileError.
inline const QString TDFileErrorDomain = QStringLiteral("TDFileErrorDomain");

// An error of TDPosixErrorDomain whose description ends with the system's text for the code.
TDError posixError(int code, const QString& description);

}  // namespace platform
