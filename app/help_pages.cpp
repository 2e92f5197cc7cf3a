#include "app/help_pages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const QString kIndexPage = QStringLiteral("index.html");

// Whether the page has an element with the id; the pages are ours and small.
bool pageHasAnchor(const QString& path, const QString& anchor) {
    QFile page(path);
    if (!page.open(QIODevice::ReadOnly)) return false;
    const QString text = QString::fromUtf8(page.readAll());
    return text.contains(QStringLiteral("id=\"%1\"").arg(anchor));
}

}  // namespace

QString TDHelpFolder(const QString& executableFolder) {
    return QDir::cleanPath(executableFolder + QStringLiteral("/../share/ordello/help"));
}

QUrl TDHelpURL(const QString& executableFolder, const QString& anchor) {
    const QDir folder(TDHelpFolder(executableFolder));
    const QString index = folder.filePath(kIndexPage);
    if (!QFileInfo(index).isFile()) return {};
    QUrl url = QUrl::fromLocalFile(index);
    static const QRegularExpression plainName(QStringLiteral("^[a-z0-9_]+$"));
    if (plainName.match(anchor).hasMatch() && pageHasAnchor(index, anchor)) url.setFragment(anchor);
    return url;
}
