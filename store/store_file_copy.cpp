#include "store/store_file_copy.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

TDError copyError(const QString& description) {
    return TDError::make(TDErrorLibraryCannotOpen, QStringLiteral("The library's store could not be copied."),
                         description);
}

QString sqliteMessage(sqlite3* db) {
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
}

// A connection that closes itself.
struct Database {
    sqlite3* handle = nullptr;
    ~Database() { sqlite3_close(handle); }
    Status open(const QString& path, int flags) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, flags, nullptr) == SQLITE_OK)
            return {};
        return copyError(QStringLiteral("%1: %2").arg(path, sqliteMessage(handle)));
    }
};

}  // namespace

Status TDCopyStoreFile(const QString& sourcePath, const QString& copyPath) {
    if (!QFileInfo(sourcePath).isFile())
        return copyError(QStringLiteral("No library at %1.").arg(sourcePath));
    Database source;
    Database copy;
    if (Status opened = source.open(sourcePath, SQLITE_OPEN_READONLY); !opened.ok()) return opened;
    if (Status opened = copy.open(copyPath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE); !opened.ok())
        return opened;
    sqlite3_backup* backup = sqlite3_backup_init(copy.handle, "main", source.handle, "main");
    if (!backup) return copyError(sqliteMessage(copy.handle));
    int step = SQLITE_OK;
    do {
        step = sqlite3_backup_step(backup, -1);
        if (step == SQLITE_BUSY || step == SQLITE_LOCKED) sqlite3_sleep(50);
    } while (step == SQLITE_OK || step == SQLITE_BUSY || step == SQLITE_LOCKED);
    sqlite3_backup_finish(backup);
    if (step != SQLITE_DONE) return copyError(QString::fromUtf8(sqlite3_errstr(step)));
    return {};
}
