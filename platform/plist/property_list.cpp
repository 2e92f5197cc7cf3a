#include "platform/plist/property_list.h"

#include "platform/files/atomic_save.h"
#include "platform/plist/binary_property_list_reader.h"
#include "platform/plist/binary_property_list_writer.h"
#include "platform/plist/xml_property_list_reader.h"
#include "platform/plist/xml_property_list_writer.h"

#include <QFile>

#include <algorithm>
#include <limits>

namespace platform {

TDError propertyListError(int code, const QString& description) {
    TDError e = TDError::make(code, description);
    e.domain = TDPropertyListErrorDomain;
    return e;
}

Result<QVariant> readPropertyList(const QByteArray& data, qsizetype maxSize) {
    if (data.isEmpty())
        return propertyListError(TDPropertyListErrorMalformed, QStringLiteral("The property list is empty."));
    if (data.size() > maxSize || data.size() > qsizetype(std::numeric_limits<int32_t>::max()))
        return propertyListError(TDPropertyListErrorTooLarge,
                                 QStringLiteral("The property list is larger than %1 bytes.").arg(maxSize));
    static const QByteArray binaryHeader("bplist00");
    return data.startsWith(binaryHeader) ? readBinaryPropertyList(data) : readXmlPropertyList(data);
}

Result<QByteArray> writePropertyList(const QVariant& value, PropertyListFormat format) {
    return format == PropertyListFormat::Xml ? writeXmlPropertyList(value) : writeBinaryPropertyList(value);
}

Result<QVariant> readPropertyListFile(const QString& path, qsizetype maxSize) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return propertyListError(
            TDPropertyListErrorFile,
            QStringLiteral("The file \"%1\" could not be opened: %2").arg(path, file.errorString()));
    if (file.size() > maxSize)
        return propertyListError(
            TDPropertyListErrorTooLarge,
            QStringLiteral("The file \"%1\" is larger than %2 bytes.").arg(path).arg(maxSize));
    // Read one byte beyond the cap so a file that grew since size() was asked is still refused.
    return readPropertyList(file.read(std::min(file.size(), qint64(maxSize)) + 1), maxSize);
}

Status writePropertyListFile(const QString& path, const QVariant& value, PropertyListFormat format,
                             WriteDurability durability) {
    Result<QByteArray> bytes = writePropertyList(value, format);
    if (!bytes) return bytes.error();
    const Status written = writeFileAtomically(path, *bytes, durability);
    if (!written.ok())
        return propertyListError(TDPropertyListErrorFile,
                                 QStringLiteral("The file \"%1\" could not be written: %2")
                                     .arg(path, written.error().description));
    return {};
}

}  // namespace platform
