#include "app/external_open_dispatcher.h"

#include "platform/base/log.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {
bool isPath(const QString& argument) {
    return argument.startsWith(QLatin1Char('/')) || QUrl(argument).isLocalFile();
}

QString pathOf(const QString& argument) {
    return QDir::cleanPath(argument.startsWith(QLatin1Char('/')) ? argument : QUrl(argument).toLocalFile());
}

bool hasExtension(const QString& path, QLatin1String extension) {
    return path.endsWith(QLatin1Char('.') + extension, Qt::CaseInsensitive);
}

bool isSamePackage(const QString& a, const QString& b) {
    const auto canonical = [](const QString& path) {
        const QString resolved = QFileInfo(path).canonicalFilePath();
        return resolved.isEmpty() ? QDir::cleanPath(path) : resolved;
    };
    return !a.isEmpty() && !b.isEmpty() && canonical(a) == canonical(b);
}
}  // namespace

TDExternalOpenDispatcher::Kind TDExternalOpenDispatcher::kindOf(const QString& argument) {
    if (!isPath(argument)) return Kind::Link;
    const QString path = pathOf(argument);
    if (hasExtension(path, QLatin1String("odllibrary"))) return Kind::LibraryPackage;
    if (hasExtension(path, QLatin1String("odlbackup")) || hasExtension(path, QLatin1String("odlbackup.gz")))
        return Kind::Backup;
    if (hasExtension(path, QLatin1String("odl-metadata"))) return Kind::SearchRecord;
    return Kind::File;
}

TDExternalOpenDispatcher::TDExternalOpenDispatcher(TDExternalOpenTarget& target) : m_target(target) {
}

void TDExternalOpenDispatcher::open(const QStringList& arguments) {
    m_waiting.append(arguments);
    p_dispatchWaiting();
}

void TDExternalOpenDispatcher::libraryDidOpen() {
    p_dispatchWaiting();
}

void TDExternalOpenDispatcher::p_dispatchWaiting() {
    // A switch or a restore may report the library opened while this loop runs: the loop goes on.
    if (m_dispatching) return;
    m_dispatching = true;
    while (!m_waiting.isEmpty() && m_target.isLibraryOpen()) {
        const QString argument = m_waiting.takeFirst();
        p_dispatch(kindOf(argument), argument);
    }
    m_dispatching = false;
}

void TDExternalOpenDispatcher::p_dispatch(Kind kind, const QString& argument) {
    switch (kind) {
        case Kind::LibraryPackage: {
            const QString path = pathOf(argument);
            if (isSamePackage(path, m_target.libraryPath())) {
                logWithLevel(TDLogInfo, "INFO", "The library at '%@' is open already", path);
                return;
            }
            m_target.switchToLibraryAtPath(path);
            return;
        }
        case Kind::Backup:
            m_target.restoreFromBackupAtPath(pathOf(argument));
            return;
        case Kind::SearchRecord:
            logWithLevel(TDLogInfo, "INFO", "Ignoring search record '%@'", pathOf(argument));
            return;
        case Kind::Link:
            m_target.openLink(argument);
            return;
        case Kind::File: {
            // Files in a row become tasks in one go.
            QStringList files{pathOf(argument)};
            while (!m_waiting.isEmpty() && kindOf(m_waiting.first()) == Kind::File)
                files.append(pathOf(m_waiting.takeFirst()));
            m_target.createTasksFromFiles(files);
            return;
        }
    }
}
