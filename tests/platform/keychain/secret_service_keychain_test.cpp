#include "platform/keychain/secret_service_keychain.h"
#include "tests/support/test_environment.h"

#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

namespace {

const QString kService = QStringLiteral("com.brisvale.ordello.syncservice");

// A session bus of the test's own, without service activation, so a keyring answers only once the test
// starts one, and the user's own keyring is never touched.
class PrivateSessionBus {
public:
    explicit PrivateSessionBus(const QString& folder) : m_folder(folder) {
        const QString config = folder + QStringLiteral("/bus.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) return;
        file.write(QStringLiteral(
                       "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                       "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                       "<busconfig><type>session</type><listen>unix:path=%1/bus</listen>"
                       "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" "
                       "eavesdrop=\"true\"/>"
                       "<allow eavesdrop=\"true\"/>"
                       "<allow own=\"*\"/></policy></busconfig>\n")
                       .arg(folder)
                       .toUtf8());
        file.close();
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--nofork"), QStringLiteral("--config-file=") + config,
                     QStringLiteral("--print-address=1")});
        if (!m_bus.waitForStarted() || !m_bus.waitForReadyRead(30000)) return;
        m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
    }
    ~PrivateSessionBus() {
        for (QProcess* process : {&m_keyring, &m_bus}) {
            if (process->state() == QProcess::NotRunning) continue;
            process->terminate();
            if (!process->waitForFinished(10000)) process->kill();
            process->waitForFinished();
        }
    }
    QString address() const { return m_address; }

    // A keyring daemon serving secrets, its login keyring made and unlocked with a password on stdin.
    bool startKeyring() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        environment.insert(QStringLiteral("HOME"), m_folder);
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_folder + QStringLiteral("/data"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_folder + QStringLiteral("/run"));
        QDir().mkpath(m_folder + QStringLiteral("/run"));
        QFile::setPermissions(m_folder + QStringLiteral("/run"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_keyring.setProcessEnvironment(environment);
        m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
                        {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                         QStringLiteral("--components=secrets")});
        if (!m_keyring.waitForStarted()) return false;
        m_keyring.write("test-keyring-password\n");
        m_keyring.waitForBytesWritten(30000);
        m_keyring.closeWriteChannel();
        return true;
    }
    void stopKeyring() {
        m_keyring.terminate();
        m_keyring.waitForFinished(10000);
    }
    void stopBus() {
        m_bus.terminate();
        m_bus.waitForFinished(10000);
    }

private:
    QString m_folder;
    QProcess m_bus;
    QProcess m_keyring;
    QString m_address;
};

bool toolsPresent() {
    return !QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon")).isEmpty();
}

class SecretServiceKeychainTest : public testsupport::TempFoldersTest {};

// Against a real Secret Service on a private bus: absent is an error of its own, never "no password";
// once the keyring runs, passwords are stored, replaced, found by account and removed.
TEST_F(SecretServiceKeychainTest, StoresFindsAndRemovesPasswordsAndTellsAnAbsentKeyring) {
    if (!toolsPresent())
        GTEST_SKIP() << "dbus-daemon and gnome-keyring-daemon are needed (scripts/packages.txt)";
    PrivateSessionBus bus(tempPath());
    ASSERT_FALSE(bus.address().isEmpty());
    // Set before the first use of the session bus in this process.
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());

    platform::SecretServiceKeychain keychain;
    auto absent = keychain.findPassword(kService, QStringLiteral("alice"));
    ASSERT_FALSE(absent.ok());
    EXPECT_EQ(absent.error().code, platform::KeychainErrorUnavailable)
        << absent.error().description.toStdString();

    ASSERT_TRUE(bus.startKeyring());
    // Waits for the daemon to take its name on the bus.
    bool answered = false;
    for (int attempt = 0; attempt < 600 && !answered; ++attempt) {
        answered = keychain.findPassword(kService, QStringLiteral("alice")).ok();
        if (!answered) QThread::msleep(50);
    }
    ASSERT_TRUE(answered);

    const QString password = QStringLiteral("pa:ss wörd");
    ASSERT_TRUE(keychain.storePassword(kService, QStringLiteral("alice"), password).ok());
    auto found = keychain.findPassword(kService, QStringLiteral("alice"));
    ASSERT_TRUE(found.ok()) << found.error().description.toStdString();
    EXPECT_EQ(found->value_or(QString()), password);
    ASSERT_TRUE(keychain.storePassword(kService, QStringLiteral("alice"), QStringLiteral("new")).ok());
    EXPECT_EQ(keychain.findPassword(kService, QStringLiteral("alice"))->value_or(QString()),
              QStringLiteral("new"));
    auto other = keychain.findPassword(kService, QStringLiteral("bob"));
    ASSERT_TRUE(other.ok());
    EXPECT_FALSE(other->has_value());
    auto otherService = keychain.findPassword(QStringLiteral("com.example.other"), QStringLiteral("alice"));
    ASSERT_TRUE(otherService.ok());
    EXPECT_FALSE(otherService->has_value());
    ASSERT_TRUE(keychain.removePassword(kService, QStringLiteral("alice")).ok());
    EXPECT_FALSE(keychain.findPassword(kService, QStringLiteral("alice"))->has_value());

    bus.stopKeyring();
    auto gone = keychain.findPassword(kService, QStringLiteral("alice"));
    ASSERT_FALSE(gone.ok());
    EXPECT_NE(gone.error().code, 0);

    // The bus itself going away is an error to report, never the end of the process: the shared
    // connection's closing (its default handler is what would end the process) is waited for.
    GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    ASSERT_TRUE(connection);
    bool closed = false;
    g_signal_connect_after(connection, "closed",
                           G_CALLBACK(+[](GDBusConnection*, gboolean, GError*, gpointer flag) {
                               *static_cast<bool*>(flag) = true;
                           }),
                           &closed);
    bus.stopBus();
    EXPECT_TRUE(testsupport::spinUntil([&closed] { return closed; }));
    g_signal_handlers_disconnect_by_data(connection, &closed);
    g_object_unref(connection);
    auto noBus = keychain.findPassword(kService, QStringLiteral("alice"));
    ASSERT_FALSE(noBus.ok());
    EXPECT_EQ(noBus.error().code, platform::KeychainErrorUnavailable);
}

}  // namespace
