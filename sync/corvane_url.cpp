#include "sync/corvane_url.h"

#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"

namespace {
const QString kServiceURLKey = QStringLiteral("corvaneSyncServiceURL");
const QString kSwitchOverDateKey = QStringLiteral("corvaneSyncServiceAlternateURLSwitchOverDate");
}  // namespace

QString TDCorvaneServiceURLs::programAlternateURL() {
    return QStringLiteral("https://sync2.corvane.com/");
}

TDCorvaneServiceURLs TDCorvaneServiceURLs::fromDefaults(const platform::UserDefaults& defaults) {
    return {defaults.registeredDefaults().value(kServiceURLKey).toString(), programAlternateURL()};
}

QString corvaneEscapedQueryComponent(const QString& text) {
    return QString::fromLatin1(text.toUtf8().toPercentEncoding(QByteArrayLiteral(",")));
}

QString corvaneParameterText(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        case QMetaType::Double: {
            const double number = value.toDouble();
            if (number == static_cast<double>(static_cast<qint64>(number)))
                return QString::number(static_cast<qint64>(number));
            return QString::number(number, 'g', 17);
        }
        default:
            return value.toString();
    }
}

QUrl corvaneURLWithString(const QString& text, const TDCorvaneParameters& parameters) {
    if (parameters.isEmpty()) return QUrl(text, QUrl::StrictMode);
    QStringList pairs;
    pairs.reserve(parameters.size());
    for (const auto& [key, value] : parameters)
        pairs.append(corvaneEscapedQueryComponent(key) + QLatin1Char('=') +
                     corvaneEscapedQueryComponent(corvaneParameterText(value)));
    return QUrl(text + QLatin1Char('?') + pairs.join(QLatin1Char('&')), QUrl::StrictMode);
}

QString corvaneUserPath(const QString& username) {
    return QStringLiteral("/user/") + QString::fromLatin1(username.toUtf8().toPercentEncoding());
}

QString corvaneBaseURLText(platform::UserDefaults& defaults, const TDCorvaneServiceURLs& urls,
                           const QDateTime& now) {
    const QString base = defaults.string(kServiceURLKey);
    if (urls.alternate.isEmpty() || !base.startsWith(urls.alternate)) return base;
    const QDateTime switchedOver = defaults.value(kSwitchOverDateKey).toDateTime();
    if (!switchedOver.isValid() || switchedOver.secsTo(now) < qint64(kCorvaneAlternateURLDays) * 86400)
        return base;
    logWithLevel(
        TDLogInfo, "INFO",
        "It's been at least 30 days since we switched over to the alternate sync service URL. Switching "
        "back to primary URL to see if it works again.");
    defaults.removeValue(kServiceURLKey);
    defaults.removeValue(kSwitchOverDateKey);
    return defaults.string(kServiceURLKey);
}

QUrl corvaneURLWithPath(const QString& baseText, const QString& path,
                        const std::optional<TDCorvaneParameters>& parameters) {
    QString text = baseText;
    if (!text.endsWith(QLatin1Char('/'))) text += QLatin1Char('/');
    text += path.startsWith(QLatin1Char('/')) ? path.mid(1) : path;
    if (!parameters) return QUrl(text, QUrl::StrictMode);
    return corvaneURLWithString(text, *parameters);
}
