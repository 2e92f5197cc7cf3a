#pragma once

#include <QString>

// The separators between keyword and value in token editing strings: blank, "=" and ":".
inline const QString TDTokenSeparatorCharacterSet = QStringLiteral(" =:");

// "Ordello/<short version>/<build number>", with " (Beta)" after a beta build's number (its identifier
// ends with ".beta"): the User-Agent of sync requests.
QString userAgentString(const QString& shortVersion, const QString& buildNumber,
                        const QString& bundleIdentifier);
// The User-Agent of this build, from the version CMake gives it.
const QString& TDUserAgent();
