#pragma once

#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/object_model.h"

#include <optional>

// Properties found by name once per entity and thread rather than at every read: `Properties` is made
// from the entity. The model's serial tells a live entity from a freed one whose address was used again.
template <typename Properties>
const Properties& TDPropertiesOfEntity(const platform::EntityDescription* entity) {
    thread_local struct {
        const platform::EntityDescription* entity = nullptr;
        quint64 model = 0;
        std::optional<Properties> properties;
    } cache;
    const quint64 model = entity->model()->serial();
    if (cache.entity != entity || cache.model != model) {
        cache.properties.emplace(entity);
        cache.entity = entity;
        cache.model = model;
    }
    return *cache.properties;
}
