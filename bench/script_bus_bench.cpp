// A script reading a large list over the session bus: the titles and due dates of every task of the
// list in one TaskProperties call, on a private bus, answered by the scripting objects as Ordello
// serves them.
#include "auxiliary/gui/scripting_bus.h"
#include "auxiliary/scripting_host.h"
#include "bench/bench_support.h"
#include "model/group.h"
#include "model/library.h"
#include "platform/desktop/bus/instance_service.h"
#include "platform/desktop/bus/object_path_element.h"
#include "store/library_manager.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QProcess>

#include <benchmark/benchmark.h>

namespace {

// Only the library is asked for by a read.
class ReadingHost final : public TDScriptingHost {
public:
    explicit ReadingHost(TDLibrary* library) : m_library(library) {}
    TDLibrary* library() const override { return m_library; }
    void revealObject(TDLibraryObject*) override {}
    QList<TDTask*> selectedTasks() const override { return {}; }
    void setSelectedTasks(const QList<TDTask*>&) override {}
    TDGroup* selectedGroup() const override { return nullptr; }
    bool selectGroup(TDGroup*) override { return false; }
    void save() override {}
    TDTimerController* timerController() override { return nullptr; }

private:
    TDLibrary* m_library;
};

// A session bus of the benchmark's own.
class BenchBus {
public:
    BenchBus() {
        m_daemon.start(
            QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (m_daemon.waitForStarted() && m_daemon.waitForReadyRead(10000))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~BenchBus() {
        QDBusConnection::disconnectFromBus(QStringLiteral("bench-ordello"));
        QDBusConnection::disconnectFromBus(QStringLiteral("bench-script"));
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }
    QString address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

void BM_ScriptListTasks(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    BenchOpenLibrary library(count);
    BenchBus bus;
    if (!library.isOpen() || bus.address().isEmpty()) {
        state.SkipWithError("could not open the library or start a bus");
        return;
    }
    TDLibrary* opened = library.manager().library();
    TDGroup* list = opened->groupTitled(QStringLiteral("Everything"));
    ReadingHost host(opened);
    platform::InstanceService service(
        QDBusConnection::connectToBus(bus.address(), QStringLiteral("bench-ordello")));
    if (!list || service.claim({}) != platform::InstanceService::Claim::Owned) {
        state.SkipWithError("no list, or the bus name is taken");
        return;
    }
    TDScriptingBus scripting(host, service);
    QDBusConnection script = QDBusConnection::connectToBus(bus.address(), QStringLiteral("bench-script"));
    QDBusMessage call = QDBusMessage::createMethodCall(
        platform::InstanceService::ServiceName,
        QStringLiteral("/com/vantorel/Ordello/groups/") + platform::objectPathElement(list->uid()),
        QStringLiteral("com.vantorel.Ordello.Group"), QStringLiteral("TaskProperties"));
    call << QStringList{QStringLiteral("Title"), QStringLiteral("DueDate")};
    qsizetype read = 0;
    for (auto _ : state) {
        QDBusPendingCallWatcher watcher(script.asyncCall(call, 60000));
        while (!watcher.isFinished()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const QDBusMessage reply = watcher.reply();
        if (reply.type() != QDBusMessage::ReplyMessage) {
            state.SkipWithError("the call failed");
            return;
        }
        read = qdbus_cast<QMap<QString, QVariantMap>>(reply.arguments().constFirst()).size();
    }
    state.counters["tasks_read"] = double(read);
}
BENCHMARK(BM_ScriptListTasks)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
