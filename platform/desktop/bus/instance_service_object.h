#pragma once

#include <QDBusVirtualObject>

namespace platform {

class InstanceService;

// What the service exports at its object path: its own interface (Open, CreateTaskFromText, QuickEntry), and
// any other interface there handed to the object the service was given for it. Calls from processes of other
// users are refused before anything reads them.
class InstanceServiceObject final : public QDBusVirtualObject {
    Q_OBJECT
public:
    explicit InstanceServiceObject(InstanceService& service);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    // Files and links of a later process, in order; none brings the program to the front.
    void p_open(const QDBusMessage& message, const QDBusConnection& connection);
    // Tasks from the text; the reply (the new tasks' UIDs) goes out once they exist.
    void p_createTaskFromText(const QDBusMessage& message, const QDBusConnection& connection);
    // Opens the quick-entry panel, or files what it holds when it is open; with context the panel starts
    // with tasks made from the window in front. An optional second argument is the caller's activation
    // token (see activationTokenFromEnvironment).
    void p_quickEntry(const QDBusMessage& message, const QDBusConnection& connection);

    InstanceService& m_service;
};

}  // namespace platform
