#pragma once

#include "platform/base/error.h"
#include "platform/files/atomic_save.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace platform {

// Property lists in XML or binary. In memory a property list is a QVariant:
// dictionary QVariantMap, array QVariantList, string QString, integer qint64, real double, boolean bool,
// date QDateTime (UTC; XML keeps whole seconds), data QByteArray.
enum class PropertyListFormat { Xml, Binary };

// Input from outside is refused beyond this size unless the caller allows more.
inline constexpr qsizetype kPropertyListDefaultMaxSize = 64 * 1024 * 1024;
// Nesting deeper than this is refused, so that hostile input cannot exhaust the stack.
inline constexpr int kPropertyListMaxDepth = 256;

// Error codes of the property-list domain.
inline const QString TDPropertyListErrorDomain = QStringLiteral("TDPropertyListErrorDomain");
enum TDPropertyListError : int {
    TDPropertyListErrorTooLarge = 1,
    TDPropertyListErrorMalformed = 2,
    TDPropertyListErrorUnsupportedValue = 3,
    TDPropertyListErrorFile = 4,
};

// An error of the property-list domain.
TDError propertyListError(int code, const QString& description);

// Reads XML or binary (told apart by the binary header). Empty, malformed, too large or too deep input
// is an error.
Result<QVariant> readPropertyList(const QByteArray& data, qsizetype maxSize = kPropertyListDefaultMaxSize);
// Values of any other type are an error, and so are dates outside the years 1 to 9999 and, in XML, text
// with characters XML cannot hold (control characters but tab and line ends). Binary keeps a date's
// milliseconds, XML its whole seconds.
Result<QByteArray> writePropertyList(const QVariant& value,
                                     PropertyListFormat format = PropertyListFormat::Xml);

Result<QVariant> readPropertyListFile(const QString& path, qsizetype maxSize = kPropertyListDefaultMaxSize);
// Written whole through a save file: the old file stays until the new one is complete.
Status writePropertyListFile(const QString& path, const QVariant& value,
                             PropertyListFormat format = PropertyListFormat::Xml,
                             WriteDurability durability = WriteDurability::Full);

}  // namespace platform
