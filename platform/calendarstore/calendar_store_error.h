#pragma once

#include "platform/base/error.h"

#include <QString>

namespace platform {

// Errors of the calendar store carry their own domain, so they never collide with the library's codes.
inline const QString CalendarStoreErrorDomain = QStringLiteral("OrdelloCalendarStoreErrorDomain");

enum CalendarStoreErrorCode : int {
    CalendarStoreErrorUnreadableFile = 1,  // malformed, oversized, not UTF-8 or not iCalendar
    CalendarStoreErrorForeignFile = 2,     // iCalendar, but not one task
    CalendarStoreErrorNoSuchCalendar = 3,
    CalendarStoreErrorNoSuchTask = 4,
    CalendarStoreErrorWriteFailed = 5,
    CalendarStoreErrorRemoveFailed = 6,
    CalendarStoreErrorFolderUnreadable = 7,
};

inline TDError calendarStoreError(int code, const QString& description) {
    TDError error = TDError::make(code, description);
    error.domain = CalendarStoreErrorDomain;
    return error;
}

}  // namespace platform
