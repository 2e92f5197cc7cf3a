#include "platform/desktop/desktop_workspace.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>

namespace platform {

namespace {

struct DesktopEntry {
    DesktopApplication application;
    QString exec;
    QStringList mimeTypes;
};

// The [Desktop Entry] group of a desktop file. QSettings would read the file as INI but mangles the
// semicolon lists and the localised keys, so the few keys needed are read by hand.
std::optional<DesktopEntry> readDesktopEntry(const QString& filePath) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text) || file.size() > 1024 * 1024) return std::nullopt;
    DesktopEntry entry;
    entry.application.id = QFileInfo(filePath).fileName();
    entry.application.desktopFilePath = filePath;
    bool inMainGroup = false;
    bool hidden = false;
    QString type;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup) continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0) continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Name"))
            entry.application.name = value;
        else if (key == QLatin1String("Icon"))
            entry.application.iconName = value;
        else if (key == QLatin1String("Exec"))
            entry.exec = value;
        else if (key == QLatin1String("MimeType"))
            entry.mimeTypes = value.split(u';', Qt::SkipEmptyParts);
        else if (key == QLatin1String("Type"))
            type = value;
        else if (key == QLatin1String("Hidden") || key == QLatin1String("NoDisplay"))
            hidden = hidden || value == QLatin1String("true");
    }
    if (type != QLatin1String("Application") || entry.exec.isEmpty() || entry.application.name.isEmpty())
        return std::nullopt;
    if (hidden) entry.mimeTypes.clear();
    return entry;
}

QStringList applicationFolders() {
    return QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
}

// The entry with the id, from the first applications folder that has it.
std::optional<DesktopEntry> entryWithID(const QString& id) {
    for (const QString& folder : applicationFolders()) {
        const QString candidate = QDir(folder).filePath(id);
        if (QFileInfo::exists(candidate)) return readDesktopEntry(candidate);
    }
    return std::nullopt;
}

// The default application's id for the MIME type from the "mimeapps.list" files, first one wins.
QString defaultApplicationID(const QString& mimeType) {
    QStringList lists;
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        lists << QDir(folder).filePath(QStringLiteral("mimeapps.list"));
    for (const QString& folder : applicationFolders())
        lists << QDir(folder).filePath(QStringLiteral("mimeapps.list"));
    for (const QString& list : std::as_const(lists)) {
        QFile file(list);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
        bool inDefaults = false;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            if (line.startsWith(u'[')) {
                inDefaults = line == QLatin1String("[Default Applications]");
                continue;
            }
            if (inDefaults && line.startsWith(mimeType + u'=')) {
                const QString ids = line.mid(mimeType.size() + 1);
                const QString first = ids.split(u';', Qt::SkipEmptyParts).value(0);
                if (!first.isEmpty()) return first;
            }
        }
    }
    return {};
}

// Splits an Exec value into arguments: blanks separate, double quotes group, backslash escapes.
std::optional<QStringList> splitExec(const QString& exec) {
    QStringList arguments;
    QString current;
    bool quoted = false;
    bool hasArgument = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted && c == u'\\' && i + 1 < exec.size()) {
            current += exec[++i];
        } else if (c == u'"') {
            quoted = !quoted;
            hasArgument = true;
        } else if (!quoted && c.isSpace()) {
            if (hasArgument || !current.isEmpty()) arguments << current;
            current.clear();
            hasArgument = false;
        } else {
            current += c;
        }
    }
    if (quoted) return std::nullopt;
    if (hasArgument || !current.isEmpty()) arguments << current;
    return arguments;
}

}  // namespace

bool DesktopWorkspace::openURL(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

QList<DesktopApplication> DesktopWorkspace::applicationsForFile(const QString& path) const {
    const QMimeType mimeType = QMimeDatabase().mimeTypeForFile(path);
    QStringList types{mimeType.name()};
    types << mimeType.parentMimeTypes();
    QList<DesktopApplication> applications;
    QStringList seenIDs;
    for (const QString& folder : applicationFolders()) {
        const QFileInfoList files =
            QDir(folder).entryInfoList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name);
        for (const QFileInfo& file : files) {
            if (seenIDs.contains(file.fileName())) continue;
            seenIDs << file.fileName();
            const std::optional<DesktopEntry> entry = readDesktopEntry(file.filePath());
            if (!entry) continue;
            const bool opensType = std::any_of(types.cbegin(), types.cend(), [&](const QString& type) {
                return entry->mimeTypes.contains(type);
            });
            if (opensType) applications << entry->application;
        }
    }
    std::sort(applications.begin(), applications.end(),
              [](const auto& a, const auto& b) { return a.name.compare(b.name, Qt::CaseInsensitive) < 0; });
    const QString defaultID = defaultApplicationID(mimeType.name());
    if (!defaultID.isEmpty()) {
        const auto found = std::find_if(applications.begin(), applications.end(),
                                        [&](const DesktopApplication& a) { return a.id == defaultID; });
        if (found != applications.end()) {
            const DesktopApplication application = *found;
            applications.erase(found);
            applications.prepend(application);
        } else if (const std::optional<DesktopEntry> entry = entryWithID(defaultID)) {
            applications.prepend(entry->application);
        }
    }
    return applications;
}

std::optional<DesktopApplication> DesktopWorkspace::applicationAtPath(const QString& desktopFilePath) const {
    const std::optional<DesktopEntry> entry = readDesktopEntry(desktopFilePath);
    if (!entry) return std::nullopt;
    return entry->application;
}

QStringList DesktopWorkspace::commandForExec(const QString& exec, const QString& path, const QString& name) {
    const std::optional<QStringList> arguments = splitExec(exec);
    if (!arguments || arguments->isEmpty()) return {};
    const QString url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    QStringList command;
    bool fileGiven = false;
    for (const QString& argument : *arguments) {
        if (argument == QLatin1String("%f") || argument == QLatin1String("%F")) {
            command << path;
            fileGiven = true;
            continue;
        }
        if (argument == QLatin1String("%u") || argument == QLatin1String("%U")) {
            command << url;
            fileGiven = true;
            continue;
        }
        if (argument == QLatin1String("%i") || argument == QLatin1String("%k")) continue;
        QString expanded;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            if (argument[i] != u'%' || i + 1 >= argument.size()) {
                expanded += argument[i];
                continue;
            }
            const QChar code = argument[++i];
            if (code == u'%')
                expanded += u'%';
            else if (code == u'c')
                expanded += name;
            else if (code == u'f' || code == u'F' || code == u'u' || code == u'U') {
                expanded += code == u'f' || code == u'F' ? path : url;
                fileGiven = true;
            }
        }
        if (!expanded.isEmpty()) command << expanded;
    }
    // An entry that takes no file still gets it, as desktops do.
    if (!fileGiven) command << path;
    return command;
}

bool DesktopWorkspace::openFileWithApplication(const QString& path, const DesktopApplication& application) {
    const std::optional<DesktopEntry> entry = readDesktopEntry(application.desktopFilePath);
    if (!entry) return false;
    QStringList command = commandForExec(entry->exec, path, entry->application.name);
    if (command.isEmpty()) return false;
    const QString program = command.takeFirst();
    return QProcess::startDetached(program, command);
}

bool DesktopWorkspace::showInFileManager(const QString& path) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ReplyMessage) return true;
    return openURL(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

}  // namespace platform
