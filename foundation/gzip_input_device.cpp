#include "foundation/gzip_input_device.h"

#include "foundation/data_additions.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 kInputChunk = 64 * 1024;

}  // namespace

struct TDGzipInputDevice::Stream {
    z_stream z{};
    bool initialised = false;
};

TDGzipInputDevice::TDGzipInputDevice(QIODevice* source, qint64 maxSize)
    : m_source(source), m_maxSize(maxSize), m_stream(std::make_unique<Stream>()) {
    // Window bits 47: a 15-bit window with the gzip or zlib header detected.
    m_stream->initialised = inflateInit2(&m_stream->z, 47) == Z_OK;
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    if (!m_stream->initialised)
        p_fail(TDDataErrorCompression, QStringLiteral("The decompressor could not be set up."));
}

TDGzipInputDevice::~TDGzipInputDevice() {
    if (m_stream->initialised) inflateEnd(&m_stream->z);
}

bool TDGzipInputDevice::atEnd() const {
    return m_ended || !m_status.ok();
}

qint64 TDGzipInputDevice::p_fail(int code, const QString& description) {
    TDError error = TDError::make(code, description);
    error.domain = TDDataErrorDomain;
    m_status = error;
    setErrorString(description);
    return -1;
}

qint64 TDGzipInputDevice::readData(char* data, qint64 maxSize) {
    if (!m_status.ok()) return -1;
    if (m_ended || maxSize <= 0) return 0;
    z_stream& z = m_stream->z;
    z.next_out = reinterpret_cast<Bytef*>(data);
    z.avail_out = uInt(std::min<qint64>(maxSize, std::numeric_limits<uInt>::max()));
    const uInt wanted = z.avail_out;
    while (z.avail_out > 0) {
        if (z.avail_in == 0) {
            m_input = m_source->read(kInputChunk);
            if (m_input.isEmpty()) {
                // What was inflated before the cut is still given; the next read reports it.
                if (z.avail_out < wanted) break;
                return p_fail(TDDataErrorCorrupt, QStringLiteral("The compressed data is cut short."));
            }
            z.next_in = reinterpret_cast<Bytef*>(m_input.data());
            z.avail_in = uInt(m_input.size());
        }
        const int status = inflate(&z, Z_NO_FLUSH);
        if (qint64(z.total_out) > m_maxSize)
            return p_fail(TDDataErrorTooLarge,
                          QStringLiteral("The data inflates to more than %1 bytes.").arg(m_maxSize));
        if (status == Z_STREAM_END) {
            m_ended = true;
            break;
        }
        if (status != Z_OK && !(status == Z_BUF_ERROR && z.avail_in == 0))
            return p_fail(TDDataErrorCorrupt, QStringLiteral("The compressed data is corrupt."));
    }
    return qint64(wanted - z.avail_out);
}
