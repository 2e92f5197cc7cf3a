#pragma once

#include "platform/base/error.h"
#include "platform/calendarstore/calendar.h"
#include "platform/calendarstore/calendar_task.h"
#include "platform/files/atomic_save.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QFileSystemWatcher;
class QTimer;

namespace platform {

// Calendars with tasks, kept as a folder of calendar folders that hold one iCalendar file per task
// ("<uid>.ics"), the layout other programs on the desktop share. Every write goes to a temporary file
// that is synced and renamed over the old one. A file that cannot be read as one task (malformed,
// oversized, or holding something else) is skipped with a warning and never touched.
// Used from the thread that owns it; the values it answers may go anywhere.
class CalendarStore final : public QObject {
    Q_OBJECT
public:
    explicit CalendarStore(const QString& rootPath, QObject* parent = nullptr);
    ~CalendarStore() override;

    // The program's store, at chosenRootPath(). Tests may install their own (not owned; nullptr restores).
    static CalendarStore& defaultStore();
    static void setDefaultStore(CalendarStore* store);
    // "Ordello/Calendars" in the user's data folder (~/.local/share).
    static QString defaultRootPath();
    // The folder the user default "calendarStoreRootPath" names, or defaultRootPath() when it is empty.
    static QString chosenRootPath();

    // The folder holding the calendars: what a backup of the calendar data copies.
    QString rootPath() const;
    // Another folder: what the store saw of the old one is forgotten, and watching moves along.
    void setRootPath(const QString& rootPath);

    // Every calendar, in the order of their uids.
    QList<Calendar> calendars() const;
    std::optional<Calendar> calendarWithUid(const QString& uid) const;
    // A new, empty calendar; an empty colour writes none.
    Result<Calendar> createCalendar(const QString& title, const QString& color = {});

    // The readable tasks of a calendar; an error when its folder cannot be listed. The paths of task
    // files that could not be read (perhaps half written by another program) go to `skippedFiles`.
    Result<QList<CalendarTask>> tasksInCalendar(const Calendar& calendar,
                                                QStringList* skippedFiles = nullptr);
    // The task with the uid in any calendar (the first in calendar order), or none.
    std::optional<CalendarTask> taskWithUid(const QString& uid);
    // Writes the task into its calendar: a new task gets a uid and a file; a known one has its file
    // rewritten with the fields that changed. On success `task` is what was written, with its new date
    // stamp; on failure it is left as it was. With ContentsOnly the calendar's folder is not synced:
    // many writes into one calendar are followed by one syncCalendarFolder.
    Status saveTask(CalendarTask& task, WriteDurability durability = WriteDurability::Full);
    Status removeTask(const CalendarTask& task);
    // Flushes the names of the calendar's task files to the disk.
    Status syncCalendarFolder(const QString& calendarUid) const;

    // Another store over the same folder (on another thread) wrote these tasks and removed the files at
    // these paths: they are this store's own changes too, never announced as other programs' changes.
    void takeNoteOfWrites(const QList<CalendarTask>& written, const QStringList& removedPaths);

    // Compares the folder with what the store last saw and announces what other programs changed. The
    // first call only takes note. Runs by itself, shortly after the folder changes, while watching.
    void checkForExternalChanges();
    void setWatchingForChanges(bool watching);
    // While another store writes into the folder the checks wait: each would look at every file of the
    // folder on this thread, and all they could tell is that the writer is busy. Nested holds count;
    // the last release makes the check that waited.
    void holdChecks();
    void releaseChecks();

Q_SIGNALS:
    // Uids of tasks that other programs added, changed or removed; never all empty.
    void tasksChangedExternally(const QStringList& inserted, const QStringList& updated,
                                const QStringList& deleted);
    // Other programs added or removed a calendar or changed its title or colour.
    void calendarsChangedExternally();

private:
    // What a file looked like when last seen: any rewrite changes one of these.
    struct FileState {
        quint64 inode = 0;
        qint64 size = -1;
        qint64 modifiedNanoseconds = 0;
        qint64 changedNanoseconds = 0;  // also moves when a file is renamed into place
        bool operator==(const FileState& other) const = default;
    };
    struct SeenTask {
        FileState state;
        QString uid;  // empty while the file cannot be read
    };

    QString p_calendarFolder(const QString& calendarUid) const;
    Calendar p_calendarAt(const QString& folderName) const;
    static std::optional<FileState> p_fileState(const QString& path);
    static void p_advanceDateStamp(CalendarTask& task, const QString& path);
    std::optional<CalendarTask> p_readTaskFile(const QString& path, const QString& calendarUid);
    std::optional<CalendarTask> p_taskAt(const QString& path, const QString& uid);
    std::optional<CalendarTask> p_findTask(const QString& uid);
    QString p_newFilePath(const QString& folder, const QString& uid) const;
    void p_noteOwnWrite(const QString& path, const QString& uid);
    void p_noteOwnRemoval(const QString& path);
    void p_noteOwnCalendarChange();
    QHash<QString, SeenTask> p_scanTasks();
    QHash<QString, FileState> p_scanCalendars() const;
    void p_updateWatchedFolders();

    QString m_rootPath;
    QHash<QString, QString> m_pathsByUid;     // where each uid was last found; checked before use
    QHash<QString, FileState> m_warnedFiles;  // files already warned about, as they were then
    bool m_hasSnapshot = false;
    QHash<QString, SeenTask> m_seenTasks;       // path -> state
    QHash<QString, FileState> m_seenCalendars;  // calendar folder and metadata files -> state
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_checkTimer = nullptr;
    int m_checkHolds = 0;
    bool m_checkWaiting = false;
};

}  // namespace platform
