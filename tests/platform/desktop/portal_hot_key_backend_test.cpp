#include "platform/desktop/hotkeys/portal_hot_key_backend.h"
#include "tests/platform/desktop/private_bus.h"
#include "tests/support/test_environment.h"

#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QMutex>
#include <QThread>
#include <QTimer>

#include <atomic>

#include <gtest/gtest.h>

using platform::PortalHotKeyBackend;
using platform::PortalShortcut;
using platform::PTKeyCombo;
using testsupport::PrivateBus;

namespace {

const QString kDesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kGlobalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// A session of the fake portal: counts its closing.
class FakePortalSession final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")
public:
    std::atomic<int> closed = 0;
public Q_SLOTS:
    Q_SCRIPTABLE void Close() { ++closed; }
};

// The desktop portal's global shortcuts as a desktop offers them: sessions and bindings answer through
// the Response signal of a request object named after the caller and its token. It runs on a thread
// of its own, since the backend asks it with a blocking call whether it offers global shortcuts.
class FakeGlobalShortcutsPortal final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    explicit FakeGlobalShortcutsPortal(QDBusConnection connection) : m_connection(std::move(connection)) {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
        m_connection.registerObject(
            kDesktopPath, this,
            QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportAllProperties);
        m_connection.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }
    uint version() const { return 1; }

    void activate(const QString& session, const QString& identifier) {
        QDBusMessage signal =
            QDBusMessage::createSignal(kDesktopPath, kGlobalShortcuts, QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(session)) << identifier << qulonglong(1234)
               << QVariantMap();
        m_connection.send(signal);
    }

    // The answer to BindShortcuts: 0 binds, 1 is the person's No, 2 another refusal.
    std::atomic<uint> bindResponse = 0;

    qsizetype bindingCount() const {
        QMutexLocker lock(&m_mutex);
        return m_bindings.size();
    }
    QVariantMap boundProperties(qsizetype binding, const QString& identifier) const {
        QMutexLocker lock(&m_mutex);
        for (const PortalShortcut& shortcut : m_bindings.value(binding))
            if (shortcut.identifier == identifier) return shortcut.properties;
        return {};
    }
    qsizetype bindingSize(qsizetype binding) const {
        QMutexLocker lock(&m_mutex);
        return m_bindings.value(binding).size();
    }
    QStringList sessions() const {
        QMutexLocker lock(&m_mutex);
        return m_sessions;
    }
    // How often the session was closed; -1 for a session never made.
    int closings(qsizetype session) const {
        QMutexLocker lock(&m_mutex);
        return session >= 0 && session < qsizetype(m_sessionObjects.size())
                   ? m_sessionObjects[session]->closed.load()
                   : -1;
    }

public Q_SLOTS:
    Q_SCRIPTABLE QDBusObjectPath CreateSession(const QVariantMap& options) {
        const QString session =
            QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                .arg(p_caller(), options.value(QStringLiteral("session_handle_token")).toString());
        QMutexLocker lock(&m_mutex);
        m_sessions.append(session);
        m_sessionObjects.push_back(std::make_unique<FakePortalSession>());
        m_connection.registerObject(session, m_sessionObjects.back().get(),
                                    QDBusConnection::ExportScriptableSlots);
        return p_answer(options, 0, {{QStringLiteral("session_handle"), session}});
    }
    // Spelt in full: the bus matches the method by the type names moc records.
    Q_SCRIPTABLE QDBusObjectPath BindShortcuts(const QDBusObjectPath&,
                                               const QList<platform::PortalShortcut>& shortcuts,
                                               const QString&, const QVariantMap& options) {
        {
            QMutexLocker lock(&m_mutex);
            m_bindings.append(shortcuts);
        }
        QList<PortalShortcut> bound = shortcuts;
        for (PortalShortcut& shortcut : bound)
            shortcut.properties.insert(QStringLiteral("trigger_description"),
                                       shortcut.properties.value(QStringLiteral("preferred_trigger")));
        return p_answer(options, bindResponse,
                        bindResponse == 0
                            ? QVariantMap{{QStringLiteral("shortcuts"), QVariant::fromValue(bound)}}
                            : QVariantMap());
    }

private:
    QString p_caller() const {
        return message().service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    }
    QDBusObjectPath p_answer(const QVariantMap& options, uint response, const QVariantMap& results) {
        const QString request =
            QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                .arg(p_caller(), options.value(QStringLiteral("handle_token")).toString());
        // The answer follows the call's reply, as a desktop's dialog would.
        QTimer::singleShot(0, this, [this, request, response, results] {
            QDBusMessage signal = QDBusMessage::createSignal(
                request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            signal << response << results;
            m_connection.send(signal);
        });
        return QDBusObjectPath(request);
    }

    QDBusConnection m_connection;
    mutable QMutex m_mutex;
    QList<QList<PortalShortcut>> m_bindings;
    QStringList m_sessions;
    std::vector<std::unique_ptr<FakePortalSession>> m_sessionObjects;
};

class PortalHotKeyBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus.isRunning());
        portal = std::make_unique<FakeGlobalShortcutsPortal>(bus.connect(QStringLiteral("portal")));
        portal->moveToThread(&portalThread);
        portalThread.start();
        backend = PortalHotKeyBackend::create(bus.connect(QStringLiteral("ordello")));
        ASSERT_TRUE(backend) << "the fake portal offers global shortcuts";
        backend->setEventHandler([this](quint64 number, bool pressed, quint32) {
            events.append({number, pressed});
        });
    }
    void TearDown() override {
        backend.reset();
        portalThread.quit();
        portalThread.wait();
    }
    QString boundTrigger(qsizetype binding, const QString& identifier) const {
        return portal->boundProperties(binding, identifier)
            .value(QStringLiteral("preferred_trigger"))
            .toString();
    }

    static constexpr quint64 kCtrlAlt = platform::PTCommandModifier | platform::PTOptionModifier;
    PrivateBus bus;
    QThread portalThread;
    std::unique_ptr<FakeGlobalShortcutsPortal> portal;
    std::unique_ptr<PortalHotKeyBackend> backend;
    QList<std::pair<quint64, bool>> events;
};

TEST_F(PortalHotKeyBackendTest, RegistrationBindsAndAnActivationDispatchesItsIdentifier) {
    EXPECT_TRUE(
        backend->registerHotKey(1, QStringLiteral("QuickEntry"), PTKeyCombo(Qt::Key_Space, kCtrlAlt)));
    EXPECT_TRUE(backend->registerHotKey(2, QStringLiteral("QuickEntryContext"),
                                        PTKeyCombo(Qt::Key_K, kCtrlAlt | platform::PTShiftModifier)));
    // Both registrations of one pass go into one binding.
    ASSERT_TRUE(testsupport::spinUntil([this] { return portal->bindingCount() == 1; }));
    EXPECT_EQ(portal->bindingSize(0), 2);
    const QVariantMap quickEntry = portal->boundProperties(0, QStringLiteral("QuickEntry"));
    EXPECT_EQ(quickEntry.value(QStringLiteral("preferred_trigger")).toString(),
              QStringLiteral("CTRL+ALT+space"));
    EXPECT_EQ(quickEntry.value(QStringLiteral("description")).toString(), QStringLiteral("Quick Entry"));
    EXPECT_EQ(boundTrigger(0, QStringLiteral("QuickEntryContext")), QStringLiteral("CTRL+ALT+SHIFT+k"));

    // An identifier never bound and another program's session reach nothing.
    portal->activate(portal->sessions().last(), QStringLiteral("Unknown"));
    portal->activate(QStringLiteral("/org/freedesktop/portal/desktop/session/other/s1"),
                     QStringLiteral("QuickEntry"));
    portal->activate(portal->sessions().last(), QStringLiteral("QuickEntryContext"));
    ASSERT_TRUE(testsupport::spinUntil([this] { return !events.isEmpty(); }));
    EXPECT_EQ(events, (QList<std::pair<quint64, bool>>{{2, true}}));
}

TEST_F(PortalHotKeyBackendTest, AReplacedComboIsBoundInAFreshSessionAndTheOldOneNoLongerFires) {
    backend->registerHotKey(1, QStringLiteral("QuickEntry"), PTKeyCombo(Qt::Key_Space, kCtrlAlt));
    ASSERT_TRUE(testsupport::spinUntil([this] { return portal->bindingCount() == 1; }));
    const QString first = portal->sessions().last();

    // The center replaces a hot key by unregistering, then registering under a new number.
    backend->unregisterHotKey(1);
    backend->registerHotKey(2, QStringLiteral("QuickEntry"), PTKeyCombo(Qt::Key_J, kCtrlAlt));
    ASSERT_TRUE(testsupport::spinUntil([this] { return portal->bindingCount() == 2; }));
    EXPECT_EQ(boundTrigger(1, QStringLiteral("QuickEntry")), QStringLiteral("CTRL+ALT+j"));
    EXPECT_EQ(portal->closings(0), 1);
    ASSERT_NE(portal->sessions().last(), first);

    portal->activate(first, QStringLiteral("QuickEntry"));
    portal->activate(portal->sessions().last(), QStringLiteral("QuickEntry"));
    ASSERT_TRUE(testsupport::spinUntil([this] { return !events.isEmpty(); }));
    EXPECT_EQ(events, (QList<std::pair<quint64, bool>>{{2, true}}));

    // With nothing left to bind, the session closes and no new one is made.
    backend->unregisterHotKey(2);
    ASSERT_TRUE(testsupport::spinUntil([this] { return portal->closings(1) == 1; }));
    EXPECT_EQ(portal->sessions().size(), 2);
}

TEST_F(PortalHotKeyBackendTest, ARefusedBindingIsLoggedAndNothingFires) {
    for (const uint refusal : {1u, 2u}) {
        SCOPED_TRACE(refusal);
        portal->bindResponse = refusal;
        testing::internal::CaptureStderr();
        backend->registerHotKey(refusal, QStringLiteral("QuickEntry"), PTKeyCombo(Qt::Key_Space, kCtrlAlt));
        // The refused session is closed again.
        const bool closed =
            testsupport::spinUntil([this, refusal] { return portal->closings(refusal - 1) == 1; });
        const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
        ASSERT_TRUE(closed);
        EXPECT_TRUE(log.contains(QStringLiteral("The desktop did not bind the global shortcuts")))
            << log.toStdString();
        portal->activate(portal->sessions().last(), QStringLiteral("QuickEntry"));
        backend->unregisterHotKey(refusal);
    }
    // A later binding that the desktop accepts still fires: only its press arrives.
    portal->bindResponse = 0;
    backend->registerHotKey(3, QStringLiteral("QuickEntry"), PTKeyCombo(Qt::Key_Space, kCtrlAlt));
    ASSERT_TRUE(testsupport::spinUntil([this] { return portal->bindingCount() == 3; }));
    portal->activate(portal->sessions().last(), QStringLiteral("QuickEntry"));
    ASSERT_TRUE(testsupport::spinUntil([this] { return !events.isEmpty(); }));
    EXPECT_EQ(events, (QList<std::pair<quint64, bool>>{{3, true}}));
}

TEST(PortalHotKeyBackend, IsNotOfferedWhereNoPortalAnswers) {
    PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    EXPECT_EQ(PortalHotKeyBackend::create(bus.connect(QStringLiteral("alone"))), nullptr);
}

}  // namespace

#include "portal_hot_key_backend_test.moc"
