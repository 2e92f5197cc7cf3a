#pragma once

#include "platform/predicates/predicate.h"
#include "platform/predicates/sort_descriptor.h"

#include <QList>

// Open actions: tasks without subtasks that are not done.
const platform::PredicatePtr& TDOpenLeafTaskPredicate();
// The default order of ordered collections: "displayOrder" ascending.
const QList<platform::SortDescriptor>& TDDisplayOrderSortDescriptors();
