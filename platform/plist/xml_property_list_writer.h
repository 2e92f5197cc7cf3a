#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QIODevice>
#include <QVariant>

#include <memory>

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

}  // namespace platform
