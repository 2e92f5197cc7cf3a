#pragma once

#include <QList>
#include <QString>
#include <QVariant>

namespace platform {

class ManagedObject;

// What an observer of one key of one object hears.
struct KeyChange {
    enum Kind { Setting = 1, Insertion = 2, Removal = 3, Replacement = 4 };
    ManagedObject* object = nullptr;
    QString key;
    Kind kind = Setting;
    // Setting: the values before and after, in the key-value forms (a to-many as a list of objects).
    QVariant oldValue;
    QVariant newValue;
    // Insertion, removal, replacement: the objects that left and joined the to-many relationship.
    QList<ManagedObject*> oldObjects;
    QList<ManagedObject*> newObjects;
};

}  // namespace platform
