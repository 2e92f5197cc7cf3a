// Feeds arbitrary bytes to the decoders of stored and outside data: gunzip (capped) and Base64.
#include "foundation/data_additions.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes), qsizetype(size));
    const Result<QByteArray> inflated = gzipDecompressedData(data, 1 << 20);
    if (inflated && inflated->size() > (1 << 20)) std::abort();
    const QString text = QString::fromLatin1(data);
    const Result<QByteArray> strict = dataWithBase64EncodedStringStrict(text);
    // What the strict decoder accepts, the lenient one reads the same way.
    if (strict && dataWithBase64EncodedString(text) != *strict) std::abort();
    (void)dataWithQuotedPrintableEncodedString(text);
    return 0;
}
