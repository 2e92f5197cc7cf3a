#pragma once

#include "platform/notifications/notification.h"

#include <QHash>
#include <QObject>
#include <QVariantMap>

namespace platform {
class NotificationCenter;
class NotificationQueue;
}  // namespace platform

// Turns each change notification of a library context into four: priority and plain at once, one as soon
// as possible and one when idle. The two delayed ones are coalesced per context and carry the union of
// every change since their last delivery, so observers that hear only once after a burst miss nothing.
class TDManagedObjectContextDidChangeNotificationSplitter final : public QObject {
    Q_OBJECT
public:
    explicit TDManagedObjectContextDidChangeNotificationSplitter(platform::NotificationCenter& center,
                                                                 platform::NotificationQueue& queue,
                                                                 QObject* parent = nullptr);
    TDManagedObjectContextDidChangeNotificationSplitter();

    void enqueueNotifications(const platform::Notification& contextChange);

    // The accumulated sets after merging the change into them.
    QVariantMap mergeUserInfo(const QVariantMap& userInfo, const QString& notificationName,
                              const void* context);

private:
    void p_enqueueDelayed(const platform::Notification& contextChange, const QString& name,
                          const QString& cleanUpName, int postingStyle);
    void p_cleanUp(const platform::Notification& cleanUp);

    platform::NotificationQueue& m_queue;
    // Delayed notification name -> context -> accumulated change sets.
    QHash<QString, QHash<const void*, QVariantMap>> m_userInfos;
};
