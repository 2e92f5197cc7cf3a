#include "model/distinct_task_tally.h"

#include "model/group.h"
#include "model/task.h"
#include "platform/objectstore/object_model.h"

namespace {

const QString kTasks = QStringLiteral("tasks");
const QString kStatus = QStringLiteral("status");
const QString kSubtasks = QStringLiteral("subtasks");

// Open and without subtasks, with the two properties looked up once per entity: a rebuild asks it of
// every task of a large library.
bool isOpenLeaf(const TDTask* task) {
    thread_local const platform::EntityDescription* entity = nullptr;
    thread_local quint64 model = 0;
    thread_local const platform::AttributeDescription* status = nullptr;
    thread_local const platform::RelationshipDescription* subtasks = nullptr;
    if (task->entity() != entity || task->entity()->model()->serial() != model) {
        entity = task->entity();
        model = entity->model()->serial();
        status = entity->attribute(kStatus);
        subtasks = entity->relationship(kSubtasks);
    }
    return task->primitiveValue(status).isNull() && task->objects(subtasks).isEmpty();
}

}  // namespace

void TDDistinctTaskTally::rebuild() {
    m_openLeaf.clear();
    m_openLeaves = 0;
    for (platform::ManagedObject* object : m_group->objects(kTasks))
        if (const TDTask* task = TDTask::from(object);
            task && !task->isDeleted() && !m_openLeaf.contains(task))
            p_recount(task, true);
}

void TDDistinctTaskTally::recountTree(const TDTask* root) {
    bool underMember = false;
    for (const TDTask* ancestor = root->parentTask(); ancestor && !underMember;
         ancestor = ancestor->parentTask())
        underMember = !ancestor->isDeleted() && p_isMember(ancestor);
    p_recount(root, underMember);
}

void TDDistinctTaskTally::refresh(const TDTask* task) {
    const auto found = m_openLeaf.find(task);
    if (found == m_openLeaf.end()) return;
    const bool openLeaf = isOpenLeaf(task);
    if (*found == openLeaf) return;
    *found = openLeaf;
    m_openLeaves += openLeaf ? 1 : -1;
}

bool TDDistinctTaskTally::p_isMember(const TDTask* task) const {
    return m_group->objects(kTasks).contains(const_cast<TDTask*>(task));
}

void TDDistinctTaskTally::p_recount(const TDTask* task, bool underMember) {
    const bool counted = !task->isDeleted() && (underMember || p_isMember(task));
    p_set(task, counted);
    for (platform::ManagedObject* object : task->objects(kSubtasks))
        if (const TDTask* subtask = TDTask::from(object)) p_recount(subtask, counted);
}

void TDDistinctTaskTally::p_set(const TDTask* task, bool counted) {
    const auto found = m_openLeaf.find(task);
    if (!counted) {
        if (found == m_openLeaf.end()) return;
        if (*found) --m_openLeaves;
        m_openLeaf.erase(found);
        return;
    }
    const bool openLeaf = isOpenLeaf(task);
    if (found == m_openLeaf.end()) {
        m_openLeaf.insert(task, openLeaf);
        if (openLeaf) ++m_openLeaves;
    } else if (*found != openLeaf) {
        *found = openLeaf;
        m_openLeaves += openLeaf ? 1 : -1;
    }
}
