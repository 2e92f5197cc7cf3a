#include "foundation/shared_predicates.h"

#include "platform/predicates/predicate_parser.h"

const platform::PredicatePtr& TDOpenLeafTaskPredicate() {
    static const platform::PredicatePtr predicate =
        *platform::predicateWithFormat(QStringLiteral("subtasks.@count = 0 AND incomplete = YES"));
    return predicate;
}

const QList<platform::SortDescriptor>& TDDisplayOrderSortDescriptors() {
    static const QList<platform::SortDescriptor> descriptors{
        platform::SortDescriptor(QStringLiteral("displayOrder"), true)};
    return descriptors;
}
