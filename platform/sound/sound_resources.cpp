#include "platform/sound/sound_resources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

QString soundResourceFolder() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/ordello/sounds"));
}

QString soundResourcePath(const QString& name) {
    // A name is a plain file name: nothing outside the folder can be reached through it.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.'))) return {};
    const QDir folder(soundResourceFolder());
    if (QFileInfo(folder.filePath(name)).isFile()) return folder.filePath(name);
    const QString base = QFileInfo(name).completeBaseName();
    const QStringList matches = folder.entryList({base + QStringLiteral(".*")}, QDir::Files, QDir::Name);
    for (const QString& match : matches) {
        if (QFileInfo(match).completeBaseName() == base) return folder.filePath(match);
    }
    return {};
}

}  // namespace platform
