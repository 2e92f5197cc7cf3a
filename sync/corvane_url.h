#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <optional>
#include <utility>

namespace platform {
class UserDefaults;
}

// Request parameters in the order they are written into a query or a body.
using TDCorvaneParameters = QList<std::pair<QString, QVariant>>;

// The two fixed base URLs of the service. The primary one is the registered value of
// "corvaneSyncServiceURL"; tests point both at their own server.
struct TDCorvaneServiceURLs {
    QString primary;
    QString alternate;

    static QString programAlternateURL();
    // The primary from the registered defaults, the alternate of the program.
    static TDCorvaneServiceURLs fromDefaults(const platform::UserDefaults& defaults);
};

// How long the alternate base URL is kept before the primary one is tried again.
inline constexpr int kCorvaneAlternateURLDays = 30;

// Escaped as a query component: everything but the unreserved characters and "," (lists of UIDs stay
// readable), as UTF-8.
QString corvaneEscapedQueryComponent(const QString& text);
// A value as it is written into a query: strings as they are, whole numbers without a fraction,
// booleans as "1" and "0".
QString corvaneParameterText(const QVariant& value);
// The text with "?" and the escaped pairs joined by "&"; without parameters the text alone.
QUrl corvaneURLWithString(const QString& text, const TDCorvaneParameters& parameters);
// "/user/<name>": the name is one path segment, escaped like a query component but for ",".
QString corvaneUserPath(const QString& username);

// The base URL in use: "corvaneSyncServiceURL", back to the primary once the alternate has served for
// 30 days (its switch-over date is then removed too).
QString corvaneBaseURLText(platform::UserDefaults& defaults, const TDCorvaneServiceURLs& urls,
                           const QDateTime& now = QDateTime::currentDateTimeUtc());
// The base URL and the path (one leading "/" dropped); parameters, when given, form the query.
QUrl corvaneURLWithPath(const QString& baseText, const QString& path,
                        const std::optional<TDCorvaneParameters>& parameters = std::nullopt);
