// Feeds arbitrary bytes to the property-list readers; whatever they accept and the writer takes must
// read back.
#include "platform/plist/property_list.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(size));
    const Result<QVariant> plist = platform::readPropertyList(data, 1 << 20);
    if (!plist) return 0;
    for (platform::PropertyListFormat format :
         {platform::PropertyListFormat::Xml, platform::PropertyListFormat::Binary}) {
        // Text with control characters or dates far from now are refused by the writer, as values.
        const Result<QByteArray> written = platform::writePropertyList(*plist, format);
        if (written && !platform::readPropertyList(*written, 1 << 24)) std::abort();
    }
    return 0;
}
