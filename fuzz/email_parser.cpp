// Mail message files come from outside: any bytes must give a parser or an error, nothing else.
#include "foundation/email_parser.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parser =
        TDEmailParser::fromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (parser.ok()) (void)parser->linkTitle();
    return 0;
}
