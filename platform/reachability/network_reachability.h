#pragma once

#include <QHostAddress>
#include <QNetworkInformation>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

inline const QString TDNetworkReachabilityChangedNotification =
    QStringLiteral("TDNetworkReachabilityChangedNotification");

// Whether the network answers, from the desktop's network information (QNetworkInformation). The
// desktop reports one state for the whole machine, so the host and address forms answer what the
// Internet form answers. Without a backend, or while the backend does not know, the network counts as
// reachable: a sync that then fails says so itself, while a wrong "offline" would silently stop it.
class TDNetworkReachability final : public QObject {
    Q_OBJECT
public:
    enum NetworkStatus : int { NotReachable = 0, Reachable = 1 };

    static std::unique_ptr<TDNetworkReachability> reachabilityWithHostName(const QString& hostName);
    static std::unique_ptr<TDNetworkReachability> reachabilityWithAddress(const QHostAddress& address);
    static std::unique_ptr<TDNetworkReachability> reachabilityForInternetConnection();
    // The link-local network: reachable with any link at all.
    static std::unique_ptr<TDNetworkReachability> reachabilityForLocalWiFi();

    // Call on the main thread: the desktop's reports arrive there, and so do the changes posted as
    // TDNetworkReachabilityChangedNotification (sender: this object) and reachabilityChanged().
    bool startNotifier();
    void stopNotifier();
    NetworkStatus currentReachabilityStatus() const;

    // The rule itself; nullopt stands for no backend.
    static NetworkStatus networkStatusFor(std::optional<QNetworkInformation::Reachability> reachability);
    static NetworkStatus localWiFiStatusFor(std::optional<QNetworkInformation::Reachability> reachability);

    bool isLocalWiFi() const { return m_localWiFi; }
    QString hostName() const { return m_hostName; }

Q_SIGNALS:
    void reachabilityChanged();

private:
    TDNetworkReachability(const QString& hostName, bool localWiFi);
    static std::optional<QNetworkInformation::Reachability> p_desktopReachability();
    void p_changed();

    QString m_hostName;
    bool m_localWiFi = false;
    QMetaObject::Connection m_connection;
};
