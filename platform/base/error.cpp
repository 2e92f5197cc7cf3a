#include "platform/base/error.h"

QString TDError::detailedDescription() const {
    QString text = QStringLiteral("Error Domain=%1 Code=%2 \"%3\"").arg(domain).arg(code).arg(description);
    if (!recoverySuggestion.isEmpty()) text += QStringLiteral(" (%1)").arg(recoverySuggestion);
    return text;
}
