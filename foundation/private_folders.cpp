#include "foundation/private_folders.h"

#include "foundation/paths.h"
#include "platform/base/log.h"
#include "platform/files/file_error.h"

#include <QFile>

#include <sys/stat.h>
#include <cerrno>

Result<bool> TDRestrictFolderToOwner(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0) {
        if (errno == ENOENT) return false;
        return platform::posixError(errno, QStringLiteral("Could not look at \"%1\".").arg(path));
    }
    if (!S_ISDIR(info.st_mode) || (info.st_mode & 077) == 0) return false;
    if (::chmod(native.constData(), 0700) != 0)
        return platform::posixError(errno, QStringLiteral("Could not make \"%1\" private.").arg(path));
    return true;
}

void TDMakeDataFoldersPrivate(const QString& packagePath) {
    for (const QString& folder : {applicationSupportPath(), packagePath}) {
        const Result<bool> restricted = TDRestrictFolderToOwner(folder);
        if (!restricted.ok())
            logWithLevel(TDLogError, "ERROR", "%@", restricted.error().description);
        else if (*restricted)
            logWithLevel(TDLogInfo, "INFO", "Made '%@' readable by its owner only", folder);
    }
}
