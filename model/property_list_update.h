#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

namespace platform {
class ManagedObject;
}

inline const QString TDDictionaryRepresentationErrorDomain =
    QStringLiteral("TDDictionaryRepresentationErrorDomain");
enum TDDictionaryRepresentationError : int {
    TDDictionaryRepresentationErrorMalformed = 1,  // a value of the wrong type or one that does not decode
};

// What filling an object from a dictionary form will change, worked out and checked before anything
// changes, so that a malformed form changes nothing.
struct TDPropertyListUpdate {
    struct AttributeValue {
        QString key;
        QVariant value;  // in the attribute's type; invalid: nil
    };
    struct RelationshipValue {
        QString key;
        bool toMany = false;
        // To-one: the identifier asked for (empty: clear the relationship) and the object found for it.
        QString identifier;
        QList<platform::ManagedObject*> objects;
    };

    std::optional<QString> uid;
    QList<AttributeValue> attributes;
    QList<RelationshipValue> relationships;
};
