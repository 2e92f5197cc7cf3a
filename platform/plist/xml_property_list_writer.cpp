#include "platform/plist/xml_property_list_writer.h"

#include "platform/plist/property_list.h"

#include <QBuffer>
#include <QDateTime>
#include <QTimeZone>
#include <QXmlStreamWriter>

#include <cstdio>
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

// The text of one element's contents: the characters XML reserves escaped, the rest as UTF-8.
void appendEscaped(QByteArray& out, QByteArrayView utf8) {
    qsizetype plain = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char* replacement = nullptr;
        switch (utf8[i]) {
            case '<':
                replacement = "&lt;";
                break;
            case '>':
                replacement = "&gt;";
                break;
            case '&':
                replacement = "&amp;";
                break;
            case '"':
                replacement = "&quot;";
                break;
            default:
                continue;
        }
        out.append(utf8.sliced(plain, i - plain));
        out.append(replacement);
        plain = i + 1;
    }
    out.append(utf8.sliced(plain));
}

// ASCII with no control characters but tab and line ends: written as it stands.
bool isPlainAsciiText(QByteArrayView utf8) {
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || (u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D)) return false;
    }
    return true;
}

// The proleptic Gregorian date of a day counted from 1970-01-01 (as QDate counts; year 0 is 1 BC).
void civilDate(qint64 days, qint64& year, int& month, int& day) {
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 dayOfEra = days - era * 146097;
    const qint64 yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const qint64 dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const qint64 shifted = (5 * dayOfYear + 2) / 153;
    day = int(dayOfYear - (153 * shifted + 2) / 5 + 1);
    month = int(shifted < 10 ? shifted + 3 : shifted - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

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

void XmlPropertyListText::indent(int depth) {
    m_buffer.append('\n');
    m_buffer.append(depth, '\t');
}

void XmlPropertyListText::beginDocument() {
    m_buffer.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">");
}

void XmlPropertyListText::endDocument() {
    m_buffer.append("\n</plist>\n");
}

void XmlPropertyListText::beginDictionary(int depth) {
    indent(depth);
    m_buffer.append("<dict>");
    m_openDictionaries.append(m_buffer.size());
}

void XmlPropertyListText::endDictionary(int depth) {
    if (m_openDictionaries.takeLast() == m_buffer.size()) {
        m_buffer.chop(1);
        m_buffer.append("/>");
        return;
    }
    indent(depth);
    m_buffer.append("</dict>");
}

void XmlPropertyListText::beginArray(int depth) {
    indent(depth);
    m_buffer.append("<array>");
}

void XmlPropertyListText::endArray(int depth) {
    indent(depth);
    m_buffer.append("</array>");
}

Status XmlPropertyListText::element(int depth, const char* open, const char* close, QByteArrayView utf8) {
    indent(depth);
    m_buffer.append(open);
    appendEscaped(m_buffer, utf8);
    m_buffer.append(close);
    return {};
}

Status XmlPropertyListText::key(int depth, QStringView key) {
    if (!isWritableText(key.toString())) return unsupported(QStringLiteral("a key with a control character"));
    return element(depth, "<key>", "</key>", key.toUtf8());
}

void XmlPropertyListText::plainKey(int depth, QByteArrayView key) {
    indent(depth);
    m_buffer.append("<key>");
    m_buffer.append(key);
    m_buffer.append("</key>");
}

Status XmlPropertyListText::string(int depth, QStringView text) {
    if (!isWritableText(text.toString())) return unsupported(QStringLiteral("text with a control character"));
    return element(depth, "<string>", "</string>", text.toUtf8());
}

Status XmlPropertyListText::string(int depth, QByteArrayView utf8) {
    if (!isPlainAsciiText(utf8)) return string(depth, QString::fromUtf8(utf8));
    return element(depth, "<string>", "</string>", utf8);
}

void XmlPropertyListText::integer(int depth, qint64 value) {
    indent(depth);
    m_buffer.append("<integer>");
    m_buffer.append(QByteArray::number(value));
    m_buffer.append("</integer>");
}

void XmlPropertyListText::real(int depth, double value) {
    indent(depth);
    m_buffer.append("<real>");
    m_buffer.append(QString::number(value, 'g', 17).toLatin1());
    m_buffer.append("</real>");
}

void XmlPropertyListText::boolean(int depth, bool value) {
    indent(depth);
    m_buffer.append(value ? "<true/>" : "<false/>");
}

Status XmlPropertyListText::date(int depth, qint64 msecsSinceEpoch) {
    constexpr qint64 msecsPerDay = 86400000;
    qint64 days = msecsSinceEpoch / msecsPerDay;
    qint64 msecs = msecsSinceEpoch % msecsPerDay;
    if (msecs < 0) {
        msecs += msecsPerDay;
        --days;
    }
    qint64 year = 0;
    int month = 0;
    int day = 0;
    civilDate(days, year, month, day);
    if (year < 1 || year > 9999) return unsupported(QStringLiteral("a date outside the years 1 to 9999"));
    const qint64 seconds = msecs / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", int(year), month, day,
                  int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
    indent(depth);
    m_buffer.append("<date>");
    m_buffer.append(text);
    m_buffer.append("</date>");
    return {};
}

void XmlPropertyListText::data(int depth, const QByteArray& bytes) {
    indent(depth);
    m_buffer.append("<data>");
    m_buffer.append(bytes.toBase64());
    m_buffer.append("</data>");
}

template <typename Map>
Status XmlPropertyListText::dictionary(int depth, const Map& map) {
    beginDictionary(depth);
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (Status s = key(depth + 1, it.key()); !s.ok()) return s;
        if (Status s = value(depth + 1, it.value()); !s.ok()) return s;
    }
    endDictionary(depth);
    return {};
}

Status XmlPropertyListText::value(int depth, const QVariant& value) {
    if (depth > kPropertyListMaxDepth + 1)
        return propertyListError(TDPropertyListErrorUnsupportedValue,
                                 QStringLiteral("The value is nested too deeply."));
    const qsizetype start = m_buffer.size();
    const qsizetype open = m_openDictionaries.size();
    const auto failed = [&](Status status) {
        m_buffer.truncate(start);
        m_openDictionaries.resize(open);
        return status;
    };
    switch (value.metaType().id()) {
        case QMetaType::QVariantMap:
            if (Status s = dictionary(depth, value.toMap()); !s.ok()) return failed(s);
            return {};
        case QMetaType::QVariantHash:
            if (Status s = dictionary(depth, value.toHash()); !s.ok()) return failed(s);
            return {};
        case QMetaType::QVariantList:
        case QMetaType::QStringList: {
            const QVariantList list = value.toList();
            if (list.isEmpty()) {
                indent(depth);
                m_buffer.append("<array/>");
                return {};
            }
            beginArray(depth);
            for (const QVariant& item : list)
                if (Status s = this->value(depth + 1, item); !s.ok()) return failed(s);
            endArray(depth);
            return {};
        }
        case QMetaType::QString:
            return string(depth, value.toString());
        case QMetaType::Bool:
            boolean(depth, value.toBool());
            return {};
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
            integer(depth, value.toLongLong());
            return {};
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::UShort:
        case QMetaType::ULongLong:
            if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
                return unsupported(QStringLiteral("an unsigned integer above the signed range"));
            integer(depth, value.toLongLong());
            return {};
        case QMetaType::Double:
        case QMetaType::Float:
            real(depth, value.toDouble());
            return {};
        case QMetaType::QDateTime: {
            const QDateTime date = value.toDateTime();
            if (!date.isValid()) return unsupported(QStringLiteral("a date outside the years 1 to 9999"));
            return this->date(depth, date.toMSecsSinceEpoch());
        }
        case QMetaType::QByteArray:
            data(depth, value.toByteArray());
            return {};
        default:
            return unsupported(
                QString::fromLatin1(value.metaType().name() ? value.metaType().name() : "(none)"));
    }
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
