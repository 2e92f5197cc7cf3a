#include "foundation/paths.h"

#include "platform/base/log.h"
#include "platform/files/file_error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kBundleIdentifier = QStringLiteral("com.vantorel.Ordello");

TDError unsafeFolderError(const QString& path, const QString& why) {
    return TDError::make(TDErrorUnsafeTemporaryFolder,
                         QStringLiteral("The temporary folder \"%1\" %2.").arg(path, why),
                         QStringLiteral("Remove it, or set XDG_RUNTIME_DIR to a folder only you can use."));
}

// Makes the folder with mode 0700 when missing. Others may create names in a shared temporary folder,
// so an existing one is used only when it is a real folder of this user that no one else can enter.
Result<QString> privateFolder(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return platform::posixError(
            errno, QStringLiteral("Could not create the temporary folder \"%1\".").arg(path));
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0)
        return platform::posixError(
            errno, QStringLiteral("Could not look at the temporary folder \"%1\".").arg(path));
    if (S_ISLNK(info.st_mode)) return unsafeFolderError(path, QStringLiteral("is a symbolic link"));
    if (!S_ISDIR(info.st_mode)) return unsafeFolderError(path, QStringLiteral("is not a folder"));
    if (info.st_uid != ::geteuid()) return unsafeFolderError(path, QStringLiteral("belongs to another user"));
    if ((info.st_mode & 077) != 0)
        return unsafeFolderError(path, QStringLiteral("is open to other users (mode %1)")
                                           .arg(info.st_mode & 0777, 3, 8, QLatin1Char('0')));
    return path;
}

bool onDevice(const QString& path, dev_t device) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && info.st_dev == device;
}

}  // namespace

QString applicationName() {
    const QString name = QCoreApplication::applicationName();
    if (!name.isEmpty()) return name;
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

QString applicationSupportPath() {
    QString path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (path.isEmpty()) path = QDir::tempPath() + QStringLiteral("/Ordello");
    if (!QDir(path).exists() && QDir().mkpath(path))
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

QString unitTestApplicationSupportPath() {
    return QDir::tempPath() + QStringLiteral("/ODL-UnitTest-Application-Support");
}

bool isRunningUnitTests() {
    return qEnvironmentVariable("ORDELLO_TESTING") == QLatin1String("1");
}

bool isSandboxed() {
    const QStringList parts = QDir::cleanPath(applicationSupportPath()).split(QLatin1Char('/'));
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i] == QLatin1String(".var") && parts[i + 1] == QLatin1String("app")) return true;
    }
    return false;
}

Result<QString> temporaryDirectoryPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) return privateFolder(QDir(runtime).filePath(kBundleIdentifier));
    return privateFolder(
        QDir(QDir::tempPath()).filePath(kBundleIdentifier + QLatin1Char('-') + QString::number(::geteuid())));
}

QString temporaryDirectoryForAtomicWriteToDirectory(const QString& folder) {
    struct stat target {};
    if (!QFileInfo(folder).isDir() || ::stat(QFile::encodeName(folder).constData(), &target) != 0) return {};
    const Result<QString> temporary = temporaryDirectoryPath();
    if (temporary && onDevice(*temporary, target.st_dev)) return *temporary;
    // The temporary folder is on another volume (often a tmpfs) or refused: use a hidden folder beside
    // the target instead.
    const Result<QString> beside = privateFolder(QDir(folder).absoluteFilePath(
        QStringLiteral(".") + kBundleIdentifier + QStringLiteral(".temporary")));
    if (beside && onDevice(*beside, target.st_dev)) return *beside;
    if (temporary) return *temporary;
    const TDError& refused = beside ? temporary.error() : beside.error();
    logWithLevel(TDLogError, "ERROR", "No temporary folder for writing into \"%@\": %@", folder,
                 refused.description);
    return {};
}
