#include "platform/plist/property_list.h"

#include "platform/files/atomic_save.h"
#include "platform/plist/binary_property_list_reader.h"
#include "platform/plist/xml_property_list_reader.h"
#include "platform/plist/xml_property_list_writer.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>

#include <plist/plist.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace platform {

namespace {

// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
const QDateTime& referenceDate() {
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return date;
}

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

Result<PlistPtr> toNode(const QVariant& value, int depth);

Result<PlistPtr> unsupported(const QString& what) {
    return propertyListError(
        TDPropertyListErrorUnsupportedValue,
        QStringLiteral("A value of type %1 cannot be written to a property list.").arg(what));
}

// libplist keeps text NUL-terminated.
bool isWritableText(const QString& text) {
    return !text.contains(QChar(0));
}

Result<PlistPtr> stringNode(const QString& text) {
    if (!isWritableText(text)) return unsupported(QStringLiteral("text with a control character"));
    return PlistPtr(plist_new_string(text.toUtf8().constData()));
}

template <typename Map>
Result<PlistPtr> dictNode(const Map& map, int depth) {
    PlistPtr dict(plist_new_dict());
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (!isWritableText(it.key()))
            return unsupported(QStringLiteral("a key with a control character"));
        Result<PlistPtr> child = toNode(it.value(), depth + 1);
        if (!child) return child;
        plist_dict_set_item(dict.get(), it.key().toUtf8().constData(), child->release());
    }
    return dict;
}

Result<PlistPtr> toNode(const QVariant& value, int depth) {
    if (depth > kPropertyListMaxDepth)
        return propertyListError(TDPropertyListErrorUnsupportedValue,
                                 QStringLiteral("The value is nested too deeply."));
    switch (value.metaType().id()) {
        case QMetaType::QVariantMap:
            return dictNode(value.toMap(), depth);
        case QMetaType::QVariantHash:
            return dictNode(value.toHash(), depth);
        case QMetaType::QVariantList:
        case QMetaType::QStringList: {
            PlistPtr array(plist_new_array());
            const QVariantList list = value.toList();
            for (const QVariant& item : list) {
                Result<PlistPtr> child = toNode(item, depth + 1);
                if (!child) return child;
                plist_array_append_item(array.get(), child->release());
            }
            return array;
        }
        case QMetaType::QString:
            return stringNode(value.toString());
        case QMetaType::Bool:
            return PlistPtr(plist_new_bool(value.toBool() ? 1 : 0));
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
            return PlistPtr(plist_new_uint(static_cast<uint64_t>(value.toLongLong())));
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::UShort:
            return PlistPtr(plist_new_uint(value.toULongLong()));
        case QMetaType::ULongLong:
            // Integers are read back signed; a larger value would come back negative.
            if (value.toULongLong() > uint64_t(std::numeric_limits<qint64>::max()))
                return unsupported(QStringLiteral("an unsigned integer above the signed range"));
            return PlistPtr(plist_new_uint(value.toULongLong()));
        case QMetaType::Double:
        case QMetaType::Float:
            return PlistPtr(plist_new_real(value.toDouble()));
        case QMetaType::QDateTime: {
            const QDateTime date = value.toDateTime();
            if (!date.isValid()) return unsupported(QStringLiteral("an invalid date"));
            const qint64 ms = referenceDate().msecsTo(date);
            const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
            if (sec < std::numeric_limits<int32_t>::min() || sec > std::numeric_limits<int32_t>::max())
                return unsupported(QStringLiteral("a date outside the years 1933 to 2069"));
            return PlistPtr(plist_new_date(int32_t(sec), int32_t((ms - sec * 1000) * 1000)));
        }
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            return PlistPtr(plist_new_data(bytes.constData(), uint64_t(bytes.size())));
        }
        default:
            return unsupported(
                QString::fromLatin1(value.metaType().name() ? value.metaType().name() : "(none)"));
    }
}

}  // namespace

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
    // libplist keeps dates in 32-bit seconds; XML is written here, without that limit.
    if (format == PropertyListFormat::Xml) return writeXmlPropertyList(value);
    Result<PlistPtr> root = toNode(value, 0);
    if (!root) return root.error();
    char* raw = nullptr;
    uint32_t length = 0;
    plist_to_bin(root->get(), &raw, &length);
    if (!raw)
        return propertyListError(TDPropertyListErrorUnsupportedValue,
                                 QStringLiteral("The property list could not be written."));
    QByteArray bytes(raw, qsizetype(length));
    plist_to_bin_free(raw);
    return bytes;
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

Status writePropertyListFile(const QString& path, const QVariant& value, PropertyListFormat format) {
    Result<QByteArray> bytes = writePropertyList(value, format);
    if (!bytes) return bytes.error();
    const Status written = writeFileAtomically(path, *bytes);
    if (!written.ok())
        return propertyListError(TDPropertyListErrorFile,
                                 QStringLiteral("The file \"%1\" could not be written: %2")
                                     .arg(path, written.error().description));
    return {};
}

}  // namespace platform
