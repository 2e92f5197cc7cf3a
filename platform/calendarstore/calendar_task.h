#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace platform {

class CalendarStore;

// One task of a calendar: a VTODO kept in its own iCalendar file. A plain value that may cross threads;
// it changes nothing on disk until the store saves it. It remembers the file it was read from, so that a
// save rewrites that file and keeps whatever other programs wrote into it.
class CalendarTask final {
public:
    // A new task; it gets its uid when the store first saves it.
    CalendarTask() = default;

    QString uid() const { return m_uid; }
    QString calendarUid() const { return m_calendarUid; }
    void setCalendarUid(const QString& uid) { m_calendarUid = uid; }

    QString title() const { return m_title; }  // SUMMARY
    void setTitle(const QString& title) { m_title = title; }
    QString notes() const { return m_notes; }  // DESCRIPTION
    void setNotes(const QString& notes) { m_notes = notes; }
    // 0 none, 1 highest to 9 lowest: the task model's scale and iCalendar's are the same integers.
    int priority() const { return m_priority; }
    void setPriority(int priority) { m_priority = priority; }
    // Invalid when open.
    QDateTime completedDate() const { return m_completedDate; }
    void setCompletedDate(const QDateTime& date) { m_completedDate = date; }
    // Invalid when none. An all-day due date reads as the start of its day in local time, and a due date
    // at the start of a local day is written as an all-day date.
    QDateTime dueDate() const { return m_dueDate; }
    void setDueDate(const QDateTime& date) { m_dueDate = date; }
    // When the task last changed: the later of LAST-MODIFIED (else DTSTAMP) and, for a task read from
    // or saved to a file, the file's modification time, so that every change advances it.
    QDateTime dateStamp() const { return m_dateStamp; }

    // The path of the file it was read from or saved to; empty for a new task.
    QString filePath() const { return m_filePath; }

    // Task files larger than this are not read: a task with notes is a few kilobytes.
    static constexpr qint64 maximumFileSize = 2 * 1024 * 1024;

    // Reads the task of one iCalendar file: exactly one VTODO (recurrence overrides of it aside) with a
    // UID, no parse errors, no other items.
    static Result<CalendarTask> fromICalendarData(const QByteArray& data);
    // The file's new content: `base` (the task's file as it stands; empty for a new task) with the fields
    // that differ from it rewritten and everything else kept, stamped as changed at `now`. The task needs
    // a uid, and `base` must hold the task with that uid.
    Result<QByteArray> toICalendarData(const QByteArray& base, const QDateTime& now) const;

private:
    friend class CalendarStore;

    QString m_uid;
    QString m_calendarUid;
    QString m_title;
    QString m_notes;
    int m_priority = 0;
    QDateTime m_completedDate;
    QDateTime m_dueDate;
    QDateTime m_dateStamp;
    QString m_filePath;
    QByteArray m_source;  // the file's content when read or last saved
};

}  // namespace platform
