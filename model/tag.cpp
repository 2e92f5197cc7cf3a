#include "model/tag.h"

#include "model/task.h"

const QSet<QString>* TDTag::keysNotAffectingModifiedDate() const {
    static const QSet<QString> keys =
        *TDGroup::keysNotAffectingModifiedDate() + QSet<QString>{QStringLiteral("tasks")};
    return &keys;
}

void TDTag::setTitle(const QString& title, bool triggerChanges) {
    Q_UNUSED(triggerChanges);
    if (title.isEmpty()) return;
    TDLibraryObject::setValue(QStringLiteral("title"), title);
}

void TDTag::mergeWithTag(TDTag* other) {
    if (!other || other == this) return;
    const QList<TDTask*> tasks = other->tasks();
    other->removeTasks(tasks);
    addTasks(tasks);
    other->deleteObject();
}
