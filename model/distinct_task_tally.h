#pragma once

#include <QHash>
#include <QtGlobal>

class TDGroup;
class TDTask;

// The distinct tasks in the trees of a tag's or smart folder's members, and how many of them are open
// leaves: a task counts once however many members it stands under. A change recounts only the trees
// it touched, so a tag or smart folder follows an edit without walking all its trees again.
class TDDistinctTaskTally {
public:
    explicit TDDistinctTaskTally(const TDGroup* group) : m_group(group) {}

    qint64 taskCount() const { return m_openLeaf.size(); }
    qint64 openLeafCount() const { return m_openLeaves; }
    bool contains(const TDTask* task) const { return m_openLeaf.contains(task); }

    // Every member's tree counted afresh.
    void rebuild();
    // The tree of `root` recounted where it stands now: a task counts when it or one of its ancestors
    // is a live member. Idempotent, so the hooks of one change may each recount what they touched.
    void recountTree(const TDTask* root);
    // The task's open-leaf state may have changed.
    void refresh(const TDTask* task);

private:
    bool p_isMember(const TDTask* task) const;
    void p_recount(const TDTask* task, bool underMember);
    void p_set(const TDTask* task, bool counted);

    const TDGroup* m_group;
    // Each counted task with whether it is an open leaf.
    QHash<const TDTask*, bool> m_openLeaf;
    qint64 m_openLeaves = 0;
};
