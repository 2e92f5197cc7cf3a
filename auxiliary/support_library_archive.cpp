#include "auxiliary/support_library_archive.h"

#include "platform/base/log.h"
#include "store/anonymized_library_operation.h"
#include "store/store_file_copy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

const QString kArchiveName = QStringLiteral("library.tgz");

TDError packingError(const QString& description) {
    return TDError::make(TDErrorFileContentsNotMade, description);
}

// The package's own files beside a page-by-page copy of its store; the backups and the lock stay out.
Status copyPackage(const QString& libraryPath, const QString& copyPath) {
    const QDir package(libraryPath);
    if (!QDir().mkpath(copyPath)) return packingError(QStringLiteral("Could not make the library's copy"));
    const QString store = QStringLiteral("library.sqlite3");
    for (const QFileInfo& file : package.entryInfoList(QDir::Files | QDir::Hidden)) {
        const QString name = file.fileName();
        if (name.startsWith(store) || name == QStringLiteral("library.lock")) continue;
        if (!QFile::copy(file.filePath(), QDir(copyPath).filePath(name)))
            return packingError(QStringLiteral("Could not copy '%1' of the library").arg(name));
    }
    return TDCopyStoreFile(package.filePath(store), QDir(copyPath).filePath(store));
}

}  // namespace

Result<QByteArray> TDPackSupportLibrary(const QString& libraryPath, bool anonymize,
                                        const QString& temporaryFolder) {
    if (libraryPath.isEmpty()) {
        logWithLevel(TDLogError, "ERROR", "Could not send library because the library path is blank");
        return packingError(QStringLiteral("The library path is blank"));
    }
    const QString tar = QStandardPaths::findExecutable(QStringLiteral("tar"));
    if (tar.isEmpty()) return packingError(QStringLiteral("No tar program was found to pack the library"));
    const QDir folder(temporaryFolder);
    QString copyPath;
    if (anonymize) {
        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
        copyPath = folder.filePath(QStringLiteral("Library Anonymized %1.odllibrary").arg(stamp));
        TDAnonymizedLibraryOperation anonymizing(libraryPath, copyPath);
        anonymizing.start();
        if (!anonymizing.succeeded())
            return anonymizing.error().value_or(
                packingError(QStringLiteral("The library could not be anonymised")));
    } else {
        copyPath = folder.filePath(QFileInfo(libraryPath).fileName());
        QDir(copyPath).removeRecursively();
        if (const Status copied = copyPackage(libraryPath, copyPath); !copied) {
            QDir(copyPath).removeRecursively();
            return copied.error();
        }
    }
    const QString archive = folder.filePath(kArchiveName);
    QProcess packing;
    packing.start(tar, {QStringLiteral("czf"), archive, QStringLiteral("-C"), folder.absolutePath(),
                        QFileInfo(copyPath).fileName()});
    const bool packed = packing.waitForFinished(-1) && packing.exitStatus() == QProcess::NormalExit &&
                        packing.exitCode() == 0;
    QDir(copyPath).removeRecursively();
    QFile file(archive);
    if (!packed || !file.open(QIODevice::ReadOnly)) {
        QFile::remove(archive);
        return packingError(QStringLiteral("tar could not pack the library: %1")
                                .arg(QString::fromLocal8Bit(packing.readAllStandardError()).trimmed()));
    }
    const QByteArray bytes = file.readAll();
    file.close();
    QFile::remove(archive);
    return bytes;
}
