#include "model/folder.h"

#include "model/task.h"

void TDFolder::setTitle(const QString& title) {
    TDGroup::setTitle(title);
    if (!isDeleted() && this->title().trimmed().isEmpty() && isTagBundle())
        TDGroup::setTitle(QStringLiteral("Tags"));
}

QString TDFolder::localizedTitle() const {
    if (isTagBundle() && !isSpecial()) return title().toUpper();
    return TDGroup::localizedTitle();
}

void TDFolder::setTasksInTreeToArchived(bool archived) {
    for (TDGroup* group : subgroups()) group->setTasksInTreeToArchived(archived);
}

QList<TDTask*> TDFolder::allTasksInTree() const {
    QList<TDTask*> all;
    for (TDGroup* group : subgroups()) all.append(group->allTasksInTree());
    return all;
}
