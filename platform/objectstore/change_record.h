#pragma once

#include "platform/objectstore/object_set.h"

#include <QVariant>

#include <utility>
#include <vector>

namespace platform {

// The committed state of the slots an object in the store has changed since its last save: old values
// of attributes and to-ones, and the members a to-many gained and lost.
struct ChangeRecord {
    struct ToMany {
        int slot;
        ObjectSet added;
        ObjectSet removed;
    };
    std::vector<std::pair<int, QVariant>> attributes;
    std::vector<std::pair<int, ManagedObject*>> toOne;
    std::vector<ToMany> toMany;

    bool isEmpty() const { return attributes.empty() && toOne.empty() && toMany.empty(); }
    const QVariant* committedAttribute(int slot) const {
        for (const auto& [s, v] : attributes)
            if (s == slot) return &v;
        return nullptr;
    }
    ManagedObject* const* committedToOne(int slot) const {
        for (const auto& [s, o] : toOne)
            if (s == slot) return &o;
        return nullptr;
    }
    const ToMany* toManyDelta(int slot) const {
        for (const ToMany& d : toMany)
            if (d.slot == slot) return &d;
        return nullptr;
    }
};

}  // namespace platform
