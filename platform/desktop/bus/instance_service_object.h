#pragma once

#include <QDBusContext>
#include <QObject>
#include <QStringList>

namespace platform {

class InstanceService;

// What the service exports at its object path; the service's own signals and handler do the work.
class InstanceServiceObject final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.vantorel.Ordello")
public:
    explicit InstanceServiceObject(InstanceService& service);

public Q_SLOTS:
    // Files and links of a later process, in order; none brings the program to the front.
    Q_SCRIPTABLE void Open(const QStringList& arguments);
    // Tasks from the text; the reply (the new tasks' UIDs) goes out once they exist.
    Q_SCRIPTABLE QStringList CreateTaskFromText(const QString& text);
    // Opens the quick-entry panel, or files what it holds when it is open; with context the panel
    // starts with tasks made from the window in front.
    Q_SCRIPTABLE void QuickEntry(bool withContext);
    // The same, with the caller's activation token (see activationTokenFromEnvironment).
    Q_SCRIPTABLE void QuickEntry(bool withContext, const QString& activationToken);

private:
    InstanceService& m_service;
};

}  // namespace platform
