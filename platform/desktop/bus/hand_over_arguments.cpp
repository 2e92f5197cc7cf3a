#include "platform/desktop/bus/hand_over_arguments.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace platform {

namespace {
bool hasScheme(const QString& argument) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(argument).hasMatch();
}
}  // namespace

QStringList handOverArguments(const QStringList& arguments, const QDir& folder) {
    QStringList result;
    result.reserve(arguments.size());
    for (const QString& argument : arguments) {
        if (argument.isEmpty()) continue;
        const QString path = QDir::cleanPath(folder.absoluteFilePath(argument));
        if (QFileInfo::exists(path) || !hasScheme(argument)) {
            result.append(path);
            continue;
        }
        const QUrl url(argument);
        result.append(url.isLocalFile() ? QDir::cleanPath(folder.absoluteFilePath(url.toLocalFile()))
                                        : argument);
    }
    return result;
}

}  // namespace platform
