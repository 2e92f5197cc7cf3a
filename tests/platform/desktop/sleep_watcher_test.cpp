#include "platform/desktop/sleep_watcher.h"
#include "tests/platform/desktop/private_bus.h"
#include "tests/support/test_environment.h"

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using platform::SleepWatcher;
using testsupport::PrivateBus;

namespace {

// The login manager's part that the watcher uses: delay locks as pipes whose other end it keeps, and
// the signal before and after sleep.
class FakeLoginManager final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    explicit FakeLoginManager(QDBusConnection connection) : m_connection(std::move(connection)) {
        m_connection.registerObject(SleepWatcher::LoginPath, this, QDBusConnection::ExportScriptableSlots);
        m_connection.registerService(SleepWatcher::LoginService);
    }
    ~FakeLoginManager() override {
        for (int fd : m_lockEnds) ::close(fd);
    }

    void prepareForSleep(bool sleeping) {
        QDBusMessage signal = QDBusMessage::createSignal(
            SleepWatcher::LoginPath, SleepWatcher::LoginInterface, QStringLiteral("PrepareForSleep"));
        signal << sleeping;
        m_connection.send(signal);
    }
    int locksGiven() const { return int(m_lockEnds.size()); }
    // Whether the holder of the newest lock still holds it.
    bool newestLockHeld() const {
        pollfd end{m_lockEnds.last(), POLLIN, 0};
        return ::poll(&end, 1, 0) == 0;
    }

public Q_SLOTS:
    Q_SCRIPTABLE QDBusUnixFileDescriptor Inhibit(const QString& what, const QString&, const QString&,
                                                 const QString& mode) {
        requests.append(what + QLatin1Char('/') + mode);
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return {};
        m_lockEnds.append(ends[0]);
        QDBusUnixFileDescriptor lock(ends[1]);  // keeps a copy of its own
        ::close(ends[1]);
        return lock;
    }

public:
    QStringList requests;

private:
    QDBusConnection m_connection;
    QList<int> m_lockEnds;
};

class SleepWatcherTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus.isRunning()); }
    PrivateBus bus;
};

TEST_F(SleepWatcherTest, SignalsSleepAndWakeAndDelaysSleepUntilTheHandlersHaveRun) {
    FakeLoginManager login(bus.connect(QStringLiteral("login")));
    SleepWatcher watcher(bus.connect(QStringLiteral("watcher")));
    ASSERT_TRUE(watcher.isWatching());
    // The lock's request went out after the signal's match rule, so once it is held the rule stands.
    ASSERT_TRUE(testsupport::spinUntil([&] { return watcher.holdsSleepDelay(); }));
    EXPECT_EQ(login.requests, QStringList{QStringLiteral("sleep/delay")});
    ASSERT_TRUE(login.newestLockHeld());

    QStringList events;
    bool lockHeldWhileSaving = false;
    QObject::connect(&watcher, &SleepWatcher::willSleep, &watcher, [&] {
        events.append(QStringLiteral("sleep"));
        lockHeldWhileSaving = login.newestLockHeld();
    });
    QObject::connect(&watcher, &SleepWatcher::didWake, &watcher,
                     [&] { events.append(QStringLiteral("wake")); });

    login.prepareForSleep(true);
    ASSERT_TRUE(testsupport::spinUntil([&] { return events.size() == 1; }));
    EXPECT_TRUE(lockHeldWhileSaving);
    EXPECT_TRUE(testsupport::spinUntil([&] { return !login.newestLockHeld(); })) << "sleep stays delayed";

    login.prepareForSleep(false);
    ASSERT_TRUE(testsupport::spinUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events, (QStringList{QStringLiteral("sleep"), QStringLiteral("wake")}));
    ASSERT_TRUE(testsupport::spinUntil([&] { return login.locksGiven() == 2 && watcher.holdsSleepDelay(); }));
    EXPECT_TRUE(login.newestLockHeld()) << "the next sleep waits again";
}

TEST_F(SleepWatcherTest, SignalFromAnotherSenderIsIgnored) {
    FakeLoginManager login(bus.connect(QStringLiteral("login")));
    SleepWatcher watcher(bus.connect(QStringLiteral("watcher")));
    ASSERT_TRUE(testsupport::spinUntil([&] { return watcher.holdsSleepDelay(); }));
    int sleeps = 0;
    QObject::connect(&watcher, &SleepWatcher::willSleep, &watcher, [&] { ++sleeps; });

    QDBusConnection stranger = bus.connect(QStringLiteral("stranger"));
    QDBusMessage forged = QDBusMessage::createSignal(SleepWatcher::LoginPath, SleepWatcher::LoginInterface,
                                                     QStringLiteral("PrepareForSleep"));
    forged << true;
    stranger.send(forged);
    PrivateBus::roundTrip(stranger);
    // The real one after it: once it arrives the forged one has been seen and dropped.
    login.prepareForSleep(true);
    ASSERT_TRUE(testsupport::spinUntil([&] { return sleeps > 0; }));
    testsupport::drainEvents();
    EXPECT_EQ(sleeps, 1);
}

TEST(SleepWatcherWithoutBus, NeitherSignalsNorFails) {
    SleepWatcher watcher(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/ordello-bus"),
                                                       QStringLiteral("nobus")));
    EXPECT_FALSE(watcher.isWatching());
    EXPECT_FALSE(watcher.holdsSleepDelay());
    QDBusConnection::disconnectFromBus(QStringLiteral("nobus"));
}

}  // namespace

#include "sleep_watcher_test.moc"
