#include "platform/calendarstore/calendar_task.h"

#include <QDateTime>

#include <cstddef>
#include <cstdint>

// Any bytes as a task file found in a calendar folder: read, and when readable, rewritten with every
// exchanged field changed and read back.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Result<platform::CalendarTask> task = platform::CalendarTask::fromICalendarData(bytes);
    if (!task) return 0;
    const QDateTime now(QDate(2026, 12, 9), QTime(12, 0), Qt::UTC);
    task->setTitle(QStringLiteral("Fuzzed"));
    task->setNotes(task->notes().isEmpty() ? QStringLiteral("Line\nand, more; text") : QString());
    task->setPriority((task->priority() + 1) % 10);
    task->setCompletedDate(task->completedDate().isValid() ? QDateTime() : now);
    task->setDueDate(task->dueDate().isValid() ? QDateTime() : now.addDays(1));
    const Result<QByteArray> written = task->toICalendarData(bytes, now);
    if (written) (void)platform::CalendarTask::fromICalendarData(*written);
    return 0;
}
