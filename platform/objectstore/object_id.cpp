#include "platform/objectstore/object_id.h"

#include "platform/objectstore/object_model.h"
#include "platform/objectstore/object_store_error.h"

namespace platform {

QString ObjectID::uriString() const {
    if (!m_entity) return {};
    return QStringLiteral("x-ordello://%1/%2/p%3").arg(m_storeUUID, m_entity->name()).arg(m_primaryKey);
}

Result<ObjectID> ObjectID::fromURIString(const QString& uri, const ObjectModel& model) {
    const QLatin1String scheme("x-ordello://");
    auto malformed = [&uri] {
        return makeObjectStoreError(ObjectStoreErrorNoSuchObject,
                                    QStringLiteral("\"%1\" is not an object identifier.").arg(uri.left(200)));
    };
    if (uri.size() > 1000 || !uri.startsWith(scheme)) return malformed();
    const QStringList parts = uri.mid(scheme.size()).split(QLatin1Char('/'));
    if (parts.size() != 3 || parts[0].isEmpty() || !parts[2].startsWith(QLatin1Char('p'))) return malformed();
    const EntityDescription* entity = model.entity(parts[1]);
    bool ok = false;
    const qint64 primaryKey = parts[2].mid(1).toLongLong(&ok);
    if (!entity || !ok || primaryKey <= 0) return malformed();
    return ObjectID(parts[0], entity, primaryKey);
}

bool ObjectID::operator==(const ObjectID& other) const {
    if (!m_entity || !other.m_entity) return m_entity == other.m_entity;
    return m_primaryKey == other.m_primaryKey && m_entity->rootEntity() == other.m_entity->rootEntity() &&
           m_storeUUID == other.m_storeUUID;
}

size_t qHash(const ObjectID& id, size_t seed) {
    return qHashMulti(seed, id.primaryKey(), id.entity() ? id.entity()->rootEntity() : nullptr);
}

}  // namespace platform
