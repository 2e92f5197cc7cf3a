#pragma once

#include "model/property_list_update.h"
#include "platform/base/error.h"
#include "platform/objectstore/managed_object.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QVariantMap>

class TDLibrary;
class TDManagedObjectContext;
namespace platform {
class UndoManager;
}

// User-information markers of the object model.
inline const QString TDExcludeFromSyncKey = QStringLiteral("com.vantorel.Ordello.ExcludeFromSync");
inline const QString TDExcludeFromPlistKey = QStringLiteral("com.vantorel.Ordello.ExcludeFromPlist");

// The base of every persistent object of a library: identity, the modification stamp of user-visible
// changes and the entries of the sync journal.
class TDLibraryObject : public platform::ManagedObject {
public:
    using platform::ManagedObject::ManagedObject;

    QString uid() const { return primitiveValue(QStringLiteral("uid")).toString(); }
    void setUid(const QString& uid) { setValue(QStringLiteral("uid"), uid); }
    QDateTime modifiedDate() const { return primitiveValue(QStringLiteral("modifiedDate")).toDateTime(); }
    // Other objects' dictionary forms refer to this one by it: the UID.
    QString propertyListIdentifier() const { return uid(); }
    virtual bool isExcludedFromSync() const { return false; }

    TDManagedObjectContext* libraryContext() const;
    platform::UndoManager* undoManager() const;
    // The context's library; nil (logged unless a library is being created) when there is none.
    TDLibrary* library() const;
    QString persistentObjectIDURIString() const;

    // Keys whose changes never stamp the modification date; nullptr: the object is never stamped.
    virtual const QSet<QString>* keysNotAffectingModifiedDate() const;
    static const QSet<QString>& baseKeysNotAffectingModifiedDate();

    // For subclasses that change related data outside the change path (rules, notes, recurrences).
    void addToSyncQueueAfterChangingKeyIfNecessary(const QString& key);

    // Recomputes transient aggregates; the context calls it when the object was scheduled.
    virtual void recalculateTransientProperties() {}

    void deleteObject();
    void handleError(const TDError& error) const;

    // Dictionary forms, driven by the model's description of the entity and its ExcludeFromPlist and
    // ExcludeFromSync markers: the property-list form (backups, starter content), the copy form
    // (pasteboard, duplicates) and the sync record (JSON for the sync service). Attributes equal to their
    // default are left out; objects refer to each other by UID.
    QVariant valueForAttributeDescription(const platform::AttributeDescription* attribute) const;
    QVariantMap propertyListRepresentation(bool includeRelationships) const;
    // With relationships; entities add their own keys.
    virtual QVariantMap propertyListRepresentation() const;
    // Without relationships, "uid", "createdDate" and "modifiedDate".
    virtual QVariantMap propertyListRepresentationForCopying() const;
    // A form with a value of the wrong type, or one that does not decode, is an error and changes
    // nothing. A missing attribute goes back to its default; a missing relationship stays as it is and
    // a null one is cleared. Dictionaries in relationship entries are the entity's own to read.
    virtual Status updateFromPropertyListRepresentation(const QVariantMap& dictionary);
    // {"contents": the form without properties kept out of sync}, JSON-friendly. An empty relationship
    // travels as an empty array or null, so that the other side clears it too.
    virtual QVariantMap syncDictionaryRepresentation() const;
    // Properties kept out of sync keep this side's values, whatever the record holds.
    virtual Status updateFromSyncDictionaryRepresentation(const QVariantMap& record);
    // A converted copy with base64 texts of data keys and numbers of "...Date" keys turned back into
    // data and dates; values that do not convert are left as they are (and logged).
    QVariant makePlistFriendly(const QVariant& container) const;

protected:
    // The two halves of updateFromPropertyListRepresentation, for entities that check their own keys
    // before anything changes: the checked plan (relationship targets looked up), then its application
    // through the ordinary change path.
    Result<TDPropertyListUpdate> p_propertyListUpdate(const QVariantMap& dictionary) const;
    void p_applyPropertyListUpdate(const TDPropertyListUpdate& update);
    // Objects of the entity (or its sub-entities) by UID: from the context's lookup cache while it is
    // on, else by one fetch (whose results the cache keeps).
    QList<TDLibraryObject*> p_objectsForEntityName(const QString& entityName,
                                                   const QStringList& identifiers) const;
    TDLibraryObject* p_objectForEntityName(const QString& entityName, const QString& identifier) const;

    // A new UID, and the creation and modification dates set to now where the entity has them.
    void awakeFromInsert() override;
    void willChangeValue(const QString& key) override;
    void didChangeValue(const QString& key) override;
    void didChangeSet(const QString& key, SetMutation mutation,
                      const QList<platform::ManagedObject*>& objects) override;
    void willDelete() override;
    // Records the object in the sync journal.
    void p_addToSyncQueueAfterChangingKeyIfNecessary(const QString& key);
    // Restoring, syncing or merging another context's save: nothing is stamped or journalled.
    bool p_isTakingChangesFromElsewhere() const;

private:
    bool p_stampingGate() const;
    bool p_propertyExcludedFromSync(const QString& key) const;
    void p_recordInJournal();

    QVariantMap m_oldValues;
};
