#include "foundation/shared_constants.h"

#include "foundation/version.h"
#include "platform/base/format.h"

QString userAgentString(const QString& shortVersion, const QString& buildNumber,
                        const QString& bundleIdentifier) {
    const QString beta =
        bundleIdentifier.endsWith(QLatin1String(".beta")) ? QStringLiteral(" (Beta)") : QString();
    return formatString("%@/%@/%@%@", QStringLiteral("Ordello"), shortVersion, buildNumber, beta);
}

const QString& TDUserAgent() {
    static const QString agent =
        userAgentString(QStringLiteral(ORDELLO_SHORT_VERSION), QStringLiteral(ORDELLO_BUILD_NUMBER),
                        QStringLiteral(ORDELLO_BUNDLE_IDENTIFIER));
    return agent;
}
