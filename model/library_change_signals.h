#pragma once

#include "model/group.h"
#include "model/task.h"
#include "platform/notifications/notification.h"
#include "platform/objectstore/managed_object_context.h"

#include <QList>
#include <QObject>

// The library context's change notifications as typed signals for the presentation layer: what was
// inserted, updated (with the keys that changed; objects merged from another context count as updated)
// and deleted, for all objects and for tasks and groups on their own.
class TDLibraryChangeSignals : public QObject {
    Q_OBJECT
public:
    // Which of the library's change notifications to follow: at once, as soon as possible, or once the
    // event loop is idle (the last two carry everything since their previous delivery).
    enum class Timing { AtOnce, Delayed, DelayedUntilIdle };

    explicit TDLibraryChangeSignals(platform::ManagedObjectContext* context, Timing timing = Timing::AtOnce,
                                    QObject* parent = nullptr);

Q_SIGNALS:
    void objectsInserted(const QList<platform::ManagedObject*>& objects);
    void objectsUpdated(const QList<platform::ManagedObject*>& objects, const platform::ChangedKeys& keys);
    void objectsDeleted(const QList<platform::ManagedObject*>& objects);
    void tasksInserted(const QList<TDTask*>& tasks);
    void tasksUpdated(const QList<TDTask*>& tasks, const platform::ChangedKeys& keys);
    void tasksDeleted(const QList<TDTask*>& tasks);
    void groupsInserted(const QList<TDGroup*>& groups);
    void groupsUpdated(const QList<TDGroup*>& groups, const platform::ChangedKeys& keys);
    void groupsDeleted(const QList<TDGroup*>& groups);
    // Every object of the context went away (it was reset): anything held must be dropped.
    void allObjectsInvalidated();

private:
    void p_contextDidChange(const platform::Notification& notification);
};
