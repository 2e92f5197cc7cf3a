#include "platform/plist/xml_property_list_reader.h"

#include "platform/plist/property_list.h"

#include <QDateTime>
#include <QTimeZone>
#include <QXmlStreamReader>

namespace platform {

XmlPropertyListStreamReader::XmlPropertyListStreamReader(const QByteArray& data) : m_xml(data) {
}

XmlPropertyListStreamReader::XmlPropertyListStreamReader(QIODevice* device) : m_xml(device) {
}

Status XmlPropertyListStreamReader::begin() {
    if (!nextElement()) return failure(QStringLiteral("no plist element"));
    if (m_xml.name() != QLatin1String("plist"))
        return failure(QStringLiteral("the root is not a plist element"));
    if (!nextElement()) return failure(QStringLiteral("the plist holds no value"));
    return {};
}

bool XmlPropertyListStreamReader::atDictionary() const {
    return m_xml.isStartElement() && m_xml.name() == QLatin1String("dict");
}

Status XmlPropertyListStreamReader::enterDictionary() {
    if (!atDictionary()) return failure(QStringLiteral("a dictionary was expected"));
    if (m_depth >= kPropertyListMaxDepth) return failure(QStringLiteral("nested too deeply"));
    ++m_depth;
    return {};
}

Result<std::optional<QString>> XmlPropertyListStreamReader::nextKey() {
    if (m_depth == 0) return failure(QStringLiteral("no dictionary was entered"));
    if (!nextElement()) {
        if (!m_xml.isEndElement()) return failure(QStringLiteral("an unfinished dictionary"));
        --m_depth;
        return std::optional<QString>();
    }
    if (m_xml.name() != QLatin1String("key"))
        return failure(QStringLiteral("a dictionary value without a key"));
    std::optional<QString> key = text();
    if (!key) return failure(QStringLiteral("a bad key"));
    if (!nextElement()) return failure(QStringLiteral("a key without a value"));
    return key;
}

Result<QVariant> XmlPropertyListStreamReader::readValue() {
    if (!m_xml.isStartElement()) return failure(QStringLiteral("a value was expected"));
    return value(m_depth);
}

Status XmlPropertyListStreamReader::skipValue() {
    if (!m_xml.isStartElement()) return failure(QStringLiteral("a value was expected"));
    m_xml.skipCurrentElement();
    if (m_xml.hasError()) return failure(m_xml.errorString());
    return {};
}

Status XmlPropertyListStreamReader::end() {
    // Nothing may follow the one value, inside the plist element or after it.
    while (!m_xml.atEnd()) {
        m_xml.readNext();
        if (m_xml.isStartElement() || (m_xml.isCharacters() && !m_xml.isWhitespace()))
            return failure(QStringLiteral("more than one value"));
    }
    if (m_xml.hasError()) return failure(m_xml.errorString());
    return {};
}

TDError XmlPropertyListStreamReader::failure(const QString& why) const {
    const QString where = m_xml.hasError() ? QStringLiteral(" (line %1)").arg(m_xml.lineNumber()) : QString();
    return propertyListError(TDPropertyListErrorMalformed,
                             QStringLiteral("The XML property list is malformed: %1%2.").arg(why, where));
}

// Moves to the next start element, skipping white space, comments and the like; false at an end
// element, at the end of the document or on stray text.
bool XmlPropertyListStreamReader::nextElement() {
    while (!m_xml.atEnd()) {
        m_xml.readNext();
        if (m_xml.isStartElement()) return true;
        if (m_xml.isEndElement()) return false;
        if (m_xml.isCharacters() && !m_xml.isWhitespace()) return false;
    }
    return false;
}

// The text of a simple element; the reader stands after its end element.
std::optional<QString> XmlPropertyListStreamReader::text() {
    const QString t = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
    if (m_xml.hasError()) return std::nullopt;
    return t;
}

Result<QVariant> XmlPropertyListStreamReader::value(int depth) {
    if (depth > kPropertyListMaxDepth) return failure(QStringLiteral("nested too deeply"));
    const QStringView name = m_xml.name();
    if (name == QLatin1String("dict")) return dictionary(depth);
    if (name == QLatin1String("array")) {
        QVariantList list;
        while (nextElement()) {
            Result<QVariant> item = value(depth + 1);
            if (!item) return item;
            list.append(std::move(item).value());
        }
        if (!m_xml.isEndElement()) return failure(QStringLiteral("an unfinished array"));
        return QVariant(list);
    }
    if (name == QLatin1String("true") || name == QLatin1String("false")) {
        const bool b = name == QLatin1String("true");
        const std::optional<QString> t = text();
        if (!t || !t->trimmed().isEmpty()) return failure(QStringLiteral("a boolean with content"));
        return QVariant(b);
    }
    const QString kind = name.toString();
    const std::optional<QString> t = text();
    if (!t) return failure(QStringLiteral("a <%1> element with elements inside").arg(kind));
    if (kind == QLatin1String("string")) return QVariant(*t);
    if (kind == QLatin1String("integer")) {
        const QString digits = t->trimmed();
        bool ok = false;
        qint64 v = digits.toLongLong(&ok, 10);
        // Unsigned values above the signed range come back in two's complement, as written.
        if (!ok) v = qint64(digits.toULongLong(&ok, 10));
        if (!ok && digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            v = qint64(digits.mid(2).toULongLong(&ok, 16));
        if (!ok) return failure(QStringLiteral("a bad integer"));
        return QVariant(v);
    }
    if (kind == QLatin1String("real")) {
        bool ok = false;
        const double d = t->trimmed().toDouble(&ok);
        if (!ok) return failure(QStringLiteral("a bad real"));
        return QVariant(d);
    }
    if (kind == QLatin1String("date")) {
        QDateTime date = QDateTime::fromString(t->trimmed(), Qt::ISODate);
        if (!date.isValid()) return failure(QStringLiteral("a bad date"));
        return QVariant(date.toTimeZone(QTimeZone::utc()));
    }
    if (kind == QLatin1String("data")) {
        QByteArray base64 = t->toLatin1();
        base64.removeIf([](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
        const auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) return failure(QStringLiteral("bad Base64 data"));
        return QVariant(decoded.decoded);
    }
    return failure(QStringLiteral("an unknown element <%1>").arg(kind));
}

Result<QVariant> XmlPropertyListStreamReader::dictionary(int depth) {
    QVariantMap map;
    while (nextElement()) {
        if (m_xml.name() != QLatin1String("key"))
            return failure(QStringLiteral("a dictionary value without a key"));
        const std::optional<QString> key = text();
        if (!key) return failure(QStringLiteral("a bad key"));
        if (!nextElement()) return failure(QStringLiteral("a key without a value"));
        Result<QVariant> item = value(depth + 1);
        if (!item) return item;
        map.insert(*key, std::move(item).value());
    }
    if (!m_xml.isEndElement()) return failure(QStringLiteral("an unfinished dictionary"));
    return QVariant(map);
}

Result<QVariant> readXmlPropertyList(const QByteArray& data) {
    XmlPropertyListStreamReader reader(data);
    if (Status begun = reader.begin(); !begun.ok()) return begun.error();
    Result<QVariant> value = reader.readValue();
    if (!value) return value;
    if (Status ended = reader.end(); !ended.ok()) return ended.error();
    return value;
}

}  // namespace platform
