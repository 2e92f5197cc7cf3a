#include "platform/desktop/bus/instance_service.h"
#include "tests/platform/desktop/private_bus.h"
#include "tests/support/test_environment.h"

#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

using platform::InstanceService;
using testsupport::PrivateBus;

namespace {

class InstanceServiceTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        ASSERT_TRUE(bus.isRunning());
    }

    // Runs a later process with the arguments in `folder` on the bus given; its exit status and error output.
    std::pair<int, QString> runLaterProcess(const QStringList& arguments, const QString& folder,
                                            const QString& busAddress) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(folder);
        process.start(QStringLiteral(ORDELLO_INSTANCE_PROBE), arguments);
        // The running instance answers through this event loop.
        EXPECT_TRUE(testsupport::spinUntil([&process] { return process.state() == QProcess::NotRunning; }));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardError())};
    }

    PrivateBus bus;
};

TEST_F(InstanceServiceTest, LaterProcessHandsOverFilesAndLinksInOrderAndEnds) {
    InstanceService first(bus.connect(QStringLiteral("first")));
    ASSERT_EQ(first.claim({}), InstanceService::Claim::Owned);
    QList<QStringList> received;
    QObject::connect(&first, &InstanceService::openRequested, &first,
                     [&received](const QStringList& arguments) { received.append(arguments); });
    QSignalSpy reopened(&first, &InstanceService::reopenRequested);

    QDir folder(tempPath());
    folder.mkpath(QStringLiteral("inbox"));
    QFile note(folder.filePath(QStringLiteral("inbox/note.txt")));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    const QString link = QStringLiteral("ordello:add?title=Call%20Anna");

    // A relative path becomes absolute from the later process's folder.
    const auto [status, errors] =
        runLaterProcess({QStringLiteral("inbox/note.txt"), link}, tempPath(), bus.address());
    EXPECT_EQ(status, 0) << errors.toStdString();
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received.first(), (QStringList{folder.filePath(QStringLiteral("inbox/note.txt")), link}));
    EXPECT_EQ(reopened.count(), 0);

    // Started without files or links, a later process brings the running one to the front.
    EXPECT_EQ(runLaterProcess({}, tempPath(), bus.address()).first, 0);
    EXPECT_EQ(reopened.count(), 1);
    EXPECT_EQ(received.size(), 1);
}

TEST_F(InstanceServiceTest, LaterProcessHandsOverTheQuickEntryToggleWithItsActivationToken) {
    InstanceService first(bus.connect(QStringLiteral("first")));
    ASSERT_EQ(first.claim({}), InstanceService::Claim::Owned);
    QList<std::pair<bool, QString>> toggles;
    QObject::connect(&first, &InstanceService::quickEntryRequested, &first,
                     [&toggles](bool withContext, const QString& token) {
                         toggles.append({withContext, token});
                     });
    QSignalSpy opened(&first, &InstanceService::openRequested);
    QSignalSpy reopened(&first, &InstanceService::reopenRequested);
    struct Case {
        const char* option;
        const char* waylandToken;
        const char* startupId;
        std::pair<bool, QString> toggle;
    } cases[] = {
        {"--quick-entry", "", "", {false, QString()}},
        {"--quick-entry-context", "wl-token", "x11-id", {true, QStringLiteral("wl-token")}},
        {"--quick-entry", "", "launcher_TIME1234", {false, QStringLiteral("launcher_TIME1234")}},
    };
    for (const Case& c : cases) {
        qputenv("XDG_ACTIVATION_TOKEN", c.waylandToken);
        qputenv("DESKTOP_STARTUP_ID", c.startupId);
        const auto [status, errors] = runLaterProcess({QLatin1String(c.option)}, tempPath(), bus.address());
        EXPECT_EQ(status, 0) << errors.toStdString();
    }
    qunsetenv("XDG_ACTIVATION_TOKEN");
    qunsetenv("DESKTOP_STARTUP_ID");
    ASSERT_EQ(toggles.size(), 3);
    for (qsizetype i = 0; i < toggles.size(); ++i) EXPECT_EQ(toggles[i], cases[i].toggle);
    // The toggle alone neither opens anything nor brings the main window up.
    EXPECT_EQ(opened.count(), 0);
    EXPECT_EQ(reopened.count(), 0);

    // The bus method itself takes the flag alone too, as desktop shortcut settings may call it.
    QDBusMessage call =
        QDBusMessage::createMethodCall(InstanceService::ServiceName, InstanceService::ObjectPath,
                                       InstanceService::InterfaceName, QStringLiteral("QuickEntry"));
    call << true;
    QDBusPendingCallWatcher watcher(bus.connect(QStringLiteral("caller")).asyncCall(call));
    ASSERT_TRUE(testsupport::spinUntil([&watcher] { return watcher.isFinished(); }));
    EXPECT_FALSE(watcher.isError()) << watcher.error().message().toStdString();
    ASSERT_EQ(toggles.size(), 4);
    EXPECT_EQ(toggles.last(), std::make_pair(true, QString()));
}

TEST_F(InstanceServiceTest, WithoutSessionBusTheProcessRunsAndLogsOneWarning) {
    const QString noBus = QStringLiteral("unix:path=%1/no-bus-here").arg(tempPath());
    const auto [status, errors] = runLaterProcess({QStringLiteral("a.txt")}, tempPath(), noBus);
    EXPECT_EQ(status, 11) << "the probe's status for running without the service";
    EXPECT_EQ(errors.count(QStringLiteral("WARNING:")), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("No session bus"))) << errors.toStdString();
}

TEST_F(InstanceServiceTest, NameHeldByAProcessThatDoesNotServeItIsReportedNotTakenForAHandOver) {
    QDBusConnection squatter = bus.connect(QStringLiteral("squatter"));
    ASSERT_TRUE(squatter.registerService(InstanceService::ServiceName));
    const auto [status, errors] = runLaterProcess({QStringLiteral("a.txt")}, tempPath(), bus.address());
    EXPECT_EQ(status, 12) << "the probe's status for a hand-over nobody took";
    EXPECT_EQ(errors.count(QStringLiteral("WARNING:")), 1) << errors.toStdString();
}

class TaskFromTextTest : public InstanceServiceTest {
protected:
    void SetUp() override {
        InstanceServiceTest::SetUp();
        ASSERT_EQ(service.claim({}), InstanceService::Claim::Owned);
    }

    QDBusPendingCallWatcher* request(const QString& text) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            InstanceService::ServiceName, InstanceService::ObjectPath, InstanceService::InterfaceName,
            QStringLiteral("CreateTaskFromText"));
        call << text;
        return new QDBusPendingCallWatcher(client.asyncCall(call), &service);
    }

    InstanceService service{bus.connect(QStringLiteral("owner"))};
    QDBusConnection client = bus.connect(QStringLiteral("client"));
};

TEST_F(TaskFromTextTest, ReplyComesOnlyOnceTheTasksExist) {
    QString requestedText;
    InstanceService::TaskCreationReply pendingReply;
    service.setTaskCreationHandler([&](const QString& text, InstanceService::TaskCreationReply reply) {
        requestedText = text;
        pendingReply = std::move(reply);
    });
    QDBusPendingCallWatcher* watcher = request(QStringLiteral("Buy milk\nCall Anna"));
    ASSERT_TRUE(testsupport::spinUntil([&] { return bool(pendingReply); }));
    EXPECT_EQ(requestedText, QStringLiteral("Buy milk\nCall Anna"));
    PrivateBus::roundTrip(client);
    testsupport::drainEvents();
    EXPECT_FALSE(watcher->isFinished()) << "answered before the tasks were made";

    pendingReply(QStringList{QStringLiteral("A1"), QStringLiteral("B2")});
    ASSERT_TRUE(testsupport::spinUntil([&] { return watcher->isFinished(); }));
    const QDBusPendingReply<QStringList> reply = *watcher;
    ASSERT_TRUE(reply.isValid()) << reply.error().message().toStdString();
    EXPECT_EQ(reply.value(), (QStringList{QStringLiteral("A1"), QStringLiteral("B2")}));
}

TEST_F(TaskFromTextTest, FailuresReachTheCallerAsErrors) {
    struct Case {
        const char* name;
        bool withHandler;
        QString expectedMessage;
    };
    const Case cases[] = {
        {"no handler yet", false, QStringLiteral("Ordello is not ready to create tasks")},
        {"no task made", true, QStringLiteral("Could not create task from selection")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        service.setTaskCreationHandler(nullptr);
        if (c.withHandler)
            service.setTaskCreationHandler([](const QString&, InstanceService::TaskCreationReply reply) {
                reply(TDError::make(0, QStringLiteral("Could not create task from selection")));
            });
        QDBusPendingCallWatcher* watcher = request(QStringLiteral("text"));
        ASSERT_TRUE(testsupport::spinUntil([&] { return watcher->isFinished(); }));
        EXPECT_TRUE(watcher->isError());
        EXPECT_EQ(watcher->error().name(), InstanceService::TaskNotCreatedError);
        EXPECT_EQ(watcher->error().message(), c.expectedMessage);
    }
}

}  // namespace
