#include "model/whole_list_filter.h"

QList<platform::ManagedObject*> TDFilterObjects(const platform::Predicate& predicate,
                                                const QList<platform::ManagedObject*>& objects) {
    if (const auto* whole = dynamic_cast<const TDWholeListFilter*>(&predicate))
        if (std::optional<QList<platform::ManagedObject*>> filtered = whole->filteredObjects(objects))
            return std::move(*filtered);
    QList<platform::ManagedObject*> passing;
    for (platform::ManagedObject* object : objects)
        if (predicate.evaluate(object)) passing.append(object);
    return passing;
}
