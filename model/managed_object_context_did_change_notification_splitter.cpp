#include "model/managed_object_context_did_change_notification_splitter.h"

#include "model/library_notifications.h"
#include "platform/kvc/key_value_coding.h"
#include "platform/notifications/notification_center.h"
#include "platform/notifications/notification_queue.h"
#include "platform/objectstore/managed_object_context.h"

#include <QSet>

using platform::Notification;
using platform::NotificationQueue;

namespace {

const QStringList& changeKeys() {
    static const QStringList keys{TDInsertedObjectsKey,  TDUpdatedObjectsKey,     TDDeletedObjectsKey,
                                  TDRefreshedObjectsKey, TDInvalidatedObjectsKey, TDInvalidatedAllObjectsKey};
    return keys;
}

// Identity of an element of a change set: objects by address, anything else by its text.
QString identity(const QVariant& v) {
    if (platform::KeyValueCoding* o = platform::objectFromVariant(v))
        return QString::number(reinterpret_cast<quintptr>(o), 16);
    return v.toString();
}

void uniteInto(QVariantList& accumulated, const QVariantList& added) {
    QSet<QString> present;
    for (const QVariant& v : accumulated) present.insert(identity(v));
    for (const QVariant& v : added)
        if (!present.contains(identity(v))) {
            present.insert(identity(v));
            accumulated.append(v);
        }
}

}  // namespace

TDManagedObjectContextDidChangeNotificationSplitter::TDManagedObjectContextDidChangeNotificationSplitter(
    platform::NotificationCenter& center, platform::NotificationQueue& queue, QObject* parent)
    : QObject(parent), m_queue(queue) {
    for (const QString& name : {TDLibraryMOCDidChangeDelayedCleanUpNotification,
                                TDLibraryMOCDidChangeDelayedUntilIdleCleanUpNotification})
        center.addObserver(this, name, nullptr, [this](const Notification& n) { p_cleanUp(n); });
}

TDManagedObjectContextDidChangeNotificationSplitter::TDManagedObjectContextDidChangeNotificationSplitter()
    : TDManagedObjectContextDidChangeNotificationSplitter(platform::NotificationCenter::defaultCenter(),
                                                          NotificationQueue::defaultQueue()) {
}

QVariantMap TDManagedObjectContextDidChangeNotificationSplitter::mergeUserInfo(
    const QVariantMap& userInfo, const QString& notificationName, const void* context) {
    QVariantMap& accumulated = m_userInfos[notificationName][context];
    for (const QString& key : changeKeys()) {
        const QVariant added = userInfo.value(key);
        if (added.metaType().id() != QMetaType::QVariantList) continue;
        QVariantList sets = accumulated.value(key).toList();
        uniteInto(sets, added.toList());
        accumulated.insert(key, sets);
    }
    if (userInfo.contains(TDUpdatedKeysKey)) {
        auto keys = accumulated.value(TDUpdatedKeysKey).value<platform::ChangedKeys>();
        const auto added = userInfo.value(TDUpdatedKeysKey).value<platform::ChangedKeys>();
        for (auto it = added.cbegin(); it != added.cend(); ++it) keys[it.key()].unite(it.value());
        accumulated.insert(TDUpdatedKeysKey, QVariant::fromValue(keys));
    }
    return accumulated;
}

void TDManagedObjectContextDidChangeNotificationSplitter::enqueueNotifications(const Notification& change) {
    const Notification priority{TDLibraryMOCDidChangePriorityNotification, change.sender, change.userInfo};
    const Notification plain{TDLibraryMOCDidChangeNotification, change.sender, change.userInfo};
    m_queue.enqueue(priority, NotificationQueue::PostNow, NotificationQueue::NoCoalescing);
    m_queue.enqueue(plain, NotificationQueue::PostNow, NotificationQueue::NoCoalescing);
    p_enqueueDelayed(change, TDLibraryMOCDidChangeDelayedNotification,
                     TDLibraryMOCDidChangeDelayedCleanUpNotification, NotificationQueue::PostASAP);
    p_enqueueDelayed(change, TDLibraryMOCDidChangeDelayedUntilIdleNotification,
                     TDLibraryMOCDidChangeDelayedUntilIdleCleanUpNotification,
                     NotificationQueue::PostWhenIdle);
}

void TDManagedObjectContextDidChangeNotificationSplitter::p_enqueueDelayed(const Notification& change,
                                                                           const QString& name,
                                                                           const QString& cleanUpName,
                                                                           int postingStyle) {
    const auto style = static_cast<NotificationQueue::PostingStyle>(postingStyle);
    const int coalescing = NotificationQueue::CoalesceOnName | NotificationQueue::CoalesceOnSender;
    const Notification cleanUp{cleanUpName, change.sender, {}};
    const Notification delayed{name, change.sender, mergeUserInfo(change.userInfo, name, change.sender)};
    // Pending ones are replaced, so the delivered notification carries the merged sets.
    m_queue.dequeueMatching(cleanUp, coalescing);
    m_queue.dequeueMatching(delayed, coalescing);
    m_queue.enqueue(cleanUp, style, coalescing);
    m_queue.enqueue(delayed, style, coalescing);
}

void TDManagedObjectContextDidChangeNotificationSplitter::p_cleanUp(const Notification& cleanUp) {
    const QString name = cleanUp.name == TDLibraryMOCDidChangeDelayedCleanUpNotification
                             ? TDLibraryMOCDidChangeDelayedNotification
                             : TDLibraryMOCDidChangeDelayedUntilIdleNotification;
    auto it = m_userInfos.find(name);
    if (it != m_userInfos.end()) it->remove(cleanUp.sender);
}
