#pragma once

#include "model/task.h"
#include "platform/plist/property_list.h"
#include "taskviews/pasteboard_types.h"

#include <QMimeData>
#include <QStringList>

#include <memory>

namespace apptest {

// A drag of tasks by ID, as the task outline writes it.
inline std::unique_ptr<QMimeData> taskIDDrag(const QStringList& uris) {
    auto data = std::make_unique<QMimeData>();
    data->setData(TDPasteboardTypes::TaskMOIDs, platform::writePropertyList(QVariant(uris)).value());
    return data;
}

inline std::unique_ptr<QMimeData> taskIDDrag(const QList<TDTask*>& tasks) {
    QStringList uris;
    for (const TDTask* task : tasks) uris << task->persistentObjectIDURIString();
    return taskIDDrag(uris);
}

// The task's ID as another library's store would give it.
inline QString idInAnotherLibrary(const TDTask* task) {
    QString uri = task->persistentObjectIDURIString();
    const qsizetype start = uri.indexOf(QStringLiteral("://")) + 3;
    const qsizetype end = uri.indexOf(QLatin1Char('/'), start);
    return uri.replace(start, end - start, QStringLiteral("00000000-1111-2222-3333-444444444444"));
}

inline std::unique_ptr<QMimeData> textDrag(const QString& text) {
    auto data = std::make_unique<QMimeData>();
    data->setText(text);
    return data;
}

}  // namespace apptest
