#include "platform/notifications/notification_center.h"

namespace platform {

NotificationCenter::NotificationCenter(QObject* parent) : QObject(parent) {
}

NotificationCenter::~NotificationCenter() = default;

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter* center = new NotificationCenter;
    return *center;
}

int NotificationCenter::addObserver(QObject* owner, const QString& name, const void* sender,
                                    Handler handler) {
    int token = 0;
    {
        QMutexLocker lock(&m_mutex);
        token = m_nextToken++;
        m_observers.push_back({token, owner, name, sender, std::make_shared<Handler>(std::move(handler))});
    }
    if (owner) {
        // Direct, so the observer is gone before the owner's destruction finishes on any thread.
        connect(
            owner, &QObject::destroyed, this, [this, token] { removeObserver(token); }, Qt::DirectConnection);
    }
    return token;
}

void NotificationCenter::removeWhere(const std::function<bool(const Observer&)>& match) {
    QMutexLocker lock(&m_mutex);
    for (auto it = m_observers.begin(); it != m_observers.end();) {
        if (match(*it)) {
            *it->handler = nullptr;
            it = m_observers.erase(it);
        } else {
            ++it;
        }
    }
}

void NotificationCenter::removeObserver(int token) {
    removeWhere([token](const Observer& o) { return o.token == token; });
}

void NotificationCenter::removeObserver(QObject* owner, const QString& name, const void* sender) {
    removeWhere([&](const Observer& o) {
        return o.owner == owner && (name.isEmpty() || o.name == name) && (!sender || o.sender == sender);
    });
}

void NotificationCenter::post(const Notification& notification) {
    std::vector<std::shared_ptr<Handler>> handlers;
    {
        QMutexLocker lock(&m_mutex);
        for (const Observer& o : m_observers) {
            if ((o.name.isEmpty() || o.name == notification.name) &&
                (!o.sender || o.sender == notification.sender))
                handlers.push_back(o.handler);
        }
    }
    for (const auto& handler : handlers) {
        // A copy taken under the lock: the handler may remove its own observer while it runs, and an
        // observer removed meanwhile (on any thread) is skipped.
        Handler h;
        {
            QMutexLocker lock(&m_mutex);
            h = *handler;
        }
        if (h) h(notification);
    }
}

void NotificationCenter::post(const QString& name, const void* sender, const QVariantMap& userInfo) {
    post(Notification{name, sender, userInfo});
}

}  // namespace platform
