#pragma once

#include "platform/base/error.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>

class QDBusVirtualObject;

namespace platform {

class InstanceServiceObject;

// The token a launcher gave this process to hand the focus on: XDG_ACTIVATION_TOKEN (Wayland) or
// DESKTOP_STARTUP_ID (X11); empty when it gave none.
QString activationTokenFromEnvironment();

// The program's one service on the session bus. The first process claims its name and receives the
// files and links later processes are started with; a later process hands them over and ends.
class InstanceService final : public QObject {
    Q_OBJECT
public:
    static inline const QString ServiceName = QStringLiteral("com.vantorel.Ordello");
    static inline const QString ObjectPath = QStringLiteral("/com/vantorel/Ordello");
    static inline const QString InterfaceName = QStringLiteral("com.vantorel.Ordello");
    // The D-Bus error a failed "create task from text" request answers with.
    static inline const QString TaskNotCreatedError =
        QStringLiteral("com.vantorel.Ordello.Error.TaskNotCreated");

    enum class Claim {
        Owned,       // this process is the running instance and serves the name
        HandedOver,  // another process runs and took the arguments: this one ends with status 0
        NoBus,       // no session bus: this process runs without the service
        Unanswered,  // another process holds the name but did not take the arguments
    };

    // Answers a "create task from text" request with the UIDs of the tasks made, or with the error.
    using TaskCreationReply = std::function<void(const Result<QStringList>& uids)>;
    // Makes the tasks and calls the reply once they exist, at once or later.
    using TaskCreationHandler = std::function<void(const QString& text, TaskCreationReply reply)>;

    explicit InstanceService(QDBusConnection connection = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);
    ~InstanceService() override;

    // Claims the name. When another process holds it, hands it `arguments` (absolute paths and links,
    // see handOverArguments) in one call that preserves their order.
    Claim claim(const QStringList& arguments);
    // Makes a later claim ask the running instance to toggle quick entry (after handing over any
    // arguments), with the caller's activation token so the panel may take the keyboard.
    void setQuickEntryRequest(bool withContext, const QString& activationToken);
    // Logs one warning when the claim found no bus or no answer; separate from the claim so that a
    // process that hands over writes no log, and the one that runs writes it to its log file.
    void logUnclaimed() const;

    void setTaskCreationHandler(TaskCreationHandler handler);
    const TaskCreationHandler& taskCreationHandler() const { return m_taskCreationHandler; }

    // The other interfaces at the service's path (the scripting application): calls the service does
    // not answer itself go to the object, and its introspection joins the service's. Not owned;
    // nullptr: none.
    void setExtraInterfaces(QDBusVirtualObject* object) { m_extraInterfaces = object; }
    QDBusVirtualObject* extraInterfaces() const { return m_extraInterfaces; }
    // Serves the path below the service's ("groups": …/groups and everything under it) with the object
    // (not owned), while this process owns the name. False when it does not or the path is taken.
    bool registerSubtree(const QString& name, QDBusVirtualObject* object);
    void unregisterSubtree(const QString& name);
    // Whether the call comes from a process of this user; others are answered with an error.
    bool acceptsCaller(const QDBusMessage& message, const QDBusConnection& connection);
    // The D-Bus error other users' calls get.
    static inline const QString AccessDeniedError = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");

Q_SIGNALS:
    // Files and links handed over by a later process, in its order.
    void openRequested(const QStringList& arguments);
    // A later process was started without files or links: the program comes to the front.
    void reopenRequested();
    // A later process asked to toggle quick entry; the token (maybe empty) lets a window take the focus.
    void quickEntryRequested(bool withContext, const QString& activationToken);

private:
    QDBusConnection m_connection;
    InstanceServiceObject* m_object;  // child
    TaskCreationHandler m_taskCreationHandler;
    bool m_quickEntry = false;
    bool m_quickEntryWithContext = false;
    QString m_activationToken;
    QDBusVirtualObject* m_extraInterfaces = nullptr;
    QStringList m_subtrees;
    QHash<QString, bool> m_callerIsThisUser;
    Claim m_claim = Claim::NoBus;
    QString m_busError;
};

}  // namespace platform
