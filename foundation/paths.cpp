#include "foundation/paths.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

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

bool isRunningUnitTests() { return qEnvironmentVariable("ORDELLO_TESTING") == QLatin1String("1"); }
