#pragma once

#include <QString>

#include <functional>

namespace platform {

class ManagedObject;

// Which objects a fetch answers: the live objects of an entity (and, unless told otherwise, of its
// sub-entities) that pass the filter, in the order the context holds them.
struct FetchRequest {
    using Filter = std::function<bool(const ManagedObject*)>;

    QString entityName;
    bool includesSubentities = true;
    Filter filter;       // none: every object
    int fetchLimit = 0;  // 0: no limit

    FetchRequest() = default;
    explicit FetchRequest(QString entity, Filter f = {})
        : entityName(std::move(entity)), filter(std::move(f)) {}
};

}  // namespace platform
