#pragma once

#include "platform/objectstore/managed_object.h"

#include <QList>
#include <QSet>

// The objects of class T among `objects` (a list, an object set or a fetch result), in their order.
template <typename T, typename Objects>
QList<T*> TDObjectsOfClass(const Objects& objects) {
    QList<T*> typed;
    typed.reserve(qsizetype(objects.size()));
    for (platform::ManagedObject* object : objects)
        if (T* cast = dynamic_cast<T*>(object)) typed.append(cast);
    return typed;
}

// The members of `current` that `wanted` lacks: what replacing a to-many relationship removes. A set
// of the wanted ones, since a list may hold a hundred thousand tasks.
template <typename T>
QList<T*> TDMembersNotWanted(const QList<T*>& current, const QList<T*>& wanted) {
    const QSet<T*> kept(wanted.cbegin(), wanted.cend());
    QList<T*> gone;
    for (T* member : current)
        if (!kept.contains(member)) gone.append(member);
    return gone;
}
