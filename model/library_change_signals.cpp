#include "model/library_change_signals.h"

#include "model/library_notifications.h"
#include "platform/notifications/notification_center.h"

#include <QSet>

using platform::ManagedObject;

namespace {

const QString& notificationName(TDLibraryChangeSignals::Timing timing) {
    switch (timing) {
        case TDLibraryChangeSignals::Timing::Delayed:
            return TDLibraryMOCDidChangeDelayedNotification;
        case TDLibraryChangeSignals::Timing::DelayedUntilIdle:
            return TDLibraryMOCDidChangeDelayedUntilIdleNotification;
        case TDLibraryChangeSignals::Timing::AtOnce:
            break;
    }
    return TDLibraryMOCDidChangeNotification;
}

template <typename T>
QList<T*> ofKind(const QList<ManagedObject*>& objects) {
    QList<T*> found;
    for (ManagedObject* object : objects)
        if (T* typed = dynamic_cast<T*>(object)) found.append(typed);
    return found;
}

}  // namespace

TDLibraryChangeSignals::TDLibraryChangeSignals(platform::ManagedObjectContext* context, Timing timing,
                                               QObject* parent)
    : QObject(parent) {
    platform::NotificationCenter::defaultCenter().addObserver(
        this, notificationName(timing), context,
        [this](const platform::Notification& notification) { p_contextDidChange(notification); });
}

void TDLibraryChangeSignals::p_contextDidChange(const platform::Notification& notification) {
    const QVariantMap& info = notification.userInfo;
    if (!info.value(TDInvalidatedAllObjectsKey).toList().isEmpty()) {
        Q_EMIT allObjectsInvalidated();
        return;
    }
    const QList<ManagedObject*> inserted =
        platform::managedObjectsFromVariantList(info.value(TDInsertedObjectsKey));
    const QList<ManagedObject*> deleted =
        platform::managedObjectsFromVariantList(info.value(TDDeletedObjectsKey));
    QList<ManagedObject*> updated = platform::managedObjectsFromVariantList(info.value(TDUpdatedObjectsKey));
    QSet<ManagedObject*> seen(updated.begin(), updated.end());
    for (ManagedObject* object : platform::managedObjectsFromVariantList(info.value(TDRefreshedObjectsKey)))
        if (!seen.contains(object)) {
            seen.insert(object);
            updated.append(object);
        }
    const auto keys = info.value(TDUpdatedKeysKey).value<platform::ChangedKeys>();

    if (!inserted.isEmpty()) {
        Q_EMIT objectsInserted(inserted);
        if (const QList<TDTask*> tasks = ofKind<TDTask>(inserted); !tasks.isEmpty())
            Q_EMIT tasksInserted(tasks);
        if (const QList<TDGroup*> groups = ofKind<TDGroup>(inserted); !groups.isEmpty())
            Q_EMIT groupsInserted(groups);
    }
    if (!updated.isEmpty()) {
        Q_EMIT objectsUpdated(updated, keys);
        if (const QList<TDTask*> tasks = ofKind<TDTask>(updated); !tasks.isEmpty())
            Q_EMIT tasksUpdated(tasks, keys);
        if (const QList<TDGroup*> groups = ofKind<TDGroup>(updated); !groups.isEmpty())
            Q_EMIT groupsUpdated(groups, keys);
    }
    if (!deleted.isEmpty()) {
        Q_EMIT objectsDeleted(deleted);
        if (const QList<TDTask*> tasks = ofKind<TDTask>(deleted); !tasks.isEmpty())
            Q_EMIT tasksDeleted(tasks);
        if (const QList<TDGroup*> groups = ofKind<TDGroup>(deleted); !groups.isEmpty())
            Q_EMIT groupsDeleted(groups);
    }
}
