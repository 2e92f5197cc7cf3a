#include "model/ordered_collection.h"

#include "foundation/application_delegate.h"
#include "foundation/shared_predicates.h"
#include "model/collection_difference.h"
#include "model/library_notifications.h"
#include "model/library_object.h"
#include "model/managed_object_context.h"
#include "platform/base/log.h"
#include "platform/notifications/notification_center.h"
#include "platform/undo/undo_manager.h"

#include <QMetaMethod>
#include <QRandomGenerator>

#include <algorithm>
#include <utility>

namespace {

const QString kDisplayOrder = QStringLiteral("displayOrder");

double displayOrder(const platform::ManagedObject* object) {
    return object->value(kDisplayOrder).toDouble();
}

void setDisplayOrder(platform::ManagedObject* object, double order) {
    object->setValue(kDisplayOrder, order);
}

double randomFraction() {
    return QRandomGenerator::system()->generate() / 4294967295.0;
}

bool isUndoingOrRedoing(const platform::ManagedObject* object) {
    const platform::ManagedObjectContext* context = object ? object->managedObjectContext() : nullptr;
    const platform::UndoManager* undo = context ? context->undoManager() : nullptr;
    return undo && (undo->isUndoing() || undo->isRedoing());
}

TDError collectionError(const char* message) {
    return TDError::make(TDErrorOrderedCollectionMisuse, QString::fromLatin1(message), QString());
}

// Entity, uid and title: enough to find the object again in the library.
QString objectDescription(const platform::ManagedObject* object) {
    if (!object) return QStringLiteral("nil");
    return formatString("%@ %@ '%@'", object->entity()->name(),
                        object->primitiveValue(QStringLiteral("uid")).toString(),
                        object->primitiveValue(QStringLiteral("title")).toString());
}

// Beyond this many list entries shifted, a difference is published as a reset: a view rebuilds faster
// than it follows thousands of scattered steps.
constexpr qsizetype kStepwiseWorkLimit = qsizetype(1) << 22;

// Up to this many changed members are put back in place one by one; more are filtered and sorted anew.
constexpr qsizetype kMembersPlacedOneByOne = 16;

const QList<QMetaMethod>& publishingSignals() {
    static const QList<QMetaMethod> signalList{
        QMetaMethod::fromSignal(&TDOrderedCollection::objectsAboutToBeInserted),
        QMetaMethod::fromSignal(&TDOrderedCollection::objectsInserted),
        QMetaMethod::fromSignal(&TDOrderedCollection::objectsAboutToBeRemoved),
        QMetaMethod::fromSignal(&TDOrderedCollection::objectsRemoved),
        QMetaMethod::fromSignal(&TDOrderedCollection::objectsAboutToBeMoved),
        QMetaMethod::fromSignal(&TDOrderedCollection::objectsMoved),
        QMetaMethod::fromSignal(&TDOrderedCollection::memberChanged),
        QMetaMethod::fromSignal(&TDOrderedCollection::aboutToBeReset),
        QMetaMethod::fromSignal(&TDOrderedCollection::wasReset),
    };
    return signalList;
}

}  // namespace

TDOrderedCollection::TDOrderedCollection(TDLibraryObject* object, const QString& keyPath,
                                         const QList<platform::SortDescriptor>& sortDescriptors,
                                         Tracking tracking, QObject* parent)
    : QObject(parent), m_object(object), m_keyPath(keyPath), m_tracking(tracking) {
    setSortDescriptors(sortDescriptors);
    if (m_tracking == Tracking::Observing && m_object) {
        m_observerToken = m_object->addObserver(
            m_keyPath, this, [this](const platform::KeyChange& change) { relationshipDidChange(change); });
        platform::NotificationCenter::defaultCenter().addObserver(
            this, TDLibraryMOCDidChangePriorityNotification, m_object->managedObjectContext(),
            [this](const platform::Notification& notification) {
                QList<Object*> changed =
                    platform::managedObjectsFromVariantList(notification.userInfo.value(TDUpdatedObjectsKey));
                if (changed.isEmpty())
                    changed = platform::managedObjectsFromVariantList(
                        notification.userInfo.value(TDRefreshedObjectsKey));
                membersDidChange(changed);
            });
    }
    m_needsToSort = true;
}

TDOrderedCollection::~TDOrderedCollection() {
    if (m_observerToken && m_object) m_object->removeObserver(m_observerToken);
}

std::unique_ptr<TDOrderedCollection> TDOrderedCollection::copy(QObject* parent) const {
    auto copied = std::make_unique<TDOrderedCollection>(m_object, m_keyPath, m_sortDescriptors,
                                                        Tracking::Observing, parent);
    copied->m_title = m_title;
    copied->m_fetchRequest = m_fetchRequest;
    copied->m_filterPredicate = m_filterPredicate;
    copied->m_limit = m_limit;
    copied->m_userInfo = m_userInfo;
    copied->m_modifiesDisplayOrder = m_modifiesDisplayOrder;
    copied->m_sortingChangeEnabled = m_sortingChangeEnabled;
    return copied;
}

void TDOrderedCollection::setSortDescriptors(const QList<platform::SortDescriptor>& descriptors) {
    if (!m_sortingChangeEnabled) return;
    m_sortDescriptors = descriptors;
    m_sortKeys.forgetAll();
    m_needsToSort = true;
    m_membersToPlace.clear();
    m_needsPublishing = true;
    publishChanges();
}

void TDOrderedCollection::setFilterPredicate(const platform::PredicatePtr& predicate) {
    if (predicate == m_filterPredicate) return;
    m_filterPredicate = predicate;
    if (m_array) m_array->setFilterPredicate(predicate);
    m_needsToSort = true;
    m_needsPublishing = true;
    publishChanges();
}

void TDOrderedCollection::setNeedsFiltering(bool needs) {
    array().setNeedsFiltering(needs);
    m_needsToSort = true;
    m_needsPublishing = true;
    publishChanges();
}

void TDOrderedCollection::setNeedsToSort(bool needs) {
    m_needsToSort = needs;
    m_membersToPlace.clear();
    if (!needs) return;
    m_needsPublishing = true;
    publishChanges();
}

void TDOrderedCollection::setFetchRequest(const std::optional<platform::FetchRequest>& request) {
    m_fetchRequest = request;
    m_fetchRequestChanged = true;
}

void TDOrderedCollection::setLimit(quint64 limit) {
    m_limit = limit;
    array().setLimit(limit);
    m_needsPublishing = true;
    publishChanges();
}

qsizetype TDOrderedCollection::unlimitedCount() {
    TDFilteringMutableArray& members = array();
    members.setLimit(0);
    const qsizetype n = members.count();
    members.setLimit(m_limit);
    return n;
}

TDFilteringMutableArray& TDOrderedCollection::array() {
    if (!m_array) p_synchronize();
    return *m_array;
}

void TDOrderedCollection::reload() {
    p_synchronize();
    publishChanges();
}

void TDOrderedCollection::p_synchronize() {
    m_array.reset();
    m_sortKeys.forgetAll();
    m_membersToPlace.clear();
    m_displayOrderedAt.reset();
    m_needsPublishing = true;
    // Members of another fetch have nothing in common with the published ones.
    if (std::exchange(m_fetchRequestChanged, false)) m_needsReset = true;
    QList<Object*> members;
    if (m_fetchRequest) {
        auto fetched = m_object->managedObjectContext()->execute(*m_fetchRequest);
        if (fetched)
            members = *fetched;
        else
            TDAppDelegate().handleError(fetched.error(), QStringLiteral("Ordered collection error"));
    } else if (m_object) {
        members = m_object->objectList(m_keyPath);
    }
    m_needsToSort = true;
    m_array = std::make_unique<TDFilteringMutableArray>(members);
    m_array->setFilterPredicate(m_filterPredicate);
    m_array->setLimit(m_limit);
    m_array->setNeedsFiltering(true);
}

qsizetype TDOrderedCollection::count() {
    if (!m_array && m_fetchRequest) {
        auto n = m_object->managedObjectContext()->count(*m_fetchRequest);
        if (n) return static_cast<qsizetype>(m_limit ? std::min<quint64>(quint64(*n), m_limit) : quint64(*n));
    }
    resortIfNeeded();
    return array().count();
}

platform::ManagedObject* TDOrderedCollection::objectAtIndex(qsizetype index) {
    resortIfNeeded();
    return array().objectAtIndex(index);
}

bool TDOrderedCollection::containsObject(Object* object) {
    return array().containsObject(object);
}

QList<platform::ManagedObject*> TDOrderedCollection::objects() {
    resortIfNeeded();
    return array().visibleObjects();
}

void TDOrderedCollection::beginEditing() {
    m_sortKeys.forgetAll();
    m_beganEditing = true;
    m_ignoreChange = true;
}

void TDOrderedCollection::endEditing() {
    m_beganEditing = false;
    m_ignoreChange = false;
    m_sortKeys.forgetAll();
    publishChanges();
}

void TDOrderedCollection::p_beginChange() {
    m_sortKeys.forgetAll();
    m_needsPublishing = true;
    if (!m_beganEditing) m_ignoreChange = true;
}

// Observation notices of our own change arrive while they are still ignored.
void TDOrderedCollection::p_endChange() {
    if (m_beganEditing) return;
    if (m_object && m_object->managedObjectContext())
        m_object->managedObjectContext()->processPendingChanges();
    m_ignoreChange = false;
    m_sortKeys.forgetAll();
    publishChanges();
}

// The unfiltered list first: filtering keeps its order, so members the descriptors tie stay in display order.
void TDOrderedCollection::resortIfNeeded() {
    if (!m_needsToSort) return;
    TDFilteringMutableArray& members = array();
    const QList<platform::SortDescriptor>& displayOrder = TDDisplayOrderSortDescriptors();
    if (!m_membersToPlace.isEmpty() && members.changeCount() == m_placeGeneration) {
        members.placeMembers(m_membersToPlace,
                             m_sortDescriptors.isEmpty() ? displayOrder : m_sortDescriptors + displayOrder,
                             displayOrder);
    } else if (!m_sortDescriptors.isEmpty() && !m_modifiesDisplayOrder) {
        // A sorted view that never writes display orders: the display order as the last descriptor keeps
        // tied members as the unfiltered list in display order would, without sorting every member of
        // the relationship (sections over one group are many, and each would sort all of it).
        members.sortUsingDescriptors(m_sortDescriptors + displayOrder, &m_sortKeys);
        m_unfilteredInDisplayOrder = m_displayOrderedAt == members.unfilteredChangeCount();
    } else {
        p_orderUnfilteredByDisplayOrder();
        if (m_sortDescriptors.isEmpty())
            members.sortUsingDescriptors(displayOrder);
        else
            members.sortUsingDescriptors(m_sortDescriptors, &m_sortKeys);
    }
    m_membersToPlace.clear();
    m_needsToSort = false;
}

void TDOrderedCollection::p_orderUnfilteredByDisplayOrder() {
    TDFilteringMutableArray& members = array();
    if (m_displayOrderedAt != members.unfilteredChangeCount()) {
        members.sortUnfilteredArrayUsingDescriptors(TDDisplayOrderSortDescriptors());
        m_displayOrderedAt = members.unfilteredChangeCount();
    }
    m_unfilteredInDisplayOrder = true;
}

void TDOrderedCollection::resetDisplayOrders() {
    resortIfNeeded();
    p_orderUnfilteredByDisplayOrder();
    p_renumber();
}

void TDOrderedCollection::p_renumber() {
    m_sortKeys.forgetAll();
    double order = 0;
    for (Object* member : array().unfilteredObjectArray()) {
        setDisplayOrder(member, order);
        order += 1000;
    }
}

bool TDOrderedCollection::checkDisplayOrders() {
    if (!m_sortDescriptors.isEmpty()) return true;
    resortIfNeeded();
    const QList<Object*>& members = array().unfilteredObjectArray();
    if (members.size() < 2) return true;
    for (qsizetype i = members.size() - 2; i >= 0; --i) {
        const double here = displayOrder(members.at(i));
        const double next = displayOrder(members.at(i + 1));
        if (here < next) continue;
        logWithLevel(TDLogWarning, "WARNING",
                     "-------------------------------------------------------------");
        logWithLevel(TDLogWarning, "WARNING",
                     "Display order of object '%@' is messed up (index %ld: %lf, %lf)",
                     m_object ? m_object->value(QStringLiteral("title")).toString() : QString(), qint64(i),
                     here, next);
        logWithLevel(TDLogWarning, "WARNING", "title 1: %@",
                     members.at(i)->value(QStringLiteral("title")).toString());
        logWithLevel(TDLogWarning, "WARNING", "title 2: %@",
                     members.at(i + 1)->value(QStringLiteral("title")).toString());
        return false;
    }
    return true;
}

qsizetype TDOrderedCollection::p_unfilteredIndexForIndex(qsizetype index) {
    TDFilteringMutableArray& members = array();
    const QList<Object*>& unfiltered = members.unfilteredObjectArray();
    const qsizetype visible = members.count();
    if (unfiltered.isEmpty() || visible == 0) return 0;
    if (index >= visible) return unfiltered.indexOf(members.objectAtIndex(visible - 1)) + 1;
    return unfiltered.indexOf(members.objectAtIndex(index));
}

// Most callers place a new object and go on: a refusal logged here is the trace an orphan leaves.
void TDOrderedCollection::p_logRefusedInsert(const Object* object, const TDError& error) const {
    logWithLevel(TDLogError, "ERROR", "Could not insert %@ into \"%@\" of %@: %@", objectDescription(object),
                 m_keyPath, objectDescription(m_object), error.description);
}

Status TDOrderedCollection::insertObject(Object* object, qsizetype index) {
    const Status inserted = p_insertObject(object, index);
    if (!inserted) p_logRefusedInsert(object, inserted.error());
    return inserted;
}

Status TDOrderedCollection::p_insertObject(Object* object, qsizetype index) {
    if (!object) return collectionError("tried to insert a nil object to a TDOrderedCollection object");
    resortIfNeeded();
    if (index < 0 || index > count())
        return collectionError("index out of bounds when inserting to a TDOrderedCollection object");
    if (containsObject(object)) return collectionError("Inserting duplicate object into TDOrderedCollection");
    p_beginChange();
    Status inserted = p_insertObjectAtUnfilteredIndex(object, p_unfilteredIndexForIndex(index));
    if (inserted) {
        m_object->addObject(m_keyPath, object);
        // The owner may refuse the member (a task under its own descendant).
        if (!m_object->objects(m_keyPath).contains(object)) {
            array().removeObject(object);
            inserted =
                collectionError("The object refused to join the relationship of the TDOrderedCollection");
        }
    }
    p_endChange();
    return inserted;
}

Status TDOrderedCollection::p_insertObjectAtUnfilteredIndex(Object* object, qsizetype index) {
    if (!object) return collectionError("tried to insert a nil object to a TDOrderedCollection object");
    TDFilteringMutableArray& members = array();
    if (index < 0 || index > members.unfilteredObjectArray().size())
        return collectionError("index out of bounds when inserting to a TDOrderedCollection object");
    // A member hidden by the filter moves to the new place instead of standing twice.
    members.insertObjectAtUnfilteredIndex(object, index);
    p_setDisplayOrderOfObjects({object}, members.unfilteredObjectArray().indexOf(object));
    if (!m_sortDescriptors.isEmpty()) m_needsToSort = true;
    return {};
}

Status TDOrderedCollection::insertObjectsAtIndexes(const QList<Object*>& objects,
                                                   const QList<qsizetype>& indexes) {
    if (objects.size() != indexes.size()) {
        const TDError error =
            collectionError("index out of bounds when inserting to a TDOrderedCollection object");
        for (const Object* object : objects) p_logRefusedInsert(object, error);
        return error;
    }
    QList<qsizetype> sorted = indexes;
    std::sort(sorted.begin(), sorted.end());
    const bool wasEditing = m_beganEditing;
    if (!wasEditing) beginEditing();
    Status status;
    for (qsizetype i = 0; i < objects.size() && status; ++i)
        status = insertObject(objects.at(i), sorted.at(i));
    if (!wasEditing) {
        endEditing();
        m_ignoreChange = true;
        p_endChange();
    }
    return status;
}

Status TDOrderedCollection::insertObjects(const QList<Object*>& objects, qsizetype index) {
    if (objects.isEmpty()) return {};
    if (objects.size() == 1) return insertObject(objects.first(), index);
    auto refuse = [this, &objects](const char* message, const Object* culprit = nullptr) {
        const TDError error = collectionError(message);
        if (culprit) {
            p_logRefusedInsert(culprit, error);
        } else {
            for (const Object* object : objects) p_logRefusedInsert(object, error);
        }
        return error;
    };
    resortIfNeeded();
    if (index < 0 || index > count())
        return refuse("index out of bounds when inserting to a TDOrderedCollection object");
    for (Object* object : objects) {
        if (!object) return refuse("tried to insert a nil object to a TDOrderedCollection object");
        if (containsObject(object))
            return refuse("Inserting duplicate object into TDOrderedCollection", object);
    }
    p_beginChange();
    TDFilteringMutableArray& members = array();
    members.insertObjectsAtUnfilteredIndex(objects, p_unfilteredIndexForIndex(index));
    p_setDisplayOrderOfObjects(objects, members.unfilteredObjectArray().indexOf(objects.first()));
    m_object->addObjects(m_keyPath, objects);
    Status status;
    for (Object* object : objects) {
        if (m_object->objects(m_keyPath).contains(object)) continue;
        members.removeObject(object);
        status = refuse("The object refused to join the relationship of the TDOrderedCollection", object);
    }
    if (!m_sortDescriptors.isEmpty()) m_needsToSort = true;
    p_endChange();
    return status;
}

void TDOrderedCollection::repositionObjectsAfter(const QList<Object*>& objects, Object* anchor) {
    if (objects.isEmpty()) return;
    p_reposition(objects, anchor, true);
}

void TDOrderedCollection::repositionObjectsBefore(const QList<Object*>& objects, Object* anchor) {
    p_reposition(objects, anchor, false);
}

// Only members move; the relationship stays as it is.
void TDOrderedCollection::p_reposition(const QList<Object*>& candidates, Object* anchor, bool after) {
    resortIfNeeded();
    TDFilteringMutableArray& members = array();
    QList<Object*> objects;
    for (Object* object : candidates)
        if (members.unfilteredObjectSet().contains(object) && object != anchor) objects.append(object);
    if (objects.isEmpty()) return;
    p_beginChange();
    for (Object* object : objects) members.removeObject(object);
    qsizetype index = members.unfilteredObjectArray().indexOf(anchor);
    index = index < 0 ? members.unfilteredObjectArray().size() : index + (after ? 1 : 0);
    members.insertObjectsAtUnfilteredIndex(objects, index);
    p_setDisplayOrderOfObjects(objects, index);
    if (!m_sortDescriptors.isEmpty()) m_needsToSort = true;
    p_endChange();
}

Status TDOrderedCollection::removeObjectAtIndex(qsizetype index) {
    resortIfNeeded();
    const qsizetype n = count();
    if (n == 0) return collectionError("Tried to remove an object from an empty TDOrderedCollection object");
    if (index < 0 || index >= n)
        return collectionError(
            "index out of bounds when removing an object from a TDOrderedCollection object");
    p_beginChange();
    Object* object = array().objectAtIndex(index);
    array().removeObject(object);
    m_object->removeObject(m_keyPath, object);
    p_endChange();
    return {};
}

Status TDOrderedCollection::removeLastObject() {
    const qsizetype n = count();
    if (n == 0) return collectionError("Tried to remove an object from an empty TDOrderedCollection object");
    return removeObjectAtIndex(n - 1);
}

Status TDOrderedCollection::replaceObjectAtIndex(qsizetype index, Object* object) {
    if (!object)
        return collectionError(
            "tried to replace an object in a TDOrderedCollection object with a nil object");
    resortIfNeeded();
    if (index < 0 || index >= count())
        return collectionError(
            "index out of bounds when replacing an object in a TDOrderedCollection object");
    if (m_object->objects(m_keyPath).contains(object)) return {};
    p_beginChange();
    Object* old = array().objectAtIndex(index);
    if (m_modifiesDisplayOrder) setDisplayOrder(object, displayOrder(old));
    array().replaceObjectAtIndex(index, object);
    m_object->removeObject(m_keyPath, old);
    m_object->addObject(m_keyPath, object);
    if (!m_sortDescriptors.isEmpty()) m_needsToSort = true;
    p_endChange();
    return {};
}

void TDOrderedCollection::relationshipDidChange(const platform::KeyChange& change) {
    if (m_ignoreChange || !m_array) return;
    m_needsPublishing = true;
    for (const QList<Object*>* objects : {&change.oldObjects, &change.newObjects})
        for (Object* object : *objects) m_sortKeys.forget(object);
    switch (change.kind) {
        case platform::KeyChange::Setting:
            m_sortKeys.forgetAll();
            m_array.reset();
            break;
        case platform::KeyChange::Insertion:
            p_insertObjectsToArray(change.newObjects);
            break;
        case platform::KeyChange::Removal:
            for (Object* object : change.oldObjects) m_array->removeObject(object);
            break;
        case platform::KeyChange::Replacement:
            for (Object* object : change.oldObjects) m_array->removeObject(object);
            p_insertObjectsToArray(change.newObjects);
            break;
    }
}

// A few members changed in lists otherwise in order are put back in place on the next read; anything
// else that happens to the lists meanwhile makes it a whole new filtering and sorting.
void TDOrderedCollection::membersDidChange(const QList<Object*>& changed) {
    if (m_ignoreChange || !m_array) return;
    for (Object* object : changed) m_sortKeys.forget(object);
    QList<Object*> members;
    for (Object* object : changed)
        if (m_array->unfilteredObjectSet().contains(object)) members.append(object);
    if (members.isEmpty()) return;
    m_displayOrderedAt.reset();
    const bool inOrder = !m_needsToSort && !m_array->needsFiltering() && m_unfilteredInDisplayOrder;
    const bool placing = !m_membersToPlace.isEmpty() && m_array->changeCount() == m_placeGeneration;
    if (inOrder || placing) {
        for (Object* object : std::as_const(members))
            if (!m_membersToPlace.contains(object)) m_membersToPlace.append(object);
        if (m_membersToPlace.size() > kMembersPlacedOneByOne) m_membersToPlace.clear();
    } else {
        m_membersToPlace.clear();
    }
    m_array->setNeedsFiltering(true);
    m_needsToSort = true;
    m_placeGeneration = m_array->changeCount();
    m_needsPublishing = true;
}

void TDOrderedCollection::p_insertObjectsToArray(const QList<Object*>& objects) {
    for (Object* object : objects) p_insertObjectToArray(object);
    m_array->setNeedsFiltering(true);
    m_needsToSort = true;
    resortIfNeeded();
}

void TDOrderedCollection::p_insertObjectToArray(Object* object) {
    if (m_array->unfilteredObjectSet().contains(object)) return;
    if (!m_modifiesDisplayOrder) {
        m_array->addObject(object);
        return;
    }
    const QList<Object*>& unfiltered = m_array->unfilteredObjectArray();
    const double order = displayOrder(object);
    qsizetype index = unfiltered.size();
    for (qsizetype i = 0; i < unfiltered.size(); ++i) {
        if (displayOrder(unfiltered.at(i)) >= order) {
            index = i;
            break;
        }
    }
    // Undo and redo give back the display orders as they were: a new one here would differ from them.
    if (isUndoingOrRedoing(m_object)) {
        m_array->insertObjectAtUnfilteredIndex(object, index);
        if (!m_sortDescriptors.isEmpty()) m_needsToSort = true;
        return;
    }
    (void)p_insertObjectAtUnfilteredIndex(object, index);  // a member and an index in range: it cannot fail
}

void TDOrderedCollection::p_setDisplayOrderOfObjects(const QList<Object*>& objects, qsizetype index) {
    const qsizetype n = objects.size();
    if (n == 0 || !m_modifiesDisplayOrder) return;
    m_sortKeys.forgetAll();
    if (const TDManagedObjectContext* context = TDManagedObjectContext::of(m_object))
        if (context->isRestoringLibrary() || context->isSyncingLibrary()) return;
    const QList<Object*> u = array().unfilteredObjectArray();
    if (u.size() == n) {
        setDisplayOrder(u.at(0), randomFraction() * 1000);
        for (qsizetype k = 1; k < n; ++k)
            setDisplayOrder(u.at(k), displayOrder(u.at(k - 1)) + randomFraction() * 1000);
    } else if (index == 0) {
        for (qsizetype k = n - 1; k >= 0; --k)
            setDisplayOrder(u.at(k), displayOrder(u.at(k + 1)) - randomFraction() * 1000);
    } else if (u.last() == objects.last()) {
        for (qsizetype k = index; k < index + n; ++k)
            setDisplayOrder(u.at(k), displayOrder(u.at(k - 1)) + randomFraction() * 1000);
    } else {
        const double lower = displayOrder(u.at(index - 1));
        const double upper = displayOrder(u.at(index + n));
        const double step = (upper - lower) / double(n);
        double previous = 0;
        for (qsizetype k = 0; k < n; ++k) {
            const double v = (randomFraction() + double(k)) * step + lower;
            if (v == lower || v == upper || (k > 0 && v == previous)) {
                p_renumber();
                return;
            }
            setDisplayOrder(objects.at(k), v);
            previous = v;
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// Publishing

const QList<platform::ManagedObject*>& TDOrderedCollection::filteredMembers() {
    TDFilteringMutableArray& members = array();
    // Filtering undoes the last sort.
    if (members.needsFiltering()) m_needsToSort = true;
    return members.filteredObjects();
}

const QList<platform::ManagedObject*>& TDOrderedCollection::publishedObjects() {
    // Unwatched, the list is kept only for the caller: watching starts again from objects().
    if (!m_watched) m_published = objects();
    return m_published;
}

bool TDOrderedCollection::p_isWatched() const {
    for (const QMetaMethod& signal : publishingSignals())
        if (isSignalConnected(signal)) return true;
    return false;
}

void TDOrderedCollection::connectNotify(const QMetaMethod& signal) {
    QObject::connectNotify(signal);
    if (m_watched || !publishingSignals().contains(signal)) return;
    m_watched = true;
    m_published = objects();
    m_needsPublishing = false;
    m_needsReset = false;
    m_changedMembers.clear();
    if (platform::ManagedObjectContext* context = m_object ? m_object->managedObjectContext() : nullptr)
        m_contextObserverToken = platform::NotificationCenter::defaultCenter().addObserver(
            this, platform::ManagedObjectContextObjectsDidChangeNotification, context,
            [this](const platform::Notification& notification) { p_contextDidChange(notification); });
}

void TDOrderedCollection::disconnectNotify(const QMetaMethod& signal) {
    QObject::disconnectNotify(signal);
    if (!m_watched) return;
    // Qt may call this with its connection lock held (a receiver being destroyed): asking which
    // signals are still connected would deadlock, so that is asked once the event is over.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_watched && !p_isWatched()) p_stopWatching();
        },
        Qt::QueuedConnection);
}

void TDOrderedCollection::p_stopWatching() {
    m_watched = false;
    m_published.clear();
    m_changedMembers.clear();
    if (m_contextObserverToken)
        platform::NotificationCenter::defaultCenter().removeObserver(
            std::exchange(m_contextObserverToken, 0));
}

// The context's processing pass: what anyone else changed is published now.
void TDOrderedCollection::p_contextDidChange(const platform::Notification& notification) {
    const QList<Object*> updated =
        platform::managedObjectsFromVariantList(notification.userInfo.value(TDUpdatedObjectsKey));
    const QList<Object*> refreshed =
        platform::managedObjectsFromVariantList(notification.userInfo.value(TDRefreshedObjectsKey));
    if (m_tracking == Tracking::Observing) membersDidChange(updated.isEmpty() ? refreshed : updated);
    if (m_array) {
        const auto keys = notification.userInfo.value(TDUpdatedKeysKey).value<platform::ChangedKeys>();
        for (const QList<Object*>* changed : {&updated, &refreshed})
            for (Object* object : *changed)
                if (m_array->unfilteredObjectSet().contains(object))
                    m_changedMembers[object].unite(keys.value(object));
    }
    publishChanges();
}

void TDOrderedCollection::publishChanges() {
    if (!m_watched || m_publishing) return;
    // Receivers that went away with their objects need not have said so.
    if (!p_isWatched()) {
        p_stopWatching();
        return;
    }
    m_publishing = true;
    // A receiver may change the collection again; what it changes is published in a further round.
    for (int round = 0; round < 8 && (m_needsPublishing || !m_changedMembers.isEmpty()); ++round) {
        if (m_needsPublishing) p_publishStructure();
        p_publishMemberChanges();
    }
    m_publishing = false;
}

void TDOrderedCollection::p_publishStructure() {
    m_needsPublishing = false;
    const QList<Object*> now = objects();
    std::optional<QList<TDCollectionStep>> steps;
    if (!std::exchange(m_needsReset, false))
        steps = TDCollectionDifference(m_published, now, kStepwiseWorkLimit);
    if (!steps) {
        Q_EMIT aboutToBeReset();
        m_published = now;
        Q_EMIT wasReset();
        return;
    }
    for (const TDCollectionStep& step : std::as_const(*steps)) {
        switch (step.kind) {
            case TDCollectionStep::Remove:
                Q_EMIT objectsAboutToBeRemoved(step.first, step.last);
                TDApplyCollectionStep(m_published, step, now);
                Q_EMIT objectsRemoved(step.first, step.last);
                break;
            case TDCollectionStep::Insert:
                Q_EMIT objectsAboutToBeInserted(step.first, step.last);
                TDApplyCollectionStep(m_published, step, now);
                Q_EMIT objectsInserted(step.first, step.last);
                break;
            case TDCollectionStep::Move:
                Q_EMIT objectsAboutToBeMoved(step.first, step.last, step.destination);
                TDApplyCollectionStep(m_published, step, now);
                Q_EMIT objectsMoved(step.first, step.last, step.destination);
                break;
        }
    }
}

void TDOrderedCollection::p_publishMemberChanges() {
    if (m_changedMembers.isEmpty()) return;
    const platform::ChangedKeys changed = std::exchange(m_changedMembers, {});
    QList<std::pair<qsizetype, QStringList>> rows;
    auto add = [&rows](qsizetype index, const QSet<QString>& keys) {
        QStringList list(keys.begin(), keys.end());
        list.sort();
        rows.append({index, list});
    };
    // A few edits look their rows up; a burst walks the published list once.
    if (changed.size() <= 8) {
        for (auto it = changed.cbegin(); it != changed.cend(); ++it)
            if (const qsizetype index = m_published.indexOf(it.key()); index >= 0) add(index, it.value());
        std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    } else {
        for (qsizetype i = 0; i < m_published.size(); ++i)
            if (auto it = changed.constFind(m_published.at(i)); it != changed.cend()) add(i, it.value());
    }
    for (const auto& [index, keys] : std::as_const(rows)) Q_EMIT memberChanged(index, keys);
}
