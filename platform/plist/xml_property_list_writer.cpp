#include "platform/plist/xml_property_list_writer.h"

#include "platform/plist/property_list.h"

#include <QBuffer>
#include <QDateTime>
#include <QTimeZone>
#include <QXmlStreamWriter>

#include <limits>

namespace platform {

namespace {

TDError unsupported(const QString& what) {
    return propertyListError(
        TDPropertyListErrorUnsupportedValue,
        QStringLiteral("A value of type %1 cannot be written to a property list.").arg(what));
}

// XML 1.0 has no form for most control characters, nor for NUL.
bool isWritableText(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || u == 0xFFFE || u == 0xFFFF) return false;
    }
    return true;
}

class Writer {
public:
    explicit Writer(QIODevice& device) : m_xml(&device) {
        m_xml.setAutoFormatting(true);
        m_xml.setAutoFormattingIndent(-1);
    }

    Status write(const QVariant& value) {
        m_xml.writeStartDocument();
        m_xml.writeStartElement(QStringLiteral("plist"));
        m_xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
        const Status written = this->value(value, 0);
        if (!written.ok()) return written;
        m_xml.writeEndElement();
        m_xml.writeEndDocument();
        if (m_xml.hasError())
            return propertyListError(TDPropertyListErrorFile,
                                     QStringLiteral("The property list could not be written to its device."));
        return {};
    }

private:
    void simple(const QString& element, const QString& text) { m_xml.writeTextElement(element, text); }

    Status text(const QString& element, const QString& text) {
        if (!isWritableText(text)) return unsupported(QStringLiteral("text with a control character"));
        simple(element, text);
        return {};
    }

    template <typename Map>
    Status dictionary(const Map& map, int depth) {
        m_xml.writeStartElement(QStringLiteral("dict"));
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (!isWritableText(it.key())) return unsupported(QStringLiteral("a key with a control character"));
            simple(QStringLiteral("key"), it.key());
            const Status child = value(it.value(), depth + 1);
            if (!child.ok()) return child;
        }
        m_xml.writeEndElement();
        return {};
    }

    Status value(const QVariant& value, int depth) {
        if (depth > kPropertyListMaxDepth)
            return propertyListError(TDPropertyListErrorUnsupportedValue,
                                     QStringLiteral("The value is nested too deeply."));
        switch (value.metaType().id()) {
            case QMetaType::QVariantMap:
                return dictionary(value.toMap(), depth);
            case QMetaType::QVariantHash:
                return dictionary(value.toHash(), depth);
            case QMetaType::QVariantList:
            case QMetaType::QStringList: {
                const QVariantList list = value.toList();
                if (list.isEmpty()) {
                    m_xml.writeEmptyElement(QStringLiteral("array"));
                    return {};
                }
                m_xml.writeStartElement(QStringLiteral("array"));
                for (const QVariant& item : list) {
                    const Status child = this->value(item, depth + 1);
                    if (!child.ok()) return child;
                }
                m_xml.writeEndElement();
                return {};
            }
            case QMetaType::QString:
                return text(QStringLiteral("string"), value.toString());
            case QMetaType::Bool:
                m_xml.writeEmptyElement(value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
                return {};
            case QMetaType::Int:
            case QMetaType::Long:
            case QMetaType::LongLong:
            case QMetaType::Short:
                simple(QStringLiteral("integer"), QString::number(value.toLongLong()));
                return {};
            case QMetaType::UInt:
            case QMetaType::ULong:
            case QMetaType::UShort:
            case QMetaType::ULongLong:
                // Integers are read back signed; a larger value would come back negative.
                if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
                    return unsupported(QStringLiteral("an unsigned integer above the signed range"));
                simple(QStringLiteral("integer"), QString::number(value.toULongLong()));
                return {};
            case QMetaType::Double:
            case QMetaType::Float:
                simple(QStringLiteral("real"), QString::number(value.toDouble(), 'g', 17));
                return {};
            case QMetaType::QDateTime: {
                const QDateTime date = value.toDateTime().toTimeZone(QTimeZone::utc());
                if (!date.isValid() || date.date().year() < 1 || date.date().year() > 9999)
                    return unsupported(QStringLiteral("a date outside the years 1 to 9999"));
                simple(QStringLiteral("date"), date.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")));
                return {};
            }
            case QMetaType::QByteArray:
                simple(QStringLiteral("data"), QString::fromLatin1(value.toByteArray().toBase64()));
                return {};
            default:
                return unsupported(
                    QString::fromLatin1(value.metaType().name() ? value.metaType().name() : "(none)"));
        }
    }

    QXmlStreamWriter m_xml;
};

}  // namespace

Status writeXmlPropertyList(const QVariant& value, QIODevice& device) {
    return Writer(device).write(value);
}

Result<QByteArray> writeXmlPropertyList(const QVariant& value) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const Status written = writeXmlPropertyList(value, buffer);
    if (!written.ok()) return written.error();
    return bytes;
}

}  // namespace platform
