#include "foundation/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

namespace {

const QString kBundleIdentifier = QStringLiteral("com.vantorel.Ordello");

bool makePrivateFolder(const QString& path) {
    if (QFileInfo(path).isDir()) return true;
    if (!QDir().mkpath(path)) return false;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
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

QString temporaryDirectoryPath() {
    const QString path = QDir::tempPath() + QLatin1Char('/') + kBundleIdentifier;
    makePrivateFolder(path);  // a failure shows when the caller writes there
    return path;
}

QString temporaryDirectoryForAtomicWriteToDirectory(const QString& folder) {
    struct stat target {};
    if (!QFileInfo(folder).isDir() || ::stat(QFile::encodeName(folder).constData(), &target) != 0) return {};
    const QString systemTemporary = temporaryDirectoryPath();
    if (onDevice(systemTemporary, target.st_dev)) return systemTemporary;
    // The system temporary folder is on another volume (often a tmpfs): use a hidden folder beside
    // the target instead.
    const QString beside =
        QDir(folder).absoluteFilePath(QStringLiteral(".") + kBundleIdentifier + QStringLiteral(".temporary"));
    if (makePrivateFolder(beside) && onDevice(beside, target.st_dev)) return beside;
    return systemTemporary;
}
