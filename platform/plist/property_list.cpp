#include "platform/plist/property_list.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QTimeZone>

#include <plist/plist.h>

#include <cstdlib>
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

struct MallocDeleter {
    void operator()(char* p) const { std::free(p); }
};
using MallocString = std::unique_ptr<char, MallocDeleter>;

TDError plistError(int code, const QString& description) {
    TDError e = TDError::make(code, description);
    e.domain = TDPropertyListErrorDomain;
    return e;
}

Result<QVariant> toVariant(plist_t node, int depth) {
    if (depth > kPropertyListMaxDepth)
        return plistError(TDPropertyListErrorMalformed, QStringLiteral("The property list is nested too deeply."));
    switch (plist_get_node_type(node)) {
        case PLIST_DICT: {
            QVariantMap map;
            plist_dict_iter it = nullptr;
            plist_dict_new_iter(node, &it);
            if (!it) return plistError(TDPropertyListErrorMalformed, QStringLiteral("Unreadable dictionary."));
            for (;;) {
                char* rawKey = nullptr;
                plist_t value = nullptr;
                plist_dict_next_item(node, it, &rawKey, &value);
                MallocString key(rawKey);
                if (!value) break;
                Result<QVariant> converted = toVariant(value, depth + 1);
                if (!converted) {
                    std::free(it);
                    return converted;
                }
                map.insert(QString::fromUtf8(key.get()), std::move(converted).value());
            }
            std::free(it);
            return QVariant(map);
        }
        case PLIST_ARRAY: {
            QVariantList list;
            const uint32_t count = plist_array_get_size(node);
            list.reserve(count);
            for (uint32_t i = 0; i < count; ++i) {
                Result<QVariant> converted = toVariant(plist_array_get_item(node, i), depth + 1);
                if (!converted) return converted;
                list.append(std::move(converted).value());
            }
            return QVariant(list);
        }
        case PLIST_STRING: {
            char* raw = nullptr;
            plist_get_string_val(node, &raw);
            MallocString text(raw);
            return QVariant(QString::fromUtf8(text ? text.get() : ""));
        }
        case PLIST_BOOLEAN: {
            uint8_t b = 0;
            plist_get_bool_val(node, &b);
            return QVariant(b != 0);
        }
        case PLIST_UINT: {
            // libplist keeps every integer in 64 bits; negative numbers come back in two's complement.
            uint64_t v = 0;
            plist_get_uint_val(node, &v);
            return QVariant(static_cast<qint64>(v));
        }
        case PLIST_REAL: {
            double d = 0;
            plist_get_real_val(node, &d);
            return QVariant(d);
        }
        case PLIST_DATE: {
            int32_t sec = 0, usec = 0;
            plist_get_date_val(node, &sec, &usec);
            return QVariant(referenceDate().addMSecs(qint64(sec) * 1000 + usec / 1000));
        }
        case PLIST_DATA: {
            char* raw = nullptr;
            uint64_t length = 0;
            plist_get_data_val(node, &raw, &length);
            MallocString bytes(raw);
            if (length > uint64_t(std::numeric_limits<qsizetype>::max()) || (!bytes && length))
                return plistError(TDPropertyListErrorMalformed, QStringLiteral("Unreadable data value."));
            return QVariant(QByteArray(bytes.get(), qsizetype(length)));
        }
        default:
            return plistError(TDPropertyListErrorUnsupportedValue,
                              QStringLiteral("The property list holds a value of an unsupported kind."));
    }
}

Result<PlistPtr> toNode(const QVariant& value, int depth);

Result<PlistPtr> unsupported(const QString& what) {
    return plistError(TDPropertyListErrorUnsupportedValue,
                      QStringLiteral("A value of type %1 cannot be written to a property list.").arg(what));
}

template <typename Map>
Result<PlistPtr> dictNode(const Map& map, int depth) {
    PlistPtr dict(plist_new_dict());
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        Result<PlistPtr> child = toNode(it.value(), depth + 1);
        if (!child) return child;
        plist_dict_set_item(dict.get(), it.key().toUtf8().constData(), child->release());
    }
    return dict;
}

Result<PlistPtr> toNode(const QVariant& value, int depth) {
    if (depth > kPropertyListMaxDepth)
        return plistError(TDPropertyListErrorUnsupportedValue, QStringLiteral("The value is nested too deeply."));
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
            return PlistPtr(plist_new_string(value.toString().toUtf8().constData()));
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
            if (value.toULongLong() > uint64_t(std::numeric_limits<qint64>::max())) return unsupported(QStringLiteral("an unsigned integer above the signed range"));
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
            return unsupported(QString::fromLatin1(value.metaType().name() ? value.metaType().name() : "(none)"));
    }
}

}  // namespace

Result<QVariant> readPropertyList(const QByteArray& data, qsizetype maxSize) {
    if (data.isEmpty()) return plistError(TDPropertyListErrorMalformed, QStringLiteral("The property list is empty."));
    if (data.size() > maxSize || data.size() > qsizetype(std::numeric_limits<int32_t>::max()))
        return plistError(TDPropertyListErrorTooLarge,
                          QStringLiteral("The property list is larger than %1 bytes.").arg(maxSize));
    const auto length = uint32_t(data.size());
    plist_t raw = nullptr;
    if (plist_is_binary(data.constData(), length)) {
        plist_from_bin(data.constData(), length, &raw);
    } else {
        plist_from_xml(data.constData(), length, &raw);
    }
    PlistPtr root(raw);
    if (!root) return plistError(TDPropertyListErrorMalformed, QStringLiteral("The property list is not readable."));
    return toVariant(root.get(), 0);
}

Result<QByteArray> writePropertyList(const QVariant& value, PropertyListFormat format) {
    Result<PlistPtr> root = toNode(value, 0);
    if (!root) return root.error();
    char* raw = nullptr;
    uint32_t length = 0;
    if (format == PropertyListFormat::Xml) {
        plist_to_xml(root->get(), &raw, &length);
    } else {
        plist_to_bin(root->get(), &raw, &length);
    }
    if (!raw) return plistError(TDPropertyListErrorUnsupportedValue, QStringLiteral("The property list could not be written."));
    QByteArray bytes(raw, qsizetype(length));
    if (format == PropertyListFormat::Xml) {
        plist_to_xml_free(raw);
    } else {
        plist_to_bin_free(raw);
    }
    return bytes;
}

Result<QVariant> readPropertyListFile(const QString& path, qsizetype maxSize) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return plistError(TDPropertyListErrorFile,
                          QStringLiteral("The file \"%1\" could not be opened: %2").arg(path, file.errorString()));
    if (file.size() > maxSize)
        return plistError(TDPropertyListErrorTooLarge,
                          QStringLiteral("The file \"%1\" is larger than %2 bytes.").arg(path).arg(maxSize));
    // Read one byte beyond the cap so a file that grew since size() was asked is still refused.
    return readPropertyList(file.read(maxSize + 1), maxSize);
}

Status writePropertyListFile(const QString& path, const QVariant& value, PropertyListFormat format) {
    Result<QByteArray> bytes = writePropertyList(value, format);
    if (!bytes) return bytes.error();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit())
        return plistError(TDPropertyListErrorFile,
                          QStringLiteral("The file \"%1\" could not be written: %2").arg(path, file.errorString()));
    return {};
}

}  // namespace platform
