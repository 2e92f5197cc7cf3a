#pragma once

#include "platform/base/error.h"

#include <QString>

// The error every failed recurrence check reports: code 401, the message as its description.
inline TDError TDRecurrenceValidationError(const QString& message) {
    return TDError::make(TDErrorRecurrenceRuleInvalid, message);
}
