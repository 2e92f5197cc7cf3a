#include "taskviews/task_link_opener.h"

#include "foundation/attributed_string_additions.h"
#include "foundation/link_detection.h"
#include "model/task.h"

#include <QFileInfo>

bool TDLinkNeedsConfirmation(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    // Ordello's own links are opened inside Ordello.
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
        scheme == QLatin1String("mailto") || scheme == QLatin1String("ordello"))
        return false;
    if (scheme != QLatin1String("file")) return true;
    const QFileInfo file(url.toLocalFile());
    if (file.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0) return true;
    return file.isFile() && file.isExecutable();
}

QList<QUrl> TDLinksInNotes(const TDTask* task) {
    QList<QUrl> links;
    if (!task || !task->hasNotes()) return links;
    const auto add = [&links](const QUrl& url) {
        if (url.isValid() && !links.contains(url)) links.append(url);
    };
    if (const std::shared_ptr<const QTextDocument> notes = task->attributedNotes()) {
        for (const TDLinkRange& range : linkRanges(*notes)) add(range.url);
        for (const TDDetectedLink& link : detectedLinks(notes->toPlainText())) add(link.url);
    } else {
        for (const TDDetectedLink& link : detectedLinks(task->notesString())) add(link.url);
    }
    return links;
}
