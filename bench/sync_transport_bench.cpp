// The cost of one exchange with the sync service: the floor every sync pays per request.
#include "platform/defaults/user_defaults.h"
#include "sync/corvane_operation.h"
#include "tests/sync/support/loopback_sync_server.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// One small authenticated GET ("/user/<name>") to the loopback HTTPS service, a new TLS connection
// each time as the program makes them ("Connection: close").
void BM_LoopbackHttpsRoundTrip(benchmark::State& state) {
    QTemporaryDir folder;
    platform::UserDefaults defaults(folder.path() + QStringLiteral("/Ordello.conf"));
    synctest::LoopbackSyncServer server;
    server.addAccount(
        {QStringLiteral("alice"), QStringLiteral("secret"), QStringLiteral("alice@example.com")});
    defaults.setValue(QStringLiteral("corvaneSyncServiceURL"), server.baseURL());

    TDCorvaneOperation operation;
    operation.setDefaults(&defaults);
    operation.setUsername(QStringLiteral("alice"));
    operation.setPassword(QStringLiteral("secret"));
    TDCorvaneConnection::Options options;
    options.urls = {server.baseURL(), QString()};
    options.extraAnchors = {synctest::LoopbackSyncServer::authorityCertificate()};
    operation.setConnectionOptions(options);
    auto request = operation.request(operation.corvaneURL(corvaneUserPath(QStringLiteral("alice"))));
    if (!request) {
        state.SkipWithError("no request");
        return;
    }
    for (auto _ : state) {
        auto answer = operation.responseDictionary(*request);
        if (!answer) {
            state.SkipWithError(answer.error().detailedDescription().toUtf8().constData());
            return;
        }
        benchmark::DoNotOptimize(answer->object());
    }
}
BENCHMARK(BM_LoopbackHttpsRoundTrip)->Unit(benchmark::kMillisecond);

}  // namespace
