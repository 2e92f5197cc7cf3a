#pragma once

#include "model/group.h"

// A list of tasks: its top-level tasks in "tasks", every task of it at any depth in "listSubtasks".
class TDList final : public TDGroup {
public:
    using TDGroup::TDGroup;

    // Into the archive group (at the top) and back to the end of the folders group.
    void archive();
    void unarchive();
    QList<TDTask*> allTasksInTree() const override;
    const QSet<QString>* keysNotAffectingModifiedDate() const override;

protected:
    // Every task of the list's trees names the list as its top list (a restore leaves them unset).
    void awakeFromFetch() override;
    // A task placed in a list leaves its parent task, moves to the list and takes its archived state.
    void tasksWereAdded(const QList<TDTask*>& tasks) override;
};
