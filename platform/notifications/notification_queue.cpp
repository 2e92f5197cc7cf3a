#include "platform/notifications/notification_queue.h"

#include "platform/notifications/notification_center.h"

#include <QTimerEvent>

#include <memory>

namespace platform {

NotificationQueue::NotificationQueue(NotificationCenter& center, QObject* parent)
    : QObject(parent), m_center(center) {
}

NotificationQueue::~NotificationQueue() = default;

NotificationQueue& NotificationQueue::defaultQueue() {
    thread_local std::unique_ptr<NotificationQueue> queue;
    if (!queue) queue = std::make_unique<NotificationQueue>(NotificationCenter::defaultCenter());
    return *queue;
}

bool NotificationQueue::matches(const Notification& a, const Notification& b, int coalescing) {
    if (coalescing == NoCoalescing) return false;
    if ((coalescing & CoalesceOnName) && a.name != b.name) return false;
    if ((coalescing & CoalesceOnSender) && a.sender != b.sender) return false;
    return true;
}

bool NotificationQueue::isPending(const Notification& n, int coalescing) const {
    for (const auto* list : {&m_asap, &m_idle})
        for (const Notification& p : *list)
            if (matches(p, n, coalescing)) return true;
    return false;
}

void NotificationQueue::enqueue(const Notification& notification, PostingStyle style, int coalescing) {
    if (style == PostNow) {
        dequeueMatching(notification, coalescing);
        m_center.post(notification);
        return;
    }
    if (isPending(notification, coalescing)) return;
    if (style == PostASAP) {
        m_asap.push_back(notification);
        scheduleASAP();
    } else {
        m_idle.push_back(notification);
        // A zero timer fires once the events already waiting have been handled.
        if (!m_idleTimer.isActive()) m_idleTimer.start(0, this);
    }
}

void NotificationQueue::dequeueMatching(const Notification& notification, int coalescing) {
    for (auto* list : {&m_asap, &m_idle})
        std::erase_if(*list, [&](const Notification& p) { return matches(p, notification, coalescing); });
}

void NotificationQueue::scheduleASAP() {
    if (m_asapScheduled) return;
    m_asapScheduled = true;
    QMetaObject::invokeMethod(this, &NotificationQueue::postASAP, Qt::QueuedConnection);
}

void NotificationQueue::postASAP() {
    m_asapScheduled = false;
    // Only what is pending now; what observers enqueue waits for the next pass.
    std::deque<Notification> batch;
    batch.swap(m_asap);
    for (const Notification& n : batch) m_center.post(n);
}

void NotificationQueue::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_idleTimer.timerId()) return QObject::timerEvent(event);
    // Idle means nothing sooner is waiting: let the as-soon-as-possible ones go first.
    if (!m_asap.empty()) return;
    m_idleTimer.stop();
    postIdle();
}

void NotificationQueue::postIdle() {
    std::deque<Notification> batch;
    batch.swap(m_idle);
    for (const Notification& n : batch) m_center.post(n);
    if (!m_idle.empty()) m_idleTimer.start(0, this);
}

}  // namespace platform
