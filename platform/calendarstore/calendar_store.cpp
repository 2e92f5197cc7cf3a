#include "platform/calendarstore/calendar_store.h"

#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/calendarstore/calendar_store_error.h"
#include "platform/defaults/user_defaults.h"
#include "platform/files/atomic_save.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QStandardPaths>
#include <QTimer>
#include <QUuid>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace platform {

namespace {

CalendarStore* g_installed = nullptr;

const QString kDisplayNameFile = QStringLiteral("displayname");
const QString kColorFile = QStringLiteral("color");
constexpr qint64 kMaximumMetadataSize = 4096;
// Bursts of changes by other programs (a sync tool writing many files) become one announcement.
constexpr int kCheckDelayMilliseconds = 250;

QString newUid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

// Names other programs may give: anything but hidden files and paths.
bool isPlainName(const QString& name) {
    return !name.isEmpty() && !name.startsWith(QLatin1Char('.')) && !name.contains(QLatin1Char('/'));
}

// Uids that can name their own file without escaping.
bool isFileNameSafe(const QString& uid) {
    if (!isPlainName(uid) || uid.size() > 200) return false;
    return std::all_of(uid.cbegin(), uid.cend(), [](QChar c) {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
               (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
               (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || QStringLiteral("-_.@+=").contains(c);
    });
}

bool isValidColor(const QString& color) {
    if (!color.startsWith(QLatin1Char('#')) || (color.size() != 7 && color.size() != 9)) return false;
    return std::all_of(color.cbegin() + 1, color.cend(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
               (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
               (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
    });
}

QString readMetadata(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaximumMetadataSize) return {};
    return QString::fromUtf8(file.read(kMaximumMetadataSize)).trimmed();
}

Status writeAtomically(const QString& path, const QByteArray& data,
                       WriteDurability durability = WriteDurability::Full) {
    const Status written = writeFileAtomically(path, data, durability);
    if (!written.ok()) {
        return calendarStoreError(
            CalendarStoreErrorWriteFailed,
            QStringLiteral("Could not write \"%1\": %2").arg(path, written.error().description));
    }
    return {};
}

}  // namespace

CalendarStore::CalendarStore(const QString& rootPath, QObject* parent)
    : QObject(parent), m_rootPath(rootPath) {
}

CalendarStore::~CalendarStore() = default;

CalendarStore& CalendarStore::defaultStore() {
    if (g_installed) return *g_installed;
    static CalendarStore* shared = new CalendarStore(chosenRootPath());
    return *shared;
}

void CalendarStore::setDefaultStore(CalendarStore* store) {
    g_installed = store;
}

QString CalendarStore::defaultRootPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Ordello/Calendars");
}

QString CalendarStore::chosenRootPath() {
    const QString chosen = UserDefaults::standard().string(QStringLiteral("calendarStoreRootPath")).trimmed();
    return chosen.isEmpty() ? defaultRootPath() : chosen;
}

QString CalendarStore::rootPath() const {
    return m_rootPath;
}

void CalendarStore::setRootPath(const QString& rootPath) {
    if (rootPath == m_rootPath) return;
    const bool watching = m_watcher != nullptr;
    setWatchingForChanges(false);
    m_rootPath = rootPath;
    m_pathsByUid.clear();
    m_warnedFiles.clear();
    m_hasSnapshot = false;
    m_seenTasks.clear();
    m_seenCalendars.clear();
    setWatchingForChanges(watching);
}

QString CalendarStore::p_calendarFolder(const QString& calendarUid) const {
    if (!isPlainName(calendarUid)) return {};
    const QString folder = m_rootPath + QLatin1Char('/') + calendarUid;
    return QFileInfo(folder).isDir() ? folder : QString();
}

Calendar CalendarStore::p_calendarAt(const QString& folderName) const {
    const QString folder = m_rootPath + QLatin1Char('/') + folderName;
    QString title = readMetadata(folder + QLatin1Char('/') + kDisplayNameFile);
    if (title.isEmpty()) title = folderName;
    QString color = readMetadata(folder + QLatin1Char('/') + kColorFile);
    if (!isValidColor(color)) color.clear();
    return Calendar(folderName, title, color, QFileInfo(folder).isWritable());
}

QList<Calendar> CalendarStore::calendars() const {
    QList<Calendar> result;
    const QStringList names = QDir(m_rootPath).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) result.append(p_calendarAt(name));
    return result;
}

std::optional<Calendar> CalendarStore::calendarWithUid(const QString& uid) const {
    if (p_calendarFolder(uid).isEmpty()) return std::nullopt;
    return p_calendarAt(uid);
}

Result<Calendar> CalendarStore::createCalendar(const QString& title, const QString& color) {
    if (!color.isEmpty() && !isValidColor(color)) {
        return calendarStoreError(CalendarStoreErrorWriteFailed,
                                  QStringLiteral("\"%1\" is not a calendar colour.").arg(color));
    }
    const QString uid = newUid();
    const QString folder = m_rootPath + QLatin1Char('/') + uid;
    if (!QDir().mkpath(folder)) {
        return calendarStoreError(CalendarStoreErrorWriteFailed,
                                  QStringLiteral("Could not make the calendar folder \"%1\".").arg(folder));
    }
    syncFolderLogged(m_rootPath);
    if (!title.isEmpty()) {
        const Status status = writeAtomically(folder + QLatin1Char('/') + kDisplayNameFile, title.toUtf8());
        if (!status) return status.error();
    }
    if (!color.isEmpty()) {
        const Status status = writeAtomically(folder + QLatin1Char('/') + kColorFile, color.toUtf8());
        if (!status) return status.error();
    }
    p_noteOwnCalendarChange();
    return p_calendarAt(uid);
}

std::optional<CalendarTask> CalendarStore::p_readTaskFile(const QString& path, const QString& calendarUid) {
    const auto warn = [&](const QString& reason) {
        // Once per version of the file, not on every pass.
        const std::optional<FileState> state = p_fileState(path);
        if (state && m_warnedFiles.value(path) == *state && m_warnedFiles.contains(path)) return;
        if (state) m_warnedFiles.insert(path, *state);
        logWithLevel(TDLogWarning, "WARNING", "Skipped the calendar task file \"%@\": %@", path, reason);
    };
    QFile file(path);
    if (!QFileInfo(path).isFile()) return std::nullopt;  // not a regular file: never open a pipe
    if (file.size() > CalendarTask::maximumFileSize) {
        warn(QStringLiteral("The file is larger than %1 bytes.").arg(CalendarTask::maximumFileSize));
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        warn(file.errorString());
        return std::nullopt;
    }
    // One byte past the limit, in case the file grew since it was measured.
    Result<CalendarTask> task = CalendarTask::fromICalendarData(file.read(CalendarTask::maximumFileSize + 1));
    if (!task) {
        warn(task.error().description);
        return std::nullopt;
    }
    m_warnedFiles.remove(path);
    p_advanceDateStamp(*task, path);
    task->m_calendarUid = calendarUid;
    task->m_filePath = path;
    m_pathsByUid.insert(task->uid(), path);
    return std::move(task).value();
}

Result<QList<CalendarTask>> CalendarStore::tasksInCalendar(const Calendar& calendar,
                                                           QStringList* skippedFiles) {
    const QString folder = p_calendarFolder(calendar.uid());
    if (folder.isEmpty()) {
        return calendarStoreError(
            CalendarStoreErrorNoSuchCalendar,
            QStringLiteral("The calendar \"%1\" does not exist.").arg(calendar.title()));
    }
    const QDir dir(folder);
    if (!dir.isReadable()) {
        return calendarStoreError(CalendarStoreErrorFolderUnreadable,
                                  QStringLiteral("The calendar folder \"%1\" cannot be read.").arg(folder));
    }
    QList<CalendarTask> tasks;
    const QStringList names = dir.entryList({QStringLiteral("*.ics")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        if (std::optional<CalendarTask> task = p_readTaskFile(dir.filePath(name), calendar.uid()))
            tasks.append(std::move(*task));
        else if (skippedFiles)
            skippedFiles->append(dir.filePath(name));
    }
    return tasks;
}

// The task in the file at the path, when it is the one with the uid.
std::optional<CalendarTask> CalendarStore::p_taskAt(const QString& path, const QString& uid) {
    if (path.isEmpty() || !QFileInfo::exists(path)) return std::nullopt;
    const QString calendarUid = QFileInfo(path).dir().dirName();
    std::optional<CalendarTask> task = p_readTaskFile(path, calendarUid);
    if (!task || task->uid() != uid) return std::nullopt;
    return task;
}

std::optional<CalendarTask> CalendarStore::p_findTask(const QString& uid) {
    if (uid.isEmpty()) return std::nullopt;
    if (std::optional<CalendarTask> task = p_taskAt(m_pathsByUid.value(uid), uid)) return task;
    const QList<Calendar> all = calendars();
    if (isFileNameSafe(uid)) {
        for (const Calendar& calendar : all) {
            const QString path =
                p_calendarFolder(calendar.uid()) + QLatin1Char('/') + uid + QStringLiteral(".ics");
            if (std::optional<CalendarTask> task = p_taskAt(path, uid)) return task;
        }
    }
    // Files named otherwise by other programs.
    for (const Calendar& calendar : all) {
        const Result<QList<CalendarTask>> tasks = tasksInCalendar(calendar);
        if (!tasks) continue;
        for (const CalendarTask& task : *tasks) {
            if (task.uid() == uid) return task;
        }
    }
    return std::nullopt;
}

std::optional<CalendarTask> CalendarStore::taskWithUid(const QString& uid) {
    return p_findTask(uid);
}

QString CalendarStore::p_newFilePath(const QString& folder, const QString& uid) const {
    if (isFileNameSafe(uid)) {
        const QString path = folder + QLatin1Char('/') + uid + QStringLiteral(".ics");
        if (!QFileInfo::exists(path)) return path;
    }
    return folder + QLatin1Char('/') + newUid() + QStringLiteral(".ics");
}

Status CalendarStore::saveTask(CalendarTask& task, WriteDurability durability) {
    const QString folder = p_calendarFolder(task.calendarUid());
    if (folder.isEmpty()) {
        return calendarStoreError(
            CalendarStoreErrorNoSuchCalendar,
            QStringLiteral("The calendar \"%1\" does not exist.").arg(task.calendarUid()));
    }
    CalendarTask saving = task;
    QByteArray base = task.m_source;
    QString oldPath;
    if (task.uid().isEmpty()) {
        saving.m_uid = newUid();
    } else if (std::optional<CalendarTask> onDisk = p_findTask(task.uid())) {
        // The file as it stands now, with whatever another program wrote since it was read.
        base = onDisk->m_source;
        oldPath = onDisk->m_filePath;
    } else if (QFileInfo::exists(task.filePath())) {
        return calendarStoreError(
            CalendarStoreErrorWriteFailed,
            QStringLiteral("The task file \"%1\" cannot be read now, so it is not overwritten.")
                .arg(task.filePath()));
    }
    // Otherwise the file is gone: it is written anew from what was read.

    const Result<QByteArray> data = saving.toICalendarData(base, TDClock::currentDateTime());
    if (!data) return data.error();
    Result<CalendarTask> written = CalendarTask::fromICalendarData(*data);
    if (!written) return written.error();

    const bool staysInFolder = !oldPath.isEmpty() && QFileInfo(oldPath).dir() == QDir(folder);
    const QString path = staysInFolder ? oldPath : p_newFilePath(folder, saving.m_uid);
    const Status status = writeAtomically(path, *data, durability);
    if (!status) return status;
    p_noteOwnWrite(path, saving.m_uid);
    if (!oldPath.isEmpty() && !staysInFolder) {
        // Moved to another calendar.
        if (QFile::remove(oldPath)) {
            syncFolderLogged(QFileInfo(oldPath).absolutePath());
            p_noteOwnRemoval(oldPath);
        } else {
            logWithLevel(TDLogWarning, "WARNING",
                         "Could not remove \"%@\" after moving its task to another calendar.", oldPath);
        }
    }

    p_advanceDateStamp(*written, path);
    written->m_calendarUid = task.calendarUid();
    written->m_filePath = path;
    m_pathsByUid.insert(saving.m_uid, path);
    task = std::move(written).value();
    return {};
}

Status CalendarStore::removeTask(const CalendarTask& task) {
    std::optional<CalendarTask> onDisk = p_findTask(task.uid());
    if (!onDisk) {
        return calendarStoreError(CalendarStoreErrorNoSuchTask,
                                  QStringLiteral("The calendar task \"%1\" does not exist.").arg(task.uid()));
    }
    const QString path = onDisk->filePath();
    QFile file(path);
    if (!file.remove()) {
        return calendarStoreError(
            CalendarStoreErrorRemoveFailed,
            QStringLiteral("Could not remove \"%1\": %2").arg(path, file.errorString()));
    }
    syncFolderLogged(QFileInfo(path).absolutePath());
    m_pathsByUid.remove(task.uid());
    p_noteOwnRemoval(path);
    return {};
}

Status CalendarStore::syncCalendarFolder(const QString& calendarUid) const {
    const QString folder = p_calendarFolder(calendarUid);
    if (folder.isEmpty()) {
        return calendarStoreError(CalendarStoreErrorNoSuchCalendar,
                                  QStringLiteral("The calendar \"%1\" does not exist.").arg(calendarUid));
    }
    const Status synced = syncFolder(folder);
    if (!synced.ok()) {
        return calendarStoreError(
            CalendarStoreErrorWriteFailed,
            QStringLiteral("Could not sync \"%1\": %2").arg(folder, synced.error().description));
    }
    return {};
}

void CalendarStore::takeNoteOfWrites(const QList<CalendarTask>& written, const QStringList& removedPaths) {
    // Paths by uid are checked before use, so a removed one may stay.
    for (const QString& path : removedPaths) p_noteOwnRemoval(path);
    for (const CalendarTask& task : written) {
        if (task.filePath().isEmpty()) continue;
        m_pathsByUid.insert(task.uid(), task.filePath());
        p_noteOwnWrite(task.filePath(), task.uid());
    }
}

void CalendarStore::p_advanceDateStamp(CalendarTask& task, const QString& path) {
    // Tools that leave LAST-MODIFIED alone still change the file: its time counts too.
    const std::optional<FileState> state = p_fileState(path);
    if (!state) return;
    const QDateTime modified = QDateTime::fromMSecsSinceEpoch(state->modifiedNanoseconds / 1000000, Qt::UTC);
    if (!task.m_dateStamp.isValid() || modified > task.m_dateStamp) task.m_dateStamp = modified;
}

std::optional<CalendarStore::FileState> CalendarStore::p_fileState(const QString& path) {
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return std::nullopt;
    FileState state;
    state.inode = info.st_ino;
    state.size = info.st_size;
    state.modifiedNanoseconds = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    state.changedNanoseconds = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return state;
}

void CalendarStore::p_noteOwnWrite(const QString& path, const QString& uid) {
    if (!m_hasSnapshot) return;
    if (const std::optional<FileState> state = p_fileState(path))
        m_seenTasks.insert(path, SeenTask{*state, uid});
}

void CalendarStore::p_noteOwnRemoval(const QString& path) {
    m_seenTasks.remove(path);
}

void CalendarStore::p_noteOwnCalendarChange() {
    if (m_hasSnapshot) m_seenCalendars = p_scanCalendars();
    if (m_watcher) p_updateWatchedFolders();
}

QHash<QString, CalendarStore::SeenTask> CalendarStore::p_scanTasks() {
    QHash<QString, SeenTask> seen;
    const QStringList calendarNames = QDir(m_rootPath).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& calendarUid : calendarNames) {
        const QDir dir(m_rootPath + QLatin1Char('/') + calendarUid);
        const QStringList names = dir.entryList({QStringLiteral("*.ics")}, QDir::Files);
        for (const QString& name : names) {
            const QString path = dir.filePath(name);
            const std::optional<FileState> state = p_fileState(path);
            if (!state) continue;
            const auto previous = m_seenTasks.constFind(path);
            if (previous != m_seenTasks.cend() && previous->state == *state) {
                seen.insert(path, *previous);
            } else if (std::optional<CalendarTask> task = p_readTaskFile(path, calendarUid)) {
                seen.insert(path, SeenTask{*state, task->uid()});
            } else if (previous != m_seenTasks.cend() && !previous->uid.isEmpty()) {
                // Unreadable for now (perhaps half written): counts as unchanged until it reads again, so
                // that a broken file never reads as a deleted task.
                seen.insert(path, *previous);
            } else {
                seen.insert(path, SeenTask{*state, QString()});
            }
        }
    }
    return seen;
}

QHash<QString, CalendarStore::FileState> CalendarStore::p_scanCalendars() const {
    QHash<QString, FileState> seen;
    const QStringList names = QDir(m_rootPath).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        seen.insert(name, FileState{});
        for (const QString& metadata : {kDisplayNameFile, kColorFile}) {
            const QString path = name + QLatin1Char('/') + metadata;
            if (const std::optional<FileState> state = p_fileState(m_rootPath + QLatin1Char('/') + path))
                seen.insert(path, *state);
        }
    }
    return seen;
}

void CalendarStore::checkForExternalChanges() {
    QHash<QString, SeenTask> tasksNow = p_scanTasks();
    QHash<QString, FileState> calendarsNow = p_scanCalendars();
    const bool hadSnapshot = m_hasSnapshot;
    const bool calendarsChanged = calendarsNow != m_seenCalendars;
    const QHash<QString, SeenTask> tasksBefore = std::exchange(m_seenTasks, std::move(tasksNow));
    m_seenCalendars = std::move(calendarsNow);
    m_hasSnapshot = true;
    if (m_watcher) p_updateWatchedFolders();
    if (!hadSnapshot) return;

    const auto byUid = [](const QHash<QString, SeenTask>& seen) {
        QHash<QString, FileState> result;
        for (const SeenTask& task : seen) {
            if (!task.uid.isEmpty()) result.insert(task.uid, task.state);
        }
        return result;
    };
    const QHash<QString, FileState> before = byUid(tasksBefore);
    const QHash<QString, FileState> after = byUid(m_seenTasks);
    QStringList inserted, updated, deleted;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const auto old = before.constFind(it.key());
        if (old == before.cend())
            inserted.append(it.key());
        else if (*old != it.value())
            updated.append(it.key());
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!after.contains(it.key())) deleted.append(it.key());
    }
    if (calendarsChanged) Q_EMIT calendarsChangedExternally();
    if (inserted.isEmpty() && updated.isEmpty() && deleted.isEmpty()) return;
    inserted.sort();
    updated.sort();
    deleted.sort();
    Q_EMIT tasksChangedExternally(inserted, updated, deleted);
}

void CalendarStore::setWatchingForChanges(bool watching) {
    if (watching == (m_watcher != nullptr)) return;
    if (!watching) {
        delete m_watcher;
        delete m_checkTimer;
        m_watcher = nullptr;
        m_checkTimer = nullptr;
        return;
    }
    QDir().mkpath(m_rootPath);  // a folder that does not exist cannot be watched
    m_checkTimer = new QTimer(this);
    m_checkTimer->setSingleShot(true);
    m_checkTimer->setInterval(kCheckDelayMilliseconds);
    connect(m_checkTimer, &QTimer::timeout, this, [this] {
        if (m_checkHolds > 0)
            m_checkWaiting = true;
        else
            checkForExternalChanges();
    });
    m_watcher = new QFileSystemWatcher(this);
    // Folders only: files renamed into place, added or removed show there. A file rewritten in place is
    // noticed with the next change of its folder.
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_checkTimer, qOverload<>(&QTimer::start));
    if (m_hasSnapshot)
        p_updateWatchedFolders();
    else
        checkForExternalChanges();
}

void CalendarStore::holdChecks() {
    ++m_checkHolds;
}

void CalendarStore::releaseChecks() {
    if (m_checkHolds == 0 || --m_checkHolds > 0 || !m_checkWaiting) return;
    m_checkWaiting = false;
    if (m_checkTimer) m_checkTimer->start();
}

void CalendarStore::p_updateWatchedFolders() {
    QStringList wanted{m_rootPath};
    const QStringList names = QDir(m_rootPath).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : names) wanted.append(m_rootPath + QLatin1Char('/') + name);
    const QStringList watched = m_watcher->directories();
    QStringList toRemove;
    for (const QString& path : watched) {
        if (!wanted.contains(path)) toRemove.append(path);
    }
    if (!toRemove.isEmpty()) m_watcher->removePaths(toRemove);
    QStringList toAdd;
    for (const QString& path : wanted) {
        if (!watched.contains(path)) toAdd.append(path);
    }
    if (!toAdd.isEmpty()) m_watcher->addPaths(toAdd);
}

}  // namespace platform
