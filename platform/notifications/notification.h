#pragma once

#include <QString>
#include <QVariantMap>

namespace platform {

// A named message with the identity of the object it is about and a map of details.
struct Notification {
    QString name;
    const void* sender = nullptr;
    QVariantMap userInfo;

    template <typename T>
    T* senderAs() const {
        return static_cast<T*>(const_cast<void*>(sender));
    }
};

}  // namespace platform
