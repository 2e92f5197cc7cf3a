// The tag prediction data file is read back from the library package: any bytes must give a map
// or an error, and a map that was accepted must evaluate. The checksum is made to match, so that
// the structure checks behind it are reached.
#include "platform/lsm/semantic_map.h"

#include <QtEndian>

#include <zlib.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (bytes.size() >= 4) {
        const qsizetype body = bytes.size() - 4;
        const uLong crc =
            crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.constData()), uInt(body));
        qToLittleEndian(static_cast<quint32>(crc), bytes.data() + body);
    }
    auto map = platform::SemanticMap::deserialized(bytes);
    if (map.ok() && map->compile().ok()) (void)map->evaluate(QStringLiteral("buy milk"), 3);
    return 0;
}
