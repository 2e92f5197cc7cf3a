#pragma once

#include "platform/base/error.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/fetch_request.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

namespace platform {

// One version of the object model, read from a JSON resource:
//
//   { "name": "Library", "version": "Library 1.000",
//     "entities": [ { "name": "Group", "class": "TDGroup", "parent": null, "userInfo": { ... },
//                     "attributes": [ { "name": "title", "type": "string", "optional": true,
//                                       "transient": false, "default": "", "transformer": "...",
//                                       "userInfo": { ... } } ],
//                     "relationships": [ { "name": "subgroups", "destination": "Group", "inverse":
//                     "parentGroup",
//                                          "toMany": true, "deleteRule": "cascade", "optional": true,
//                                          "containsDestination": true, "userInfo": { ... } } ] } ] }
//
// Stored fetch requests: "fetchRequests": [ { "name": "groupTitled", "entity": "Group",
// "predicate": "title == $TITLE" } ]; a predicate may hold variables that a fetch substitutes.
//
// Attribute types: "string", "int64", "double", "bool", "date", "binary", "transformable" (which names a
// value transformer). Delete rules: "nullify" (the default), "cascade", "deny". Every relationship names
// its inverse. Sub-entities follow their parent in the list.
class ObjectModel final {
public:
    static Result<std::shared_ptr<const ObjectModel>> fromJson(const QByteArray& json);
    // Reads a model file or resource (":/..."), at most a few megabytes.
    static Result<std::shared_ptr<const ObjectModel>> fromFile(const QString& path);

    const QString& name() const { return m_name; }
    // The version's name, "Library 1.000", kept in every store the model writes.
    const QString& versionIdentifier() const { return m_versionIdentifier; }
    // A digest of everything that shapes the store: two models with equal hashes read each other's stores.
    const QByteArray& versionHash() const { return m_versionHash; }
    // A number no other model of this process has had, so that a cache keyed by an entity's address can
    // tell a live entity from one freed with its model whose address was used again.
    quint64 serial() const { return m_serial; }

    const QList<const EntityDescription*>& entities() const { return m_entityList; }
    const EntityDescription* entity(const QString& name) const;
    // Root entities, one table each, in model order.
    const QList<const EntityDescription*>& tables() const { return m_tables; }
    // Many-to-many relationships, one join table each: the owning side of each.
    const QList<const RelationshipDescription*>& joinTables() const { return m_joinTables; }

    // The stored fetch request with the variables substituted; an error for an unknown name or a
    // variable without a value.
    Result<FetchRequest> fetchRequestFromTemplate(const QString& name,
                                                  const QVariantMap& variables = {}) const;

    ~ObjectModel();

private:
    ObjectModel();
    Status p_read(const QByteArray& json);
    Status p_resolve();
    void p_computeHash();

    QString m_name;
    QString m_versionIdentifier;
    QByteArray m_versionHash;
    quint64 m_serial = 0;
    std::vector<std::unique_ptr<EntityDescription>> m_entities;
    QList<const EntityDescription*> m_entityList;
    QHash<QString, const EntityDescription*> m_entitiesByName;
    QList<const EntityDescription*> m_tables;
    QList<const RelationshipDescription*> m_joinTables;
    QHash<QString, FetchRequest> m_fetchTemplates;
    // Names read from the file, resolved after every entity is known.
    struct PendingRelationship {
        RelationshipDescription* relationship;
        QString destination;
        QString inverse;
        bool containsGiven;
    };
    std::vector<PendingRelationship> m_pending;
};

}  // namespace platform
