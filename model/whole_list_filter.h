#pragma once

#include "platform/objectstore/managed_object.h"
#include "platform/predicates/predicate.h"

#include <QList>

#include <optional>

// A predicate that can filter a whole list faster than by asking it about each object in turn (it knows
// the answers for many objects at once, or can skip the cost of wrapping each).
class TDWholeListFilter {
public:
    virtual ~TDWholeListFilter() = default;
    // The objects that pass, in their order; nothing when this predicate cannot tell faster than by
    // asking about each object.
    virtual std::optional<QList<platform::ManagedObject*>> filteredObjects(
        const QList<platform::ManagedObject*>& objects) const = 0;
};

// The objects of the list that pass the predicate, in their order: the whole list at once where the
// predicate can.
QList<platform::ManagedObject*> TDFilterObjects(const platform::Predicate& predicate,
                                                const QList<platform::ManagedObject*>& objects);
