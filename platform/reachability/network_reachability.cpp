#include "platform/reachability/network_reachability.h"

#include "platform/notifications/notification_center.h"

#include <QCoreApplication>
#include <QThread>

TDNetworkReachability::TDNetworkReachability(const QString& hostName, bool localWiFi)
    : m_hostName(hostName), m_localWiFi(localWiFi) {
}

std::unique_ptr<TDNetworkReachability> TDNetworkReachability::reachabilityWithHostName(
    const QString& hostName) {
    if (hostName.isEmpty()) return nullptr;
    return std::unique_ptr<TDNetworkReachability>(new TDNetworkReachability(hostName, false));
}

std::unique_ptr<TDNetworkReachability> TDNetworkReachability::reachabilityWithAddress(
    const QHostAddress& address) {
    if (address.isNull()) return nullptr;
    return std::unique_ptr<TDNetworkReachability>(new TDNetworkReachability(address.toString(), false));
}

std::unique_ptr<TDNetworkReachability> TDNetworkReachability::reachabilityForInternetConnection() {
    return std::unique_ptr<TDNetworkReachability>(
        new TDNetworkReachability(QStringLiteral("0.0.0.0"), false));
}

std::unique_ptr<TDNetworkReachability> TDNetworkReachability::reachabilityForLocalWiFi() {
    return std::unique_ptr<TDNetworkReachability>(
        new TDNetworkReachability(QStringLiteral("169.254.0.0"), true));
}

TDNetworkReachability::NetworkStatus TDNetworkReachability::networkStatusFor(
    std::optional<QNetworkInformation::Reachability> reachability) {
    if (!reachability) return Reachable;
    switch (*reachability) {
        case QNetworkInformation::Reachability::Online:
        case QNetworkInformation::Reachability::Site:
        case QNetworkInformation::Reachability::Unknown:
            return Reachable;
        case QNetworkInformation::Reachability::Disconnected:
        case QNetworkInformation::Reachability::Local:
            return NotReachable;
    }
    return Reachable;
}

TDNetworkReachability::NetworkStatus TDNetworkReachability::localWiFiStatusFor(
    std::optional<QNetworkInformation::Reachability> reachability) {
    if (reachability == QNetworkInformation::Reachability::Disconnected) return NotReachable;
    return Reachable;
}

std::optional<QNetworkInformation::Reachability> TDNetworkReachability::p_desktopReachability() {
    QNetworkInformation* information = QNetworkInformation::instance();
    if (!information || !information->supports(QNetworkInformation::Feature::Reachability))
        return std::nullopt;
    return information->reachability();
}

TDNetworkReachability::NetworkStatus TDNetworkReachability::currentReachabilityStatus() const {
    const auto reachability = p_desktopReachability();
    return m_localWiFi ? localWiFiStatusFor(reachability) : networkStatusFor(reachability);
}

bool TDNetworkReachability::startNotifier() {
    if (m_connection) return true;
    if (!QNetworkInformation::instance() && QCoreApplication::instance() &&
        QThread::currentThread() == QCoreApplication::instance()->thread()) {
        QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    }
    QNetworkInformation* information = QNetworkInformation::instance();
    if (!information) return false;
    m_connection = connect(information, &QNetworkInformation::reachabilityChanged, this,
                           &TDNetworkReachability::p_changed);
    return static_cast<bool>(m_connection);
}

void TDNetworkReachability::stopNotifier() {
    disconnect(m_connection);
    m_connection = {};
}

void TDNetworkReachability::p_changed() {
    platform::NotificationCenter::defaultCenter().post(TDNetworkReachabilityChangedNotification, this);
    Q_EMIT reachabilityChanged();
}
