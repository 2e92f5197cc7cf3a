#pragma once

#include "platform/base/byte_buffer.h"
#include "platform/base/error.h"

#include <QByteArray>
#include <QIODevice>
#include <QVariant>

#include <memory>
#include <vector>

namespace platform {

// Writes the QVariant form of property_list.h as an XML property list, with no limit on the range of
// dates (years 1 to 9999, whole seconds). Refuses what XML cannot hold (text with control characters
// other than tab and line ends) and values of other types; on an error the device may hold a part.
Status writeXmlPropertyList(const QVariant& value, QIODevice& device);
Result<QByteArray> writeXmlPropertyList(const QVariant& value);

// Writes one XML property list piece by piece, so that a large one is never held whole: dictionaries
// are opened, given each key followed by its value (whole, or a dictionary opened in turn), and closed.
// Keys are written as given; a reader expects them in order. After an error nothing more is written.
class XmlPropertyListStreamWriter final {
public:
    explicit XmlPropertyListStreamWriter(QIODevice& device);
    ~XmlPropertyListStreamWriter();
    XmlPropertyListStreamWriter(const XmlPropertyListStreamWriter&) = delete;
    XmlPropertyListStreamWriter& operator=(const XmlPropertyListStreamWriter&) = delete;

    Status beginDictionary();
    Status key(const QString& key);
    Status value(const QVariant& value);
    Status endDictionary();
    // Closes the document: an error when a piece was refused, a dictionary is still open or the device
    // failed.
    Status finish();

private:
    class Writer;
    std::unique_ptr<Writer> m_writer;
    int m_openDictionaries = 0;
    Status m_failure;
};

// Appends the text of property-list elements to a buffer, exactly as XmlPropertyListStreamWriter
// writes them: for writers of large documents that make no values to hand it (backups written from
// stored rows). Each element is given its depth, the number of elements around it (the root
// dictionary's is 1). Text that XML cannot hold is refused and leaves the buffer as it was.
class XmlPropertyListText final {
public:
    explicit XmlPropertyListText(ByteBuffer& buffer) : m_buffer(buffer) {}

    ByteBuffer& buffer() { return m_buffer; }
    void beginDocument();
    void endDocument();
    void beginDictionary(int depth);
    // Closes the dictionary opened last; one that got nothing is written as an empty element.
    void endDictionary(int depth);
    void beginArray(int depth);
    void endArray(int depth);
    Status key(int depth, QStringView key);
    // A key given as UTF-8 text known to need no escaping (for example a model's property name).
    void plainKey(int depth, QByteArrayView key);
    Status string(int depth, QStringView text);
    // UTF-8 text as stored; bytes that are not UTF-8 become what QString::fromUtf8 makes of them.
    Status string(int depth, QByteArrayView utf8);
    void integer(int depth, qint64 value);
    void real(int depth, double value);
    void boolean(int depth, bool value);
    // A UTC time as milliseconds since 1970; refused outside the years 1 to 9999.
    Status date(int depth, qint64 msecsSinceEpoch);
    void data(int depth, const QByteArray& bytes);
    // Any value of property_list.h's QVariant form, containers with their contents.
    Status value(int depth, const QVariant& value);

private:
    struct ValueSink;
    void indent(int depth);
    ByteBuffer& m_buffer;
    std::vector<qsizetype> m_openDictionaries;  // where each open dictionary's contents begin
};

}  // namespace platform
