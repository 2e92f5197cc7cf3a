#include "platform/desktop/hotkeys/portal_hot_key_backend.h"

#include "platform/base/log.h"
#include "platform/desktop/hotkeys/key_symbols.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QTimer>

#include <algorithm>

#include <xkbcommon/xkbcommon.h>

namespace platform {

namespace {
const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");
// How long the start waits for the portal to say whether it offers global shortcuts.
constexpr int kPortalProbeMilliseconds = 2000;

// "QuickEntryContext" reads "Quick Entry Context" in the desktop's list of shortcuts.
QString shortcutDescription(const QString& identifier) {
    QString words;
    for (const QChar character : identifier) {
        if (character.isUpper() && !words.isEmpty()) words += QLatin1Char(' ');
        words += character;
    }
    return words;
}

QString sessionPath(const QVariant& value) {
    if (value.canConvert<QDBusObjectPath>()) return qvariant_cast<QDBusObjectPath>(value).path();
    return value.toString();
}
}  // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.identifier << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.identifier >> shortcut.properties;
    argument.endStructure();
    return argument;
}

std::unique_ptr<PortalHotKeyBackend> PortalHotKeyBackend::create(const QDBusConnection& bus) {
    if (!bus.isConnected()) return nullptr;
    QDBusMessage probe = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                        QStringLiteral("org.freedesktop.DBus.Properties"),
                                                        QStringLiteral("Get"));
    probe << kShortcutsInterface << QStringLiteral("version");
    const QDBusMessage answer = bus.call(probe, QDBus::Block, kPortalProbeMilliseconds);
    if (answer.type() != QDBusMessage::ReplyMessage) {
        logWithLevel(TDLogInfo, "INFO", "The desktop portal offers no global shortcuts: %@",
                     answer.errorMessage());
        return nullptr;
    }
    return std::make_unique<PortalHotKeyBackend>(bus);
}

PortalHotKeyBackend::PortalHotKeyBackend(const QDBusConnection& bus) : m_bus(bus) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    // The bus finds the slot's argument types by name: each must be known before the first signal.
    qRegisterMetaType<QDBusObjectPath>();
    m_bus.connect(kPortalService, kPortalPath, kShortcutsInterface, QStringLiteral("Activated"), this,
                  SLOT(p_activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    m_bus.connect(kPortalService, kPortalPath, kShortcutsInterface, QStringLiteral("Deactivated"), this,
                  SLOT(p_deactivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

PortalHotKeyBackend::~PortalHotKeyBackend() {
    p_endRequest();
    p_closeSession();
}

bool PortalHotKeyBackend::registerHotKey(quint64 number, const QString& identifier, const PTKeyCombo& combo) {
    m_bindings.insert(number, {identifier, combo});
    p_scheduleBinding();
    return true;
}

void PortalHotKeyBackend::unregisterHotKey(quint64 number) {
    if (m_bindings.remove(number)) p_scheduleBinding();
}

QString PortalHotKeyBackend::preferredTrigger(const PTKeyCombo& combo) {
    char name[64];
    const quint32 keysym = TDKeysymForQtKey(combo.keyCode());
    if (!keysym || xkb_keysym_get_name(keysym, name, sizeof name) <= 0) return {};
    QString trigger;
    const std::pair<quint64, const char*> modifiers[] = {{PTCommandModifier, "CTRL+"},
                                                         {PTOptionModifier, "ALT+"},
                                                         {PTControlModifier, "LOGO+"},
                                                         {PTShiftModifier, "SHIFT+"}};
    for (const auto& [modifier, word] : modifiers)
        if (combo.modifiers() & modifier) trigger += QLatin1String(word);
    return trigger + QString::fromLatin1(name);
}

void PortalHotKeyBackend::p_scheduleBinding() {
    // A replacement unregisters and registers at once: one binding serves both.
    if (m_scheduled) return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        p_bindAnew();
    });
}

void PortalHotKeyBackend::p_bindAnew() {
    if (m_busy) {
        m_changed = true;
        return;
    }
    p_closeSession();
    if (m_bindings.isEmpty()) return;
    m_busy = true;
    const QString token = QStringLiteral("ordello_session%1").arg(++m_tokens);
    p_request(QStringLiteral("CreateSession"), {}, {{QStringLiteral("session_handle_token"), token}},
              SLOT(p_sessionCreated(uint, QVariantMap)));
}

void PortalHotKeyBackend::p_sessionCreated(uint response, const QVariantMap& results) {
    p_endRequest();
    m_session = response == 0 ? sessionPath(results.value(QStringLiteral("session_handle"))) : QString();
    if (m_session.isEmpty()) {
        logWithLevel(TDLogWarning, "WARNING",
                     "The desktop portal made no session for global shortcuts (answer %@)", response);
        p_bindingFinished();
        return;
    }
    QList<PortalShortcut> shortcuts;
    for (const Binding& binding : std::as_const(m_bindings)) {
        QVariantMap properties{{QStringLiteral("description"), shortcutDescription(binding.identifier)}};
        if (const QString trigger = preferredTrigger(binding.combo); !trigger.isEmpty())
            properties.insert(QStringLiteral("preferred_trigger"), trigger);
        shortcuts.append({binding.identifier, properties});
    }
    p_request(QStringLiteral("BindShortcuts"),
              {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(shortcuts), QString()},
              {}, SLOT(p_shortcutsBound(uint, QVariantMap)));
}

void PortalHotKeyBackend::p_shortcutsBound(uint response, const QVariantMap& results) {
    p_endRequest();
    if (response != 0) {
        // The person declined, or the desktop would not: the keys stay the desktop's.
        logWithLevel(TDLogWarning, "WARNING", "The desktop did not bind the global shortcuts (answer %@)",
                     response);
        p_closeSession();
        p_bindingFinished();
        return;
    }
    QList<PortalShortcut> bound;
    if (const QVariant value = results.value(QStringLiteral("shortcuts")); value.canConvert<QDBusArgument>())
        qvariant_cast<QDBusArgument>(value) >> bound;
    for (const Binding& binding : std::as_const(m_bindings)) {
        const auto found = std::find_if(
            bound.cbegin(), bound.cend(),
            [&binding](const PortalShortcut& shortcut) { return shortcut.identifier == binding.identifier; });
        if (found == bound.cend())
            logWithLevel(TDLogWarning, "WARNING", "The desktop did not bind the global shortcut %@",
                         binding.identifier);
        else
            logWithLevel(TDLogInfo, "INFO", "The desktop bound the global shortcut %@ to %@",
                         binding.identifier,
                         found->properties.value(QStringLiteral("trigger_description")).toString());
    }
    p_bindingFinished();
}

void PortalHotKeyBackend::p_bindingFinished() {
    m_busy = false;
    if (!m_changed) return;
    m_changed = false;
    p_scheduleBinding();
}

void PortalHotKeyBackend::p_request(const QString& method, QVariantList arguments, QVariantMap options,
                                    const char* slot) {
    // The portal answers on a request object named after this connection and the token.
    const QString token = QStringLiteral("ordello%1").arg(++m_tokens);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    m_requestPath = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    m_requestSlot = QString::fromLatin1(slot);
    m_bus.connect(kPortalService, m_requestPath, kRequestInterface, QStringLiteral("Response"), this, slot);
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);

    QDBusMessage call =
        QDBusMessage::createMethodCall(kPortalService, kPortalPath, kShortcutsInterface, method);
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, method, expected = m_requestPath, slot] {
                watcher->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
                if (expected != m_requestPath) return;  // given up meanwhile
                if (reply.isError()) {
                    logWithLevel(TDLogWarning, "WARNING", "The desktop portal refused %@: %@", method,
                                 reply.error().message());
                    p_endRequest();
                    p_closeSession();
                    p_bindingFinished();
                    return;
                }
                // An older portal names the request object its own way.
                const QString handle = reply.value().path();
                if (handle == m_requestPath) return;
                p_endRequest();
                m_requestPath = handle;
                m_requestSlot = QString::fromLatin1(slot);
                m_bus.connect(kPortalService, m_requestPath, kRequestInterface, QStringLiteral("Response"),
                              this, slot);
            });
}

void PortalHotKeyBackend::p_endRequest() {
    if (m_requestPath.isEmpty()) return;
    m_bus.disconnect(kPortalService, m_requestPath, kRequestInterface, QStringLiteral("Response"), this,
                     m_requestSlot.toLatin1().constData());
    m_requestPath.clear();
    m_requestSlot.clear();
}

void PortalHotKeyBackend::p_closeSession() {
    if (m_session.isEmpty()) return;
    m_bus.send(QDBusMessage::createMethodCall(kPortalService, m_session, kSessionInterface,
                                              QStringLiteral("Close")));
    m_session.clear();
}

qint64 PortalHotKeyBackend::p_numberOf(const QString& identifier) const {
    for (auto binding = m_bindings.cbegin(); binding != m_bindings.cend(); ++binding)
        if (binding->identifier == identifier) return qint64(binding.key());
    return -1;
}

void PortalHotKeyBackend::p_activated(const QDBusObjectPath& session, const QString& identifier, qulonglong,
                                      const QVariantMap&) {
    // The portal's time is not the display server's: the window manager could not use it.
    if (session.path() != m_session) return;
    if (const qint64 number = p_numberOf(identifier); number >= 0) deliver(quint64(number), true, 0);
}

void PortalHotKeyBackend::p_deactivated(const QDBusObjectPath& session, const QString& identifier, qulonglong,
                                        const QVariantMap&) {
    if (session.path() != m_session) return;
    if (const qint64 number = p_numberOf(identifier); number >= 0) deliver(quint64(number), false, 0);
}

}  // namespace platform
