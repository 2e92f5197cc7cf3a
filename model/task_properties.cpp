#include "model/task_properties.h"

#include "model/task.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/object_model.h"

#include <QString>

namespace {

TDTaskProperties lookUp(const platform::EntityDescription* entity) {
    TDTaskProperties found;
    found.title = entity->attribute(QStringLiteral("title"));
    found.status = entity->attribute(QStringLiteral("status"));
    found.completedDate = entity->attribute(QStringLiteral("completedDate"));
    found.archived = entity->attribute(QStringLiteral("archived"));
    found.priority = entity->attribute(QStringLiteral("priority"));
    found.displayOrder = entity->attribute(QStringLiteral("displayOrder"));
    found.estimatedTime = entity->attribute(QStringLiteral("estimatedTime"));
    found.startDate = entity->attribute(QStringLiteral("startDate"));
    found.dueDate = entity->attribute(QStringLiteral("dueDate"));
    found.parentTask = entity->relationship(QStringLiteral("parentTask"));
    found.subtasks = entity->relationship(QStringLiteral("subtasks"));
    return found;
}

}  // namespace

const TDTaskProperties& TDTaskProperties::of(const platform::EntityDescription* entity) {
    // The model's serial tells a live entity from a freed one whose address was used again.
    thread_local struct {
        const platform::EntityDescription* entity = nullptr;
        quint64 model = 0;
        TDTaskProperties properties;
    } cache;
    const quint64 model = entity->model()->serial();
    if (cache.entity != entity || cache.model != model) {
        cache.properties = lookUp(entity);
        cache.entity = entity;
        cache.model = model;
    }
    return cache.properties;
}

void TDPrefetchSubtasksAhead(const QList<platform::ManagedObject*>& tasks, qsizetype i) {
    constexpr qsizetype kAhead = 32;
    if (i + 2 * kAhead < tasks.size()) __builtin_prefetch(tasks.at(i + 2 * kAhead));
    if (i + kAhead >= tasks.size()) return;
    if (const TDTask* ahead = TDTask::from(tasks.at(i + kAhead)))
        ahead->prefetchSlots(nullptr, nullptr, TDTaskProperties::of(ahead->entity()).subtasks);
}
