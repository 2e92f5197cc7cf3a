#include "taskviews/task_row_item.h"

#include "model/group.h"
#include "model/ordered_collection.h"
#include "model/task.h"

qint64 TDSectionShownActionCount(TDOrderedCollection* section) {
    qint64 shown = 0;
    for (platform::ManagedObject* object : section->objects())
        if (const TDTask* task = TDTask::from(object)) shown += task->actionCount();
    return shown;
}

qint64 TDSectionListActionCount(TDOrderedCollection* section) {
    const TDGroup* list = TDGroup::from(section->object());
    return list ? list->actionCount() : 0;
}

QString TDGroupingFooter::displayString() const {
    const qint64 total = TDSectionListActionCount(m_collection);
    const qint64 shown = TDSectionShownActionCount(m_collection);
    if (total == shown) return QString();
    return QStringLiteral("%1 more\u2026").arg(total - shown);
}
