#include "store/library_backup_check.h"

#include <QByteArray>
#include <QFile>

#include <zlib.h>

#include <array>

namespace {

constexpr qint64 kChunkSize = 64 * 1024;
constexpr qsizetype kTailSize = 64;

// Keeps the last bytes of a stream seen in pieces.
class Tail final {
public:
    void append(const char* data, qsizetype size) {
        m_bytes.append(data, size);
        if (m_bytes.size() > kTailSize) m_bytes.remove(0, m_bytes.size() - kTailSize);
    }
    // A streamed property list ends with its closing tag, then at most white space.
    bool endsLikeAPropertyList() const { return m_bytes.trimmed().endsWith("</plist>"); }

private:
    QByteArray m_bytes;
};

bool plainFileReadsBack(QFile& file) {
    Tail tail;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(kChunkSize);
        if (chunk.isEmpty()) return false;
        tail.append(chunk.constData(), chunk.size());
    }
    return file.error() == QFileDevice::NoError && tail.endsLikeAPropertyList();
}

bool gzipFileReadsBack(QFile& file) {
    z_stream stream{};
    // 16 + 15: a gzip stream with a 15-bit window; zlib checks its CRC and length at the end.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return false;
    std::array<unsigned char, kChunkSize> output{};
    Tail tail;
    int result = Z_OK;
    while (result != Z_STREAM_END && !file.atEnd()) {
        QByteArray input = file.read(kChunkSize);
        if (input.isEmpty()) break;
        stream.next_in = reinterpret_cast<Bytef*>(input.data());
        stream.avail_in = static_cast<uInt>(input.size());
        while (stream.avail_in > 0 && result != Z_STREAM_END) {
            stream.next_out = output.data();
            stream.avail_out = static_cast<uInt>(output.size());
            result = inflate(&stream, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END) {
                inflateEnd(&stream);
                return false;
            }
            tail.append(reinterpret_cast<const char*>(output.data()),
                        static_cast<qsizetype>(output.size() - stream.avail_out));
        }
    }
    // Bytes after the stream's end are not part of a backup either.
    const bool whole = result == Z_STREAM_END && stream.avail_in == 0 && file.atEnd();
    inflateEnd(&stream);
    return whole && file.error() == QFileDevice::NoError && tail.endsLikeAPropertyList();
}

}  // namespace

bool TDBackupFileReadsBack(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0) return false;
    return path.endsWith(QLatin1String(".gz")) ? gzipFileReadsBack(file) : plainFileReadsBack(file);
}
