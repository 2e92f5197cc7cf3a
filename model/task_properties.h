#pragma once

#include <QList>

namespace platform {
class AttributeDescription;
class EntityDescription;
class ManagedObject;
class RelationshipDescription;
}  // namespace platform

// The properties of a task read on every row of every walk, found by name once per entity and thread
// rather than at each read.
struct TDTaskProperties {
    const platform::AttributeDescription* title = nullptr;
    const platform::AttributeDescription* status = nullptr;
    const platform::AttributeDescription* completedDate = nullptr;
    const platform::AttributeDescription* archived = nullptr;
    const platform::AttributeDescription* priority = nullptr;
    const platform::AttributeDescription* displayOrder = nullptr;
    const platform::AttributeDescription* estimatedTime = nullptr;
    const platform::AttributeDescription* startDate = nullptr;
    const platform::AttributeDescription* dueDate = nullptr;
    const platform::RelationshipDescription* parentTask = nullptr;
    const platform::RelationshipDescription* subtasks = nullptr;
    const platform::RelationshipDescription* notes = nullptr;

    explicit TDTaskProperties(const platform::EntityDescription* entity);
    static const TDTaskProperties& of(const platform::EntityDescription* entity);
};

// Tasks lie scattered in memory: a walk that asks each whether it has subtasks has the task `i + 32`
// fetched its subtasks' slot and the one twice as far its own first line, so that it waits for many
// at once rather than for each in turn.
void TDPrefetchSubtasksAhead(const QList<platform::ManagedObject*>& tasks, qsizetype i);
