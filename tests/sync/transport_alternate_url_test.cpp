#include "tests/sync/transport_fixture.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace synctest {
namespace {

using Fault = LoopbackSyncServer::Fault;

const QString kURLKey = QStringLiteral("corvaneSyncServiceURL");
const QString kSwitchKey = QStringLiteral("corvaneSyncServiceAlternateURLSwitchOverDate");
constexpr int kNeverMilliseconds = 120'000;

struct AlternateCase {
    const char* name;
    bool baseIsAlternate;   // the stored base URL is the alternate one already
    bool viaOtherHostName;  // the request names the primary server as "localhost", outside both URLs
    std::optional<Fault> primaryFault;
    std::optional<Fault> alternateFault;
    int code;  // 0: success
    int primaryRequests;
    int alternateRequests;
    bool switchedToAlternate;
};

// One retry on the alternate base URL, only for a time-out of a request sent to the primary one.
TEST_F(TransportTest, TheAlternateURLIsTriedOnlyForATimeOutOnThePrimary) {
    const Fault stall = Fault::of(Fault::Kind::Stall);
    const AlternateCase cases[] = {
        {"primary times out, alternate answers", false, false, stall, std::nullopt, 0, 1, 1, true},
        {"both time out", false, false, stall, stall, 601, 1, 1, false},
        {"primary answers 500", false, false, Fault::answer(500), std::nullopt, 600, 1, 0, false},
        {"primary drops the connection", false, false, Fault::of(Fault::Kind::Drop), std::nullopt, 601, 1, 0,
         false},
        {"the alternate times out", true, false, std::nullopt, stall, 601, 0, 1, false},
        {"a URL outside the service times out", false, true, stall, std::nullopt, 601, 1, 0, false},
    };
    for (const AlternateCase& row : cases) {
        SCOPED_TRACE(row.name);
        LoopbackSyncServer primary;
        LoopbackSyncServer alternate;
        for (LoopbackSyncServer* s : {&primary, &alternate})
            s->addAccount({kUser, kPassword, QStringLiteral("alice@example.com")});
        // Drops are made for every resend Qt makes.
        if (row.primaryFault) primary.injectFault(QStringLiteral("/"), *row.primaryFault, 5);
        if (row.alternateFault) alternate.injectFault(QStringLiteral("/"), *row.alternateFault, 5);
        // No clock decides what times out: a request times out when its server has it and stalls, so
        // a slow machine neither times out an answering server nor gives up before a request arrives.
        // The time-out itself only bounds a broken run.
        auto connectionOptions = options(kNeverMilliseconds);
        connectionOptions.urls = {primary.baseURL(), alternate.baseURL()};
        QString base = row.baseIsAlternate ? alternate.baseURL() : primary.baseURL();
        if (row.viaOtherHostName) base = QStringLiteral("https://localhost:%1/").arg(primary.port());
        defaults().setValue(kURLKey, base);
        defaults().removeValue(kSwitchKey);

        auto operation = makeOperation(connectionOptions);
        TDCorvaneConnection& connection = operation->connection();
        for (LoopbackSyncServer* s : {&primary, &alternate})
            s->setStallObserver([&connection] {
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(), [&connection] { connection.timeOutWaitingRequest(); },
                    Qt::QueuedConnection);
            });
        auto result = get(*operation, corvaneUserPath(kUser));
        if (row.code == 0) {
            ASSERT_TRUE(result.ok()) << describe(result.error());
            EXPECT_EQ(result->object().value(QStringLiteral("email")).toString(),
                      QStringLiteral("alice@example.com"));
        } else {
            ASSERT_FALSE(result.ok());
            EXPECT_EQ(result.error().code, row.code) << describe(result.error());
        }
        EXPECT_EQ(primary.requests().size() > 0 ? 1 : 0, row.primaryRequests);
        EXPECT_EQ(alternate.requests().size(), row.alternateRequests);
        EXPECT_EQ(defaults().string(kURLKey) == alternate.baseURL(),
                  row.switchedToAlternate || row.baseIsAlternate);
        EXPECT_EQ(defaults().hasStoredValue(kSwitchKey), row.switchedToAlternate);
    }
}

struct SwitchBackCase {
    const char* name;
    bool storedIsAlternate;
    std::optional<int> daysAgo;  // the switch-over date
    bool backToPrimary;
};

TEST_F(TransportTest, TheAlternateURLServesThirtyDaysBeforeThePrimaryIsTriedAgain) {
    const TDCorvaneServiceURLs urls{defaults().registeredDefaults().value(kURLKey).toString(),
                                    QStringLiteral("https://alternate.example/")};
    const QDateTime now = QDateTime(QDate(2026, 12, 10), QTime(12, 0), Qt::UTC);
    const SwitchBackCase cases[] = {
        {"31 days on the alternate", true, 31, true},
        {"exactly 30 days", true, 30, true},
        {"29 days", true, 29, false},
        {"no switch-over date", true, std::nullopt, false},
        {"on the primary with an old date", false, 90, false},
    };
    for (const SwitchBackCase& row : cases) {
        SCOPED_TRACE(row.name);
        const QString stored =
            row.storedIsAlternate ? urls.alternate : QStringLiteral("https://custom.example/");
        defaults().setValue(kURLKey, stored);
        defaults().removeValue(kSwitchKey);
        if (row.daysAgo) defaults().setValue(kSwitchKey, now.addDays(-*row.daysAgo));
        const QString base = corvaneBaseURLText(defaults(), urls, now);
        EXPECT_EQ(base, row.backToPrimary ? urls.primary : stored);
        EXPECT_EQ(defaults().hasStoredValue(kSwitchKey), !row.backToPrimary && row.daysAgo.has_value());
    }
}

TEST_F(TransportTest, TheAlternateRequestIsTheSameRequestOnTheAlternateBase) {
    TDCorvaneConnection connection(
        {{QStringLiteral("https://primary.example/"), QStringLiteral("https://alt.example/v2/")}, {}, 1000},
        {});
    TDCorvaneRequest request = makeCorvaneRequest(
        corvaneURLWithPath(QStringLiteral("https://primary.example/"), QStringLiteral("/sync/objects/"),
                           TDCorvaneParameters{{QStringLiteral("uids"), QStringLiteral("A,B")}}),
        "PUT");
    request.body = "{}";
    const TDCorvaneRequest copy = connection.requestOnAlternateURL(request);
    EXPECT_EQ(copy.url.toString(QUrl::FullyEncoded),
              QStringLiteral("https://alt.example/v2/sync/objects/?uids=A,B"));
    EXPECT_EQ(copy.method, request.method);
    EXPECT_EQ(copy.body, request.body);
    EXPECT_EQ(copy.headers, request.headers);
}

}  // namespace
}  // namespace synctest
