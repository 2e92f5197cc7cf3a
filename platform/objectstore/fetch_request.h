#pragma once

#include "platform/predicates/predicate.h"
#include "platform/predicates/sort_descriptor.h"

#include <QList>
#include <QString>

#include <functional>

namespace platform {

class ManagedObject;

// Which objects a fetch answers: the live objects of an entity (and, unless told otherwise, of its
// sub-entities) that match the predicate and pass the filter, sorted by the descriptors (else in the
// order the context holds them), at most fetchLimit of them.
struct FetchRequest {
    using Filter = std::function<bool(const ManagedObject*)>;

    QString entityName;
    bool includesSubentities = true;
    PredicatePtr predicate;  // none: every object
    Filter filter;           // none: every object
    QList<SortDescriptor> sortDescriptors;
    int fetchLimit = 0;  // 0: no limit

    FetchRequest() = default;
    explicit FetchRequest(QString entity, Filter f = {})
        : entityName(std::move(entity)), filter(std::move(f)) {}
    FetchRequest(QString entity, PredicatePtr p, QList<SortDescriptor> sort = {})
        : entityName(std::move(entity)), predicate(std::move(p)), sortDescriptors(std::move(sort)) {}
};

}  // namespace platform
