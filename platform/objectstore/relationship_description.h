#pragma once

#include "platform/objectstore/property_description.h"

namespace platform {

enum class DeleteRule { Nullify, Cascade, Deny };

// A relationship to one or many objects of a destination entity, always with its inverse.
class RelationshipDescription final : public PropertyDescription {
public:
    // How the store keeps the relationship: a foreign-key column in this entity's table, nothing on this
    // side (the inverse holds the column), or a join table (many-to-many).
    enum class Storage { ForeignKey, InverseForeignKey, JoinTable };

    bool isAttribute() const override { return false; }
    bool isToMany() const { return m_toMany; }
    const EntityDescription* destinationEntity() const { return m_destination; }
    const RelationshipDescription* inverseRelationship() const { return m_inverse; }
    DeleteRule deleteRule() const { return m_deleteRule; }
    // Whether the destinations are this object's children when objects awake after loading: children
    // awake before their parents. One-to-many relationships contain their destinations unless the model
    // says otherwise; many-to-many ones only when it says so.
    bool containsDestination() const { return m_containsDestination; }

    Storage storage() const { return m_storage; }
    // For a join table: its index in the model and whether this side's objects go in its first column.
    int joinTable() const { return m_joinTable; }
    bool isJoinTableOwner() const { return m_joinOwner; }

private:
    friend class ObjectModel;
    bool m_toMany = false;
    const EntityDescription* m_destination = nullptr;
    const RelationshipDescription* m_inverse = nullptr;
    DeleteRule m_deleteRule = DeleteRule::Nullify;
    bool m_containsDestination = false;
    Storage m_storage = Storage::ForeignKey;
    int m_joinTable = -1;
    bool m_joinOwner = false;
};

}  // namespace platform
