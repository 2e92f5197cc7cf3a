#include "platform/defaults/host_defaults.h"

#include "platform/defaults/user_defaults.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>

namespace platform {

namespace {
std::atomic<UserDefaults*> g_installed{nullptr};
}

QString machineIdentifier() {
    QFile file(QStringLiteral("/etc/machine-id"));
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("unknown-host");
    const QString id = QString::fromLatin1(file.read(64)).trimmed();
    // Only the hexadecimal id becomes part of a file name.
    static const QRegularExpression hex(QStringLiteral("^[0-9a-fA-F]{1,64}$"));
    return hex.match(id).hasMatch() ? id.toLower() : QStringLiteral("unknown-host");
}

QString hostUserDefaultsFilePath() {
    const QFileInfo user(UserDefaults::standardFilePath());
    return user.absolutePath() + QStringLiteral("/Ordello.") + machineIdentifier() + QStringLiteral(".conf");
}

UserDefaults& hostUserDefaults() {
    if (UserDefaults* installed = g_installed.load()) return *installed;
    static UserDefaults* shared = new UserDefaults(hostUserDefaultsFilePath());
    return *shared;
}

void setHostUserDefaults(UserDefaults* defaults) {
    g_installed.store(defaults);
}

}  // namespace platform
