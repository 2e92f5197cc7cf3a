#include "platform/files/file_error.h"

#include <cstring>

namespace platform {

TDError posixError(int code, const QString& description) {
    TDError error;
    error.domain = TDPosixErrorDomain;
    error.code = code;
    error.description =
        description + QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(code)) + QLatin1Char(')');
    return error;
}

}  // namespace platform
