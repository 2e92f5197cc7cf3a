#include "platform/reachability/network_reachability.h"
#include "platform/notifications/notification_center.h"

#include <gtest/gtest.h>

namespace {

using Reachability = QNetworkInformation::Reachability;
using Status = TDNetworkReachability::NetworkStatus;

struct StatusCase {
    const char* name;
    std::optional<Reachability> desktop;  // nullopt: no backend
    Status internet;
    Status localWiFi;
};

// What the desktop reports, as the Internet and the link-local forms read it: only a known offline
// (or local-only, for the Internet) state stops a sync.
TEST(NetworkReachabilityTest, DesktopStatesMapToReachability) {
    const StatusCase cases[] = {
        {"online", Reachability::Online, Status::Reachable, Status::Reachable},
        {"site", Reachability::Site, Status::Reachable, Status::Reachable},
        {"unknown", Reachability::Unknown, Status::Reachable, Status::Reachable},
        {"no backend", std::nullopt, Status::Reachable, Status::Reachable},
        {"local only", Reachability::Local, Status::NotReachable, Status::Reachable},
        {"disconnected", Reachability::Disconnected, Status::NotReachable, Status::NotReachable},
    };
    for (const StatusCase& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(TDNetworkReachability::networkStatusFor(row.desktop), row.internet);
        EXPECT_EQ(TDNetworkReachability::localWiFiStatusFor(row.desktop), row.localWiFi);
    }
}

// The desktop knows one state for the machine, so every form that is not the link-local one answers
// as the Internet form does.
TEST(NetworkReachabilityTest, HostAndAddressFormsAnswerAsTheInternetForm) {
    auto internet = TDNetworkReachability::reachabilityForInternetConnection();
    auto host = TDNetworkReachability::reachabilityWithHostName(QStringLiteral("sync.corvane.com"));
    auto address = TDNetworkReachability::reachabilityWithAddress(QHostAddress(QStringLiteral("192.0.2.1")));
    auto local = TDNetworkReachability::reachabilityForLocalWiFi();
    ASSERT_TRUE(internet && host && address && local);
    EXPECT_FALSE(internet->isLocalWiFi());
    EXPECT_TRUE(local->isLocalWiFi());
    EXPECT_EQ(host->currentReachabilityStatus(), internet->currentReachabilityStatus());
    EXPECT_EQ(address->currentReachabilityStatus(), internet->currentReachabilityStatus());
    EXPECT_EQ(TDNetworkReachability::reachabilityWithHostName(QString()), nullptr);
    EXPECT_EQ(TDNetworkReachability::reachabilityWithAddress(QHostAddress()), nullptr);
}

TEST(NetworkReachabilityTest, TheNotifierStartsOnTheMainThreadWhateverTheBackend) {
    auto internet = TDNetworkReachability::reachabilityForInternetConnection();
    const bool started = internet->startNotifier();
    // With a backend the notifier runs; without one the network counts as reachable.
    EXPECT_EQ(started, QNetworkInformation::instance() != nullptr);
    if (!started) {
        EXPECT_EQ(internet->currentReachabilityStatus(), Status::Reachable);
    }
    internet->stopNotifier();
}

}  // namespace
