#pragma once

namespace platform {
class AttributeDescription;
class EntityDescription;
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

    static const TDTaskProperties& of(const platform::EntityDescription* entity);
};
