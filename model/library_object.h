#pragma once

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

protected:
    // A new UID, and the creation and modification dates set to now where the entity has them.
    void awakeFromInsert() override;
    void willChangeValue(const QString& key) override;
    void didChangeValue(const QString& key) override;
    void didChangeSet(const QString& key, SetMutation mutation, const QList<platform::ManagedObject*>& objects) override;
    void willDelete() override;
    // Records the object in the sync journal.
    void p_addToSyncQueueAfterChangingKeyIfNecessary(const QString& key);

private:
    bool p_stampingGate() const;
    bool p_propertyExcludedFromSync(const QString& key) const;
    void p_recordInJournal();

    QVariantMap m_oldValues;
};
