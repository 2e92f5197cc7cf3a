#pragma once

#include "platform/notifications/notification.h"

#include <QBasicTimer>
#include <QObject>

#include <deque>

namespace platform {

class NotificationCenter;

// Posts notifications later through a centre: now, as soon as possible (at the end of the current
// event-loop pass) or when the loop is idle. A notification enqueued while a matching one (by name,
// by sender or both) is pending is dropped, so a burst of changes is delivered once.
class NotificationQueue final : public QObject {
    Q_OBJECT
public:
    enum PostingStyle { PostNow, PostASAP, PostWhenIdle };
    enum Coalescing { NoCoalescing = 0, CoalesceOnName = 1, CoalesceOnSender = 2 };

    explicit NotificationQueue(NotificationCenter& center, QObject* parent = nullptr);
    ~NotificationQueue() override;

    // The calling thread's queue over the default centre.
    static NotificationQueue& defaultQueue();

    void enqueue(const Notification& notification, PostingStyle style,
                 int coalescing = CoalesceOnName | CoalesceOnSender);
    // Removes pending notifications that match by the given mask.
    void dequeueMatching(const Notification& notification, int coalescing);
    int pendingCount() const { return static_cast<int>(m_asap.size() + m_idle.size()); }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    static bool matches(const Notification& a, const Notification& b, int coalescing);
    bool isPending(const Notification& n, int coalescing) const;
    void scheduleASAP();
    void postASAP();
    void postIdle();

    NotificationCenter& m_center;
    std::deque<Notification> m_asap;
    std::deque<Notification> m_idle;
    bool m_asapScheduled = false;
    QBasicTimer m_idleTimer;
};

}  // namespace platform
