#include "model/library_object.h"

#include "foundation/application_delegate.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/sync_set.h"
#include "model/uid.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/objectstore/managed_object_context.h"

TDManagedObjectContext* TDLibraryObject::libraryContext() const {
    return TDManagedObjectContext::of(this);
}

platform::UndoManager* TDLibraryObject::undoManager() const {
    return managedObjectContext() ? managedObjectContext()->undoManager() : nullptr;
}

TDLibrary* TDLibraryObject::library() const {
    TDManagedObjectContext* context = libraryContext();
    TDLibrary* library = context ? context->library() : nullptr;
    if (!library && !(context && context->isCreatingLibrary()))
        logWithLevel(TDLogError, "ERROR", "Could not get library for library object. Returning nil.");
    return library;
}

QString TDLibraryObject::persistentObjectIDURIString() const {
    return objectID().uriString();
}

const QSet<QString>& TDLibraryObject::baseKeysNotAffectingModifiedDate() {
    static const QSet<QString> keys{QStringLiteral("createdDate"), QStringLiteral("modifiedDate"),
                                    QStringLiteral("uid")};
    return keys;
}

const QSet<QString>* TDLibraryObject::keysNotAffectingModifiedDate() const {
    return &baseKeysNotAffectingModifiedDate();
}

// Restores, syncs and merges of another context's save bring in what was edited elsewhere: they are no
// edits here, so they stamp nothing and journal nothing.
bool TDLibraryObject::p_isTakingChangesFromElsewhere() const {
    const platform::ManagedObjectContext* context = managedObjectContext();
    if (!context) return false;
    if (context->isMergingChanges()) return true;
    const TDManagedObjectContext* modes = libraryContext();
    return modes && (modes->isRestoringLibrary() || modes->isSyncingLibrary());
}

bool TDLibraryObject::p_stampingGate() const {
    if (!entity()->attribute(QStringLiteral("modifiedDate"))) return false;
    if (p_isTakingChangesFromElsewhere()) return false;
    return keysNotAffectingModifiedDate() != nullptr;
}

bool TDLibraryObject::p_propertyExcludedFromSync(const QString& key) const {
    const platform::PropertyDescription* property = entity()->property(key);
    return property && property->userInfoValue(TDExcludeFromSyncKey) == QLatin1String("YES");
}

void TDLibraryObject::p_recordInJournal() {
    TDManagedObjectContext* context = libraryContext();
    if (!context || context->isTemporary() || !context->library()) return;
    // A library that never signed in has no journal: nothing to warn of at each edit.
    if (TDSyncSet* journal = context->library()->corvaneSyncSet(false)) journal->addObject(this);
}

void TDLibraryObject::awakeFromInsert() {
    if (entity()->attribute(QStringLiteral("uid"))) setPrimitiveValue(QStringLiteral("uid"), TDNewUID());
    const QDateTime now = TDClock::currentDateTime();
    for (const QString& key : {QStringLiteral("createdDate"), QStringLiteral("modifiedDate")})
        if (entity()->attribute(key)) setPrimitiveValue(key, now);
}

void TDLibraryObject::willChangeValue(const QString& key) {
    if (!p_stampingGate() || keysNotAffectingModifiedDate()->contains(key)) return;
    const QVariant current = value(key);
    if (current.isValid()) m_oldValues.insert(key, current);
}

void TDLibraryObject::didChangeValue(const QString& key) {
    if (!p_stampingGate()) return;
    const QVariant newValue = value(key);
    const auto old = m_oldValues.constFind(key);
    const bool hadOld = old != m_oldValues.cend();
    if (hadOld || newValue.isValid()) {
        const bool notStamping = keysNotAffectingModifiedDate()->contains(key);
        if (hadOld && *old == newValue) {
            // An equal value is no change.
        } else if (!notStamping) {
            setValue(QStringLiteral("modifiedDate"), TDClock::currentDateTime());
            p_addToSyncQueueAfterChangingKeyIfNecessary(key);
        } else if (key == QLatin1String("displayOrder")) {
            // A reordering reaches the sync service without counting as an edit.
            p_addToSyncQueueAfterChangingKeyIfNecessary(key);
        }
    }
    m_oldValues.remove(key);
}

void TDLibraryObject::didChangeSet(const QString& key, SetMutation, const QList<platform::ManagedObject*>&) {
    if (!p_stampingGate() || keysNotAffectingModifiedDate()->contains(key)) return;
    setValue(QStringLiteral("modifiedDate"), TDClock::currentDateTime());
    p_addToSyncQueueAfterChangingKeyIfNecessary(key);
}

void TDLibraryObject::p_addToSyncQueueAfterChangingKeyIfNecessary(const QString& key) {
    if (isDeleted() || p_propertyExcludedFromSync(key)) return;
    p_recordInJournal();
}

void TDLibraryObject::addToSyncQueueAfterChangingKeyIfNecessary(const QString& key) {
    if (isDeleted() || p_isTakingChangesFromElsewhere()) return;
    if (isExcludedFromSync() || p_propertyExcludedFromSync(key)) return;
    p_recordInJournal();
}

void TDLibraryObject::willDelete() {
    if (p_isTakingChangesFromElsewhere()) return;
    if (entity()->userInfoValue(TDExcludeFromSyncKey) == QLatin1String("YES")) return;
    // Recorded so that the deletion is sent.
    p_recordInJournal();
}

void TDLibraryObject::deleteObject() {
    if (managedObjectContext()) managedObjectContext()->deleteObject(this);
}

void TDLibraryObject::handleError(const TDError& error) const {
    TDAppDelegate().handleError(error, QStringLiteral("Problem"));
}
