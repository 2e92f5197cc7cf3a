#pragma once

#include "platform/desktop/hotkeys/hot_key_backend.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QList>
#include <QMap>
#include <QObject>
#include <QVariantMap>

#include <memory>

class QDBusObjectPath;

namespace platform {

// One shortcut as the portal takes and answers it: its id and its properties ("description",
// "preferred_trigger"; "trigger_description" in answers).
struct PortalShortcut {
    QString identifier;
    QVariantMap properties;
};
QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut);

// Hot keys through the desktop portal's global shortcuts, for a Wayland session. The portal binds the
// shortcuts of a session once, so every change binds all of them anew in a fresh session, one change
// at a time. The desktop may let the person change a trigger or refuse them: a refusal is logged, not
// shown. Presses arrive as the portal's Activated signal, by identifier.
class PortalHotKeyBackend final : public QObject, public HotKeyBackend {
    Q_OBJECT
public:
    // None when no portal on the bus offers global shortcuts.
    static std::unique_ptr<PortalHotKeyBackend> create(const QDBusConnection& bus);
    explicit PortalHotKeyBackend(const QDBusConnection& bus);
    ~PortalHotKeyBackend() override;

    // The binding is asynchronous: a combo is taken here and offered to the portal after this event.
    bool registerHotKey(quint64 number, const QString& identifier, const PTKeyCombo& combo) override;
    void unregisterHotKey(quint64 number) override;
    QString name() const override { return QStringLiteral("portal"); }

    // The trigger in the portal's words ("CTRL+ALT+space"); empty for a key without a name.
    static QString preferredTrigger(const PTKeyCombo& combo);

private Q_SLOTS:
    void p_sessionCreated(uint response, const QVariantMap& results);
    void p_shortcutsBound(uint response, const QVariantMap& results);
    void p_activated(const QDBusObjectPath& session, const QString& identifier, qulonglong timestamp,
                     const QVariantMap& options);
    void p_deactivated(const QDBusObjectPath& session, const QString& identifier, qulonglong timestamp,
                       const QVariantMap& options);

private:
    struct Binding {
        QString identifier;
        PTKeyCombo combo;
    };
    void p_scheduleBinding();
    void p_bindAnew();
    void p_closeSession();
    // Calls a portal method whose answer comes as a Response signal of a request object, which is
    // watched before the call so that no answer is missed. A call the portal refuses is logged and ends
    // the binding.
    void p_request(const QString& method, QVariantList arguments, QVariantMap options, const char* slot);
    void p_endRequest();
    void p_bindingFinished();
    qint64 p_numberOf(const QString& identifier) const;

    QDBusConnection m_bus;
    QMap<quint64, Binding> m_bindings;
    QString m_session;
    QString m_requestPath;
    QString m_requestSlot;
    quint32 m_tokens = 0;
    bool m_busy = false;
    bool m_changed = false;
    bool m_scheduled = false;
};

}  // namespace platform

Q_DECLARE_METATYPE(platform::PortalShortcut)
