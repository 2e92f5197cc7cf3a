#include "platform/files/trash.h"

#include "platform/base/log.h"
#include "platform/files/file_error.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>

namespace platform {

namespace {

// A home Trash that lost its write permission would make every later trashing fail.
void repairHomeTrashPermissions() {
    const QString trash =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash");
    const QFileInfo info(trash);
    if (!info.isDir() || info.isWritable()) return;
    logWithLevel(TDLogInfo, "INFO", "Repairing Trash folder permissions to be writable.");
    QFile::setPermissions(trash, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

}  // namespace

Result<QString> trashItem(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return posixError(ENOENT, QStringLiteral("Could not trash item in path \"%1\".").arg(path));
    repairHomeTrashPermissions();
    QFile file(path);
    if (!file.moveToTrash()) {
        TDError error;
        error.domain = TDFileErrorDomain;
        error.code = file.error();
        error.description = formatString(
            QCoreApplication::translate("Localizable", "Could not trash item in path \"%@\". Error code %ld"),
            {path, static_cast<qlonglong>(file.error())});
        return error;
    }
    return file.fileName();
}

}  // namespace platform
