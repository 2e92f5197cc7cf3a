#pragma once

#include "platform/notifications/notification.h"

#include <QMutex>
#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

// Delivers notifications synchronously, on the posting thread, to the observers registered for their
// name and sender. An observer belongs to an owner QObject and goes away with it.
class NotificationCenter final : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const Notification&)>;

    explicit NotificationCenter(QObject* parent = nullptr);
    ~NotificationCenter() override;

    static NotificationCenter& defaultCenter();

    // An empty name matches every name, a null sender every sender. Returns a token for removal.
    int addObserver(QObject* owner, const QString& name, const void* sender, Handler handler);
    void removeObserver(int token);
    // Removes the owner's observers, only those for the name and sender when given.
    void removeObserver(QObject* owner, const QString& name = {}, const void* sender = nullptr);

    void post(const Notification& notification);
    void post(const QString& name, const void* sender = nullptr, const QVariantMap& userInfo = {});

private:
    struct Observer {
        int token;
        QObject* owner;
        QString name;
        const void* sender;
        std::shared_ptr<Handler> handler;  // reset on removal, so a pending delivery skips it
    };
    void removeWhere(const std::function<bool(const Observer&)>& match);

    QMutex m_mutex;
    std::vector<Observer> m_observers;
    int m_nextToken = 1;
};

}  // namespace platform
