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

TDError deviceFailed() {
    return propertyListError(TDPropertyListErrorFile,
                             QStringLiteral("The property list could not be written to its device."));
}

}  // namespace

// The XML goes to memory first and reaches the device in large pieces: a file written one element at
// a time would pay a call into the device for every few bytes.
class XmlPropertyListStreamWriter::Writer {
public:
    explicit Writer(QIODevice& device) : m_device(device) {
        m_buffer.open(QIODevice::WriteOnly);
        m_xml.setAutoFormatting(true);
        m_xml.setAutoFormattingIndent(-1);
        m_xml.writeStartDocument();
        m_xml.writeStartElement(QStringLiteral("plist"));
        m_xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    }

    Status finish() {
        m_xml.writeEndElement();
        m_xml.writeEndDocument();
        return flush(0);
    }

    // Hands what is buffered to the device once it holds at least `threshold` bytes.
    Status flush(qsizetype threshold = kChunkSize) {
        if (m_chunk.size() < qMax<qsizetype>(threshold, 1)) return {};
        if (m_xml.hasError() || m_device.write(m_chunk) != m_chunk.size()) return deviceFailed();
        m_chunk.resize(0);
        m_buffer.seek(0);
        return {};
    }

    Status beginDictionary(int depth) {
        if (depth > kPropertyListMaxDepth) return tooDeep();
        m_xml.writeStartElement(QStringLiteral("dict"));
        return {};
    }
    Status key(const QString& key) {
        if (!isWritableText(key)) return unsupported(QStringLiteral("a key with a control character"));
        simple(QStringLiteral("key"), key);
        return {};
    }
    void endDictionary() { m_xml.writeEndElement(); }

    Status value(const QVariant& value, int depth) {
        if (depth > kPropertyListMaxDepth) return tooDeep();
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

private:
    static TDError tooDeep() {
        return propertyListError(TDPropertyListErrorUnsupportedValue,
                                 QStringLiteral("The value is nested too deeply."));
    }

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
            if (Status written = key(it.key()); !written.ok()) return written;
            const Status child = value(it.value(), depth + 1);
            if (!child.ok()) return child;
        }
        m_xml.writeEndElement();
        return {};
    }

    static constexpr qsizetype kChunkSize = 256 * 1024;
    QIODevice& m_device;
    QByteArray m_chunk;
    QBuffer m_buffer{&m_chunk};
    QXmlStreamWriter m_xml{&m_buffer};
};

XmlPropertyListStreamWriter::XmlPropertyListStreamWriter(QIODevice& device)
    : m_writer(std::make_unique<Writer>(device)) {
}

XmlPropertyListStreamWriter::~XmlPropertyListStreamWriter() = default;

Status XmlPropertyListStreamWriter::beginDictionary() {
    if (!m_failure.ok()) return m_failure;
    m_failure = m_writer->beginDictionary(m_openDictionaries++);
    if (m_failure.ok()) m_failure = m_writer->flush();
    return m_failure;
}

Status XmlPropertyListStreamWriter::key(const QString& key) {
    if (!m_failure.ok()) return m_failure;
    m_failure = m_writer->key(key);
    if (m_failure.ok()) m_failure = m_writer->flush();
    return m_failure;
}

Status XmlPropertyListStreamWriter::value(const QVariant& value) {
    if (!m_failure.ok()) return m_failure;
    m_failure = m_writer->value(value, m_openDictionaries);
    if (m_failure.ok()) m_failure = m_writer->flush();
    return m_failure;
}

Status XmlPropertyListStreamWriter::endDictionary() {
    if (!m_failure.ok()) return m_failure;
    if (m_openDictionaries == 0) {
        m_failure =
            propertyListError(TDPropertyListErrorUnsupportedValue, QStringLiteral("No dictionary is open."));
        return m_failure;
    }
    m_writer->endDictionary();
    --m_openDictionaries;
    m_failure = m_writer->flush();
    return m_failure;
}

Status XmlPropertyListStreamWriter::finish() {
    if (!m_failure.ok()) return m_failure;
    if (m_openDictionaries != 0)
        return propertyListError(TDPropertyListErrorUnsupportedValue,
                                 QStringLiteral("A dictionary is still open."));
    m_failure = m_writer->finish();
    return m_failure;
}

Status writeXmlPropertyList(const QVariant& value, QIODevice& device) {
    XmlPropertyListStreamWriter writer(device);
    if (Status written = writer.value(value); !written.ok()) return written;
    return writer.finish();
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
