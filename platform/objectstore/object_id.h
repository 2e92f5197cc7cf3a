#pragma once

#include "platform/base/error.h"

#include <QHashFunctions>
#include <QMetaType>
#include <QString>

namespace platform {

class EntityDescription;
class ObjectModel;

// The permanent identity of an object: its store, its entity and its row. The URI form is
// "x-ordello://<store UUID>/<Entity>/p<row>".
class ObjectID final {
public:
    ObjectID() = default;
    ObjectID(QString storeUUID, const EntityDescription* entity, qint64 primaryKey)
        : m_storeUUID(std::move(storeUUID)), m_entity(entity), m_primaryKey(primaryKey) {}

    bool isValid() const { return m_entity != nullptr; }
    const QString& storeUUID() const { return m_storeUUID; }
    const EntityDescription* entity() const { return m_entity; }
    qint64 primaryKey() const { return m_primaryKey; }
    QString uriString() const;

    // Reads a URI against a model; the store UUID is not checked here.
    static Result<ObjectID> fromURIString(const QString& uri, const ObjectModel& model);

    // Rows are unique per table, so IDs of an entity and its root entity with one row are equal.
    bool operator==(const ObjectID& other) const;
    bool operator!=(const ObjectID& other) const { return !(*this == other); }

private:
    QString m_storeUUID;
    const EntityDescription* m_entity = nullptr;
    qint64 m_primaryKey = 0;
};

size_t qHash(const ObjectID& id, size_t seed = 0);

}  // namespace platform

Q_DECLARE_METATYPE(platform::ObjectID)
