#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QVariant>
#include <QXmlStreamReader>

#include <optional>

class QIODevice;

namespace platform {

// Reads an XML property list (a "plist" element holding one value) into the QVariant form of
// property_list.h. Unknown elements, stray text, bad numbers, dates or Base64, a key without a value
// and nesting beyond the limit are errors.
Result<QVariant> readXmlPropertyList(const QByteArray& data);

// Reads an XML property list a value at a time, so that a large one is never held whole: the caller
// walks into the dictionaries it wants to see piece by piece and reads each value it stands at, with
// the same checks as readXmlPropertyList.
//
//     begin(); enterDictionary(); while (key = nextKey(), *key) readValue(); end();
class XmlPropertyListStreamReader final {
public:
    explicit XmlPropertyListStreamReader(const QByteArray& data);
    // Reads the device as it goes; the device must stay open while the reader is used.
    explicit XmlPropertyListStreamReader(QIODevice* device);

    // Moves to the list's one value.
    Status begin();
    bool atDictionary() const;
    // Enters the dictionary the reader stands at.
    Status enterDictionary();
    // Moves to the next value of the innermost dictionary entered and gives its key; at the
    // dictionary's end gives none and leaves the dictionary.
    Result<std::optional<QString>> nextKey();
    // The value the reader stands at, whole; the reader then stands after it.
    Result<QVariant> readValue();
    // Passes over the value the reader stands at, checking only that it is well-formed XML.
    Status skipValue();
    // After the list's value: nothing else may follow it.
    Status end();

private:
    TDError failure(const QString& why) const;
    bool nextElement();
    std::optional<QString> text();
    Result<QVariant> value(int depth);
    Result<QVariant> dictionary(int depth);

    QXmlStreamReader m_xml;
    int m_depth = 0;
};

}  // namespace platform
