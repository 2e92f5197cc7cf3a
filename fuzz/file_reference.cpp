// Reads arbitrary bytes as a stored file reference: never crashes, and what it accepts writes back the same.
#include "platform/files/file_reference.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Result<platform::FileReference> reference = platform::FileReference::fromData(bytes);
    if (reference && reference->data() != bytes) std::abort();
    return 0;
}
