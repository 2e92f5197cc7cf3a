#pragma once

#include "model/group.h"

// A group of groups: folders, lists and smart folders (below the tags group, a tag bundle of tags). Its
// aggregates are those of its subgroups.
class TDFolder final : public TDGroup {
public:
    using TDGroup::TDGroup;

    // An emptied tag bundle is titled "Tags".
    void setTitle(const QString& title) override;
    QString localizedTitle() const override;
    void setTasksInTreeToArchived(bool archived) override;
    QList<TDTask*> allTasksInTree() const override;
};
