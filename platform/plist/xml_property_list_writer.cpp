#include "platform/plist/xml_property_list_writer.h"

#include "platform/plist/property_list.h"
#include "platform/plist/property_list_value_dispatch.h"

#include <QBuffer>
#include <QDateTime>
#include <QTimeZone>
#include <QXmlStreamWriter>

#include <cstring>

namespace platform {

namespace {

// XML 1.0 has no form for most control characters, nor for NUL.
bool isWritableText(QStringView text) {
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

// The text of one element's contents: the characters XML reserves escaped, the rest as UTF-8.
void appendEscaped(ByteBuffer& out, QByteArrayView utf8) {
    qsizetype plain = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        switch (utf8[i]) {
            case '<':
                out.append(utf8.sliced(plain, i - plain));
                out.append("&lt;");
                break;
            case '>':
                out.append(utf8.sliced(plain, i - plain));
                out.append("&gt;");
                break;
            case '&':
                out.append(utf8.sliced(plain, i - plain));
                out.append("&amp;");
                break;
            case '"':
                out.append(utf8.sliced(plain, i - plain));
                out.append("&quot;");
                break;
            default:
                continue;
        }
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
        if (!isWritableText(key))
            return unsupportedPropertyListValue(QStringLiteral("a key with a control character"));
        simple(QStringLiteral("key"), key);
        return {};
    }
    void endDictionary() { m_xml.writeEndElement(); }

    Status value(const QVariant& value, int depth) {
        if (depth > kPropertyListMaxDepth) return tooDeep();
        return dispatchPropertyListValue<Status>(value, *this, depth);
    }

    // The kinds of value, as dispatchPropertyListValue hands them over.
    template <typename Map>
    Status dictionary(int depth, const Map& map) {
        m_xml.writeStartElement(QStringLiteral("dict"));
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (Status written = key(it.key()); !written.ok()) return written;
            const Status child = value(it.value(), depth + 1);
            if (!child.ok()) return child;
        }
        m_xml.writeEndElement();
        return {};
    }
    Status array(int depth, const QVariantList& list) {
        if (list.isEmpty()) {
            m_xml.writeEmptyElement(QStringLiteral("array"));
            return {};
        }
        m_xml.writeStartElement(QStringLiteral("array"));
        for (const QVariant& item : list) {
            const Status child = value(item, depth + 1);
            if (!child.ok()) return child;
        }
        m_xml.writeEndElement();
        return {};
    }
    Status string(int, const QString& text) {
        if (!isWritableText(text))
            return unsupportedPropertyListValue(QStringLiteral("text with a control character"));
        simple(QStringLiteral("string"), text);
        return {};
    }
    void boolean(int, bool value) {
        m_xml.writeEmptyElement(value ? QStringLiteral("true") : QStringLiteral("false"));
    }
    void integer(int, qint64 value) { simple(QStringLiteral("integer"), QString::number(value)); }
    void real(int, double value) { simple(QStringLiteral("real"), QString::number(value, 'g', 17)); }
    Status date(int, const QDateTime& value) {
        const QDateTime date = value.toTimeZone(QTimeZone::utc());
        if (!date.isValid() || date.date().year() < 1 || date.date().year() > 9999)
            return unsupportedPropertyListValue(QStringLiteral("a date outside the years 1 to 9999"));
        simple(QStringLiteral("date"), date.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")));
        return {};
    }
    void data(int, const QByteArray& bytes) {
        simple(QStringLiteral("data"), QString::fromLatin1(bytes.toBase64()));
    }
    static Status refused(const TDError& error) { return error; }

private:
    static TDError tooDeep() {
        return propertyListError(TDPropertyListErrorUnsupportedValue,
                                 QStringLiteral("The value is nested too deeply."));
    }

    void simple(const QString& element, const QString& text) { m_xml.writeTextElement(element, text); }

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
    char* out = m_buffer.grow(1 + depth);
    *out = '\n';
    std::memset(out + 1, '\t', size_t(depth));
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
    m_openDictionaries.push_back(m_buffer.size());
}

void XmlPropertyListText::endDictionary(int depth) {
    const qsizetype contents = m_openDictionaries.back();
    m_openDictionaries.pop_back();
    if (contents == m_buffer.size()) {
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

Status XmlPropertyListText::key(int depth, QStringView key) {
    if (!isWritableText(key))
        return unsupportedPropertyListValue(QStringLiteral("a key with a control character"));
    indent(depth);
    m_buffer.append("<key>");
    appendEscaped(m_buffer, key.toUtf8());
    m_buffer.append("</key>");
    return {};
}

void XmlPropertyListText::plainKey(int depth, QByteArrayView key) {
    indent(depth);
    m_buffer.append("<key>");
    m_buffer.append(key);
    m_buffer.append("</key>");
}

Status XmlPropertyListText::string(int depth, QStringView text) {
    if (!isWritableText(text))
        return unsupportedPropertyListValue(QStringLiteral("text with a control character"));
    indent(depth);
    m_buffer.append("<string>");
    appendEscaped(m_buffer, text.toUtf8());
    m_buffer.append("</string>");
    return {};
}

Status XmlPropertyListText::string(int depth, QByteArrayView utf8) {
    if (!isPlainAsciiText(utf8)) return string(depth, QString::fromUtf8(utf8));
    indent(depth);
    m_buffer.append("<string>");
    appendEscaped(m_buffer, utf8);
    m_buffer.append("</string>");
    return {};
}

void XmlPropertyListText::integer(int depth, qint64 value) {
    indent(depth);
    m_buffer.append("<integer>");
    m_buffer.appendNumber(value);
    m_buffer.append("</integer>");
}

void XmlPropertyListText::real(int depth, double value) {
    indent(depth);
    m_buffer.append("<real>");
    // Qt's shortest form of 17 digits, as the stream writer writes it; reals are few in a library.
    m_buffer.append(QString::number(value, 'g', 17).toLatin1());
    m_buffer.append("</real>");
}

void XmlPropertyListText::boolean(int depth, bool value) {
    indent(depth);
    if (value)
        m_buffer.append("<true/>");
    else
        m_buffer.append("<false/>");
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
    if (year < 1 || year > 9999)
        return unsupportedPropertyListValue(QStringLiteral("a date outside the years 1 to 9999"));
    const int seconds = int(msecs / 1000);
    indent(depth);
    // "<date>yyyy-MM-ddTHH:mm:ssZ</date>", the digits written in place.
    char* out = m_buffer.grow(33);
    std::memcpy(out, "<date>0000-00-00T00:00:00Z</date>", 33);
    const auto digits = [](char* at, int value, int count) {
        for (int i = count - 1; i >= 0; --i, value /= 10) at[i] = char('0' + value % 10);
    };
    digits(out + 6, int(year), 4);
    digits(out + 11, month, 2);
    digits(out + 14, day, 2);
    digits(out + 17, seconds / 3600, 2);
    digits(out + 20, seconds / 60 % 60, 2);
    digits(out + 23, seconds % 60, 2);
    return {};
}

void XmlPropertyListText::data(int depth, const QByteArray& bytes) {
    indent(depth);
    m_buffer.append("<data>");
    m_buffer.append(bytes.toBase64());
    m_buffer.append("</data>");
}

// The kinds of value, as dispatchPropertyListValue hands them over.
struct XmlPropertyListText::ValueSink {
    XmlPropertyListText& text;
    template <typename Map>
    Status dictionary(int depth, const Map& map) {
        text.beginDictionary(depth);
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (Status s = text.key(depth + 1, it.key()); !s.ok()) return s;
            if (Status s = text.value(depth + 1, it.value()); !s.ok()) return s;
        }
        text.endDictionary(depth);
        return {};
    }
    Status array(int depth, const QVariantList& list) {
        if (list.isEmpty()) {
            text.indent(depth);
            text.m_buffer.append("<array/>");
            return {};
        }
        text.beginArray(depth);
        for (const QVariant& item : list)
            if (Status s = text.value(depth + 1, item); !s.ok()) return s;
        text.endArray(depth);
        return {};
    }
    Status string(int depth, const QString& value) { return text.string(depth, QStringView(value)); }
    void boolean(int depth, bool value) { text.boolean(depth, value); }
    void integer(int depth, qint64 value) { text.integer(depth, value); }
    void real(int depth, double value) { text.real(depth, value); }
    Status date(int depth, const QDateTime& value) {
        if (!value.isValid())
            return unsupportedPropertyListValue(QStringLiteral("a date outside the years 1 to 9999"));
        return text.date(depth, value.toMSecsSinceEpoch());
    }
    void data(int depth, const QByteArray& bytes) { text.data(depth, bytes); }
    static Status refused(const TDError& error) { return error; }
};

Status XmlPropertyListText::value(int depth, const QVariant& value) {
    if (depth > kPropertyListMaxDepth + 1)
        return propertyListError(TDPropertyListErrorUnsupportedValue,
                                 QStringLiteral("The value is nested too deeply."));
    const qsizetype start = m_buffer.size();
    const size_t open = m_openDictionaries.size();
    ValueSink sink{*this};
    const Status written = dispatchPropertyListValue<Status>(value, sink, depth);
    if (!written.ok()) {
        // Nothing of a refused value stays, not even the containers around the refused part.
        m_buffer.truncate(start);
        m_openDictionaries.resize(open);
    }
    return written;
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
